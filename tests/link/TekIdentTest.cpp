// Identification: the parser on its own, and the whole exchange with the simulated analyser.
#include <gtest/gtest.h>

#include "link/DeviceConnection.h"
#include "link/TekIdent.h"
#include "sim/SimDriver.h"
#include "support/RecordingOperator.h"

using Cards = std::array<std::string, 4>;

TEST(ParseTekIdent, SlotCodesOutsideTheCardsLeaveTheSlotAlone) {
  TekIdentity id;
  id.Cards = {"a", "b", "c", "d"};
  id.nNm09 = 5;
  id.nNm18 = 5;
  // 0, 1 and 2 are cards; anything else leaves the slot's text and the counts alone.
  ParseTekIdent("TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:2,3,x,1", id);
  EXPECT_EQ(id.Cards, (Cards{"18 bits card", "b", "c", " 9 bits card"}));
  EXPECT_EQ(id.nNm09, 1);
  EXPECT_EQ(id.nNm18, 1);

  id.Cards = {"a", "b", "c", "d"};
  ParseTekIdent("TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:1,2", id);  // codes past the end: empty
  EXPECT_EQ(id.Cards, (Cards{" 9 bits card", "18 bits card", "c", "d"}));

  id.nNm09 = 3;
  ParseTekIdent("TEK/1240 SYS: 1.1 COMM: 1.2", id);  // no "ACQ:": counts unchanged
  EXPECT_EQ(id.nNm09, 3);
  EXPECT_EQ(id.nNm18, 1);
}

TEST(ParseTekIdent, TypeAndVersionsFromMissingAndShortFields) {
  const struct {
    const char* reply;
    const char *typ, *sys, *comm;
  } cases[] = {
      {"TEK/1240 SYS: 1.1 COMM: 1.2", "TEK/1240", "1.1", "1.2"},
      {"xxTEK/12", "TEK/12", "___", "___"},  // the type text is as long as the reply allows
      // No "TEK": the "SYS:" search starts at position 9.
      {"ABCDEFGHSYS: 9.9 COMM: 8.8", "Tek/124x", "9.9", "8.8"},
      {"SYS: 9.9", "Tek/124x", "___", "___"},
      // No "SYS:": "COMM:" is searched from position 5.
      {"TEK/1241 COMM: 3.3 ACQ:2,0,0,0", "TEK/1241", "___", "3.3"},
  };
  for (const auto& c : cases) {
    TekIdentity id;
    ParseTekIdent(c.reply, id);
    EXPECT_EQ(id.Typ, c.typ) << c.reply;
    EXPECT_EQ(id.Ver, (std::array<std::string, 2>{c.sys, c.comm})) << c.reply;
  }
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
    EXPECT_EQ(id.Typ, "TEK/1241");
    EXPECT_EQ(id.Ver, (std::array<std::string, 2>{"2.1", "1.4"}));
    const char* names[] = {"None", " 9 bits card", "18 bits card"};
    for (size_t k = 0; k < 4; ++k) EXPECT_EQ(id.Cards[k], names[slots[k]]) << code;
    EXPECT_EQ(id.nNm09, std::count(slots.begin(), slots.end(), 1)) << code;
    EXPECT_EQ(id.nNm18, std::count(slots.begin(), slots.end(), 2)) << code;
  }
  EXPECT_FALSE(dev.Connected);
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
