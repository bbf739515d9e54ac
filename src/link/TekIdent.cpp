#include "link/TekIdent.h"

#include "link/DeviceConnection.h"

namespace {
// The analyser's reply is parsed with 1-based positions, 0 meaning "not found", so that a
// missing field moves the next search back to a fixed offset exactly as the instrument's
// documentation of the reply expects.
size_t InStr(size_t start, const std::string& text, const std::string& what) {
  if (start < 1) start = 1;
  if (start > text.size()) return 0;
  const size_t at = text.find(what, start - 1);
  return at == std::string::npos ? 0 : at + 1;
}

std::string Mid(const std::string& text, size_t start, size_t length) {
  if (start < 1 || start > text.size()) return {};
  return text.substr(start - 1, length);
}
}  // namespace

void ParseTekIdent(const std::string& reply, TekIdentity& identity) {
  const size_t p = InStr(1, reply, "TEK");
  if (p > 0) identity.Typ = Mid(reply, p, 8);
  const size_t q = InStr(p + 9, reply, "SYS:");
  if (q > 0) identity.Ver[0] = Mid(reply, q + 5, 3);
  const size_t r = InStr(q + 5, reply, "COMM:");
  if (r > 0) identity.Ver[1] = Mid(reply, r + 6, 3);
  const size_t a = InStr(r + 6, reply, "ACQ:");
  if (a == 0) return;
  identity.nNm09 = 0;
  identity.nNm18 = 0;
  for (size_t k = 0; k < 4; ++k) {
    const std::string code = Mid(reply, a + 4 + 2 * k, 1);
    if (code == "0") {
      identity.Cards[k] = "None";
    } else if (code == "1") {
      ++identity.nNm09;
      identity.Cards[k] = " 9 bits card";
    } else if (code == "2") {
      ++identity.nNm18;
      identity.Cards[k] = "18 bits card";
    }
  }
}

bool GetTekIdent(DeviceConnection& connection, TekIdentity& identity) {
  if (!connection.DevOpen()) {
    identity.CnxVisible = true;
    return false;
  }
  connection.DevWrite("ID?");
  const std::string reply = connection.DevRead();
  connection.DevClose();
  identity.Reply = reply;
  if (!reply.empty()) ParseTekIdent(reply, identity);
  identity.CnxVisible = false;
  return true;
}
