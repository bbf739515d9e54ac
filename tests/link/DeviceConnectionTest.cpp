// The connection with the analyser, on the simulated analyser; the transfers use it end to end.
#include <gtest/gtest.h>

#include "link/DeviceConnection.h"
#include "link/TekIdent.h"
#include "sim/SimDriver.h"
#include "support/RecordingOperator.h"

namespace {
using Transcript = std::vector<std::string>;

template <typename Driver = SimDriver>
struct Bus {
  Driver driver;
  RecordingOperator op;
  DeviceConnection dev{driver, op};
  SimFaults& faults() { return driver.analyser().faults(); }
  Transcript& transcript() { return driver.analyser().transcript(); }
};

// A driver that claims to have received more than it was given room for.
class BoastingDriver : public SimDriver {
 public:
  const GpibStatus& status() const override {
    boast_ = SimDriver::status();
    if (!boast_.failed()) boast_.ibcntl += 50000;
    return boast_;
  }

 private:
  mutable GpibStatus boast_;
};
}  // namespace

// Opening, writing, reading and closing, with or without an analyser at the address, are
// checked end to end by the transfers' transcripts; a board that does not exist fails at once.
TEST(DeviceConnection, NoSuchBoardFailsSilentlyAtTheFirstCall) {
  Bus bus;
  bus.dev.Board = 1;
  EXPECT_FALSE(bus.dev.DevOpen());
  EXPECT_FALSE(bus.dev.Connected || bus.dev.DriverMissing);
  EXPECT_EQ(bus.transcript(), Transcript{"ibdev 1 7 0"});
  EXPECT_TRUE(bus.op.messages.empty());
}

TEST(DeviceConnection, ACountBeyondTheBufferIsNeverBelieved) {
  Bus<BoastingDriver> bus;
  ASSERT_TRUE(bus.dev.DevWrite("ID?"));
  EXPECT_EQ(bus.dev.DevRead().size(), 10000u);
}

// The parser on replies with fields missing, short or unknown. The identity starts with slots
// a..d and 5 cards of each kind, which stay where the reply names nothing.
TEST(ParseTekIdent, FieldsAreReadWhereTheyAreFound) {
  const struct {
    const char *reply, *typ, *sys, *comm, *cards;
    int counts;  // 9-bit cards * 10 + 18-bit cards
  } cases[] = {
      {"TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:2,3,x,1", "TEK/1241", "2.1", "1.4", "18|b|c| 9", 11},
      {"TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:1,0", "TEK/1241", "2.1", "1.4", " 9|None|c|d", 10},
      {"TEK/1240 SYS: 1.1 COMM: 1.2", "TEK/1240", "1.1", "1.2", "a|b|c|d", 55},
      {"xxTEK/12", "TEK/12", "___", "___", "a|b|c|d", 55},
      // No "TEK": "SYS:" is searched from position 9; no "SYS:": "COMM:" from position 5.
      {"ABCDEFGHSYS: 9.9 COMM: 8.8", "Tek/124x", "9.9", "8.8", "a|b|c|d", 55},
      {"SYS: 9.9", "Tek/124x", "___", "___", "a|b|c|d", 55},
      {"TEK/1241 COMM: 3.3 ACQ:2,0,0,0", "TEK/1241", "___", "3.3", "18|None|None|None", 1}};
  for (const auto& c : cases) {
    TekIdentity id;
    id.Cards = {"a", "b", "c", "d"};
    id.nNm09 = id.nNm18 = 5;
    ParseTekIdent(c.reply, id);
    std::string cards;  // " 9 bits card" shown as " 9"
    for (const std::string& card : id.Cards) cards += "|" + card.substr(0, card.find(" bits card"));
    EXPECT_EQ(id.Typ + " " + id.Ver[0] + " " + id.Ver[1] + " " + cards.substr(1),
              std::string(c.typ) + " " + c.sys + " " + c.comm + " " + c.cards)
        << c.reply;
    EXPECT_EQ(id.nNm09 * 10 + id.nNm18, c.counts) << c.reply;
  }
}

// Every mix of cards is identified with the simulator's captures, in the simulator's tests.
TEST(GetTekIdent, NoAnalyserOrNoAnswer) {
  Bus bus;
  // Nothing there: only the red label changes. There but silent: the label goes.
  TekIdentity id;
  id.CnxVisible = false;
  id.nNm09 = 2;
  bus.dev.PAd = 3;
  EXPECT_FALSE(GetTekIdent(bus.dev, id));
  EXPECT_TRUE(id.CnxVisible);
  EXPECT_EQ(id.Typ, "Tek/124x");
  bus.dev.PAd = 7;
  bus.faults().replyTimeout = true;
  EXPECT_TRUE(GetTekIdent(bus.dev, id));
  EXPECT_FALSE(id.CnxVisible);
  EXPECT_EQ(id.nNm09, 2);
  EXPECT_EQ(id.Cards[0], "none");
  EXPECT_TRUE(bus.op.messages.empty());
}
