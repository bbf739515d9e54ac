// The identification, parsed and asked on the simulated analyser; opening, writing, reading
// and closing are checked end to end by the transfers' transcripts.
#include <gtest/gtest.h>

#include "link/DeviceConnection.h"
#include "link/TekIdent.h"
#include "sim/SimDriver.h"
#include "support/RecordingOperator.h"

// Replies with fields missing, short or unknown. The identity starts with slots a..d and 5
// cards of each kind, which stay where the reply names nothing.
TEST(ParseTekIdent, FieldsAreReadWhereTheyAreFound) {
  const std::pair<const char*, const char*> cases[] = {
      {"TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:2,3,x,1", "TEK/1241 2.1 1.4 18|b|c| 9 11"},
      {"TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:1,0", "TEK/1241 2.1 1.4  9|None|c|d 10"},
      {"xxTEK/12", "TEK/12 ___ ___ a|b|c|d 55"},
      // No "TEK": "SYS:" is searched from position 9; no "SYS:": "COMM:" from position 5.
      {"ABCDEFGHSYS: 9.9 COMM: 8.8", "Tek/124x 9.9 8.8 a|b|c|d 55"},
      {"SYS: 9.9", "Tek/124x ___ ___ a|b|c|d 55"},
      {"TEK/1241 COMM: 3.3 ACQ:2,0,0,0", "TEK/1241 ___ 3.3 18|None|None|None 1"}};
  for (const auto& [reply, expected] : cases) {
    TekIdentity id;
    id.Cards = {"a", "b", "c", "d"};
    id.nNm09 = id.nNm18 = 5;
    ParseTekIdent(reply, id);
    std::string cards;  // " 9 bits card" shown as " 9"
    for (const std::string& card : id.Cards) cards += "|" + card.substr(0, card.find(" bits card"));
    EXPECT_EQ(id.Typ + " " + id.Ver[0] + " " + id.Ver[1] + " " + cards.substr(1) + " " +
                  std::to_string(id.nNm09 * 10 + id.nNm18),
              expected);
  }
}

// Nothing there: only the red label changes. There but silent: the label goes. Every mix of
// cards is identified in the simulator's tests.
TEST(GetTekIdent, NoAnalyserOrNoAnswer) {
  SimDriver driver;
  RecordingOperator op;
  DeviceConnection dev(driver, op);
  TekIdentity id;
  id.CnxVisible = false;
  id.nNm09 = 2;
  dev.PAd = 3;
  EXPECT_FALSE(GetTekIdent(dev, id));
  EXPECT_TRUE(id.CnxVisible && id.Typ == "Tek/124x");
  dev.PAd = 7;
  driver.analyser().faults().replyTimeout = true;
  EXPECT_TRUE(GetTekIdent(dev, id));
  EXPECT_FALSE(id.CnxVisible);
  EXPECT_TRUE(id.nNm09 == 2 && id.Cards[0] == "none" && op.messages.empty());
}
