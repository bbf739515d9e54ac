// The identification reply, whatever the analyser sends. Labels only take texts of the
// reply (or keep theirs), the card counts agree with the slot labels when the reply names
// the cards and stay as they were when it does not, and parsing is repeatable.
#include <algorithm>

#include "FuzzCheck.h"
#include "link/TekIdent.h"

namespace {
bool fromReply(const std::string& reply, const std::string& label, const std::string& before,
               size_t longest) {
  return label == before || (label.size() <= longest && reply.find(label) != std::string::npos);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string reply(reinterpret_cast<const char*>(data), size);
  TekIdentity identity;
  identity.nNm09 = 7;  // counts no reply can produce
  identity.nNm18 = 9;
  const TekIdentity before = identity;
  ParseTekIdent(reply, identity);

  FUZZ_CHECK(identity.Typ == before.Typ || identity.Typ.rfind("TEK", 0) == 0);
  FUZZ_CHECK(fromReply(reply, identity.Typ, before.Typ, 8));
  for (size_t v = 0; v < 2; ++v) FUZZ_CHECK(fromReply(reply, identity.Ver[v], before.Ver[v], 3));
  int nines = 0, eighteens = 0;
  for (const std::string& card : identity.Cards) {
    FUZZ_CHECK(card == "none" || card == "None" || card == " 9 bits card" ||
               card == "18 bits card");
    nines += card == " 9 bits card";
    eighteens += card == "18 bits card";
  }
  // "ACQ:" too early in the reply is not where the parser looks for it.
  const bool unchanged =
      identity.nNm09 == 7 && identity.nNm18 == 9 && identity.Cards == before.Cards;
  FUZZ_CHECK(unchanged || (identity.nNm09 == nines && identity.nNm18 == eighteens));
  if (reply.find("ACQ:") == std::string::npos) FUZZ_CHECK(unchanged);

  TekIdentity twice = identity;
  ParseTekIdent(reply, twice);
  FUZZ_CHECK(twice.Typ == identity.Typ && twice.Ver == identity.Ver &&
             twice.Cards == identity.Cards && twice.nNm09 == identity.nNm09 &&
             twice.nNm18 == identity.nNm18);
  return 0;
}
