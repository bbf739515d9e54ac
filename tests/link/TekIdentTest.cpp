// Identification: the parser on its own, and the whole exchange with the simulated analyser.
#include <gtest/gtest.h>

#include "link/DeviceConnection.h"
#include "link/TekIdent.h"
#include "sim/SimDriver.h"
#include "support/RecordingOperator.h"

TEST(ParseTekIdent, ReadsTypeVersionsAndSlots) {
  TekIdentity id;
  ParseTekIdent("TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:1,2,0,0", id);
  EXPECT_EQ(id.Typ, "TEK/1241");
  EXPECT_EQ(id.Ver[0], "2.1");
  EXPECT_EQ(id.Ver[1], "1.4");
  EXPECT_EQ(id.Cards, (std::array<std::string, 4>{" 9 bits card", "18 bits card", "None", "None"}));
  EXPECT_EQ(id.nNm09, 1);
  EXPECT_EQ(id.nNm18, 1);
}

TEST(ParseTekIdent, EverySlotCode) {
  TekIdentity id;
  id.Cards = {"a", "b", "c", "d"};
  id.nNm09 = 5;
  id.nNm18 = 5;
  // 0, 1 and 2 are cards; anything else leaves the slot's text and the counts alone.
  ParseTekIdent("TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:2,3,x,1", id);
  EXPECT_EQ(id.Cards, (std::array<std::string, 4>{"18 bits card", "b", "c", " 9 bits card"}));
  EXPECT_EQ(id.nNm09, 1);
  EXPECT_EQ(id.nNm18, 1);
  ParseTekIdent("TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:0,0,0,0", id);
  EXPECT_EQ(id.Cards, (std::array<std::string, 4>{"None", "None", "None", "None"}));
  EXPECT_EQ(id.nNm09, 0);
  EXPECT_EQ(id.nNm18, 0);
}

TEST(ParseTekIdent, MissingAndShortFields) {
  TekIdentity id;
  id.nNm09 = 3;
  id.nNm18 = 1;
  ParseTekIdent("TEK/1240 SYS: 1.1 COMM: 1.2", id);  // no "ACQ:": counts unchanged
  EXPECT_EQ(id.nNm09, 3);
  EXPECT_EQ(id.nNm18, 1);
  EXPECT_EQ(id.Typ, "TEK/1240");
  EXPECT_EQ(id.Ver[1], "1.2");

  TekIdentity near;
  near.Cards = {"a", "b", "c", "d"};
  ParseTekIdent("TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:1,2", near);  // codes past the end: empty
  EXPECT_EQ(near.Cards, (std::array<std::string, 4>{" 9 bits card", "18 bits card", "c", "d"}));

  TekIdentity cut;
  ParseTekIdent("xxTEK/12", cut);  // the type text is as long as the reply allows
  EXPECT_EQ(cut.Typ, "TEK/12");
  EXPECT_EQ(cut.Ver[0], "___");

  TekIdentity noTek;  // no "TEK": the "SYS:" search starts at position 9
  ParseTekIdent("ABCDEFGHSYS: 9.9 COMM: 8.8", noTek);
  EXPECT_EQ(noTek.Typ, "Tek/124x");
  EXPECT_EQ(noTek.Ver[0], "9.9");
  EXPECT_EQ(noTek.Ver[1], "8.8");
  TekIdentity tooEarly;
  ParseTekIdent("SYS: 9.9", tooEarly);
  EXPECT_EQ(tooEarly.Ver[0], "___");

  TekIdentity noSys;  // no "SYS:": "COMM:" is searched from position 5
  ParseTekIdent("TEK/1241 COMM: 3.3 ACQ:2,0,0,0", noSys);
  EXPECT_EQ(noSys.Ver[0], "___");
  EXPECT_EQ(noSys.Ver[1], "3.3");
  EXPECT_EQ(noSys.nNm18, 1);
}

TEST(GetTekIdent, AsksTheAnalyserAndCountsEveryMixOfCards) {
  SimDriver driver;
  RecordingOperator op;
  DeviceConnection dev(driver, op);
  for (int code = 0; code < 81; ++code) {
    const std::array<int, 4> slots{code % 3, code / 3 % 3, code / 9 % 3, code / 27 % 3};
    driver.analyser().setSlots(slots);
    TekIdentity id;
    ASSERT_TRUE(GetTekIdent(dev, id));
    EXPECT_FALSE(id.CnxVisible);
    int n9 = 0;
    int n18 = 0;
    for (size_t k = 0; k < 4; ++k) {
      const char* expected = slots[k] == 1   ? " 9 bits card"
                             : slots[k] == 2 ? "18 bits card"
                                             : "None";
      EXPECT_EQ(id.Cards[k], expected) << code;
      n9 += slots[k] == 1;
      n18 += slots[k] == 2;
    }
    EXPECT_EQ(id.nNm09, n9);
    EXPECT_EQ(id.nNm18, n18);
  }
  EXPECT_FALSE(dev.Connected);
}

TEST(GetTekIdent, TranscriptOfOneIdentification) {
  SimDriver driver;
  RecordingOperator op;
  DeviceConnection dev(driver, op);
  TekIdentity id;
  ASSERT_TRUE(GetTekIdent(dev, id));
  EXPECT_EQ(driver.analyser().transcript(),
            (std::vector<std::string>{"ibdev 0 7 0", "ibclr", "ibwrt XX", "ibwrt ID?", "ibrd 10000",
                                      "ibloc", "ibonl 0"}));
  EXPECT_EQ(id.Typ, "TEK/1241");
  EXPECT_EQ(id.Ver, (std::array<std::string, 2>{"2.1", "1.4"}));
}

TEST(GetTekIdent, NoAnalyserOrNoAnswer) {
  SimDriver driver;
  RecordingOperator op;
  DeviceConnection dev(driver, op);
  TekIdentity id;
  id.CnxVisible = false;
  id.nNm09 = 2;
  dev.PAd = 3;
  EXPECT_FALSE(GetTekIdent(dev, id));  // nothing there: only the red label changes
  EXPECT_TRUE(id.CnxVisible);
  EXPECT_EQ(id.nNm09, 2);
  EXPECT_EQ(id.Typ, "Tek/124x");
  EXPECT_TRUE(op.messages.empty());

  dev.PAd = 7;
  driver.analyser().faults().replyTimeout = true;
  EXPECT_TRUE(GetTekIdent(dev, id));  // it is there but says nothing
  EXPECT_FALSE(id.CnxVisible);
  EXPECT_EQ(id.nNm09, 2);
  EXPECT_EQ(id.Cards[0], "none");
  EXPECT_EQ(id.Reply, "");
  EXPECT_FALSE(dev.Connected);
}
