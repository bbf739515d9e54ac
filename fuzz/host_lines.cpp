// How the adapter emulator splits what a host sends into data lines and "++" commands, over
// any bytes: the lines do not depend on how the bytes are cut into pieces, none is empty or
// longer than the limit, and a command begins with "++". Escaping any data and ending the
// line gives that data back as one data line, and "++" before it makes it a command,
// whatever the parser had been fed before it was cleared.
#include <vector>

#include "FuzzCheck.h"
#include "adapter/HostLines.h"

namespace {
using Lines = std::vector<HostLines::Line>;

Lines drain(HostLines& parser) {
  Lines lines;
  for (HostLines::Line line; parser.next(line);) lines.push_back(line);
  return lines;
}

bool same(const Lines& a, const Lines& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].command != b[i].command || a[i].text != b[i].text) return false;
  }
  return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint8_t cut = in.byte();
  const std::string_view bytes = in.rest();

  HostLines whole;
  whole.feed(bytes);
  const Lines lines = drain(whole);
  for (const HostLines::Line& line : lines) {
    FUZZ_CHECK(!line.text.empty() && line.text.size() <= HostLines::kMaxLine);
    FUZZ_CHECK(!line.command || line.text.rfind("++", 0) == 0);
  }
  // The same bytes in pieces of 1 to 16, taking lines out as they come.
  HostLines pieces;
  Lines gathered;
  for (size_t at = 0, n = 0; at < bytes.size(); at += n) {
    n = (cut >> (at % 5) & 15) + 1;
    pieces.feed(bytes.substr(at, n));
    const Lines some = drain(pieces);
    gathered.insert(gathered.end(), some.begin(), some.end());
  }
  FUZZ_CHECK(same(lines, gathered));

  // The input as data, after the parser was left in whatever state the bytes put it.
  whole.feed(bytes.substr(0, bytes.size() / 2));
  whole.clear();
  const std::string payload(bytes.substr(0, HostLines::kMaxLine - 2));
  whole.feed(HostLines::Escape(payload) + "\r\n++" + HostLines::Escape(payload) + "\n");
  const Lines back = drain(whole);
  if (payload.empty()) {
    FUZZ_CHECK(back.size() == 1 && back[0].command && back[0].text == "++");
  } else {
    FUZZ_CHECK(same(back, {{false, payload}, {true, "++" + payload}}));
  }
  return 0;
}
