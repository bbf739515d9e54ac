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

TEST(DeviceConnection, OpenClearsTheDeviceSendsXXAndCloseTakesItOffline) {
  Bus bus;
  EXPECT_TRUE(bus.dev.DevOpen());
  EXPECT_TRUE(bus.dev.DevWrite("ID?"));
  EXPECT_EQ(bus.dev.DevRead(), "TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:1,2,2,0");
  EXPECT_EQ(bus.dev.DevRead(), "");  // nothing asked: a timeout, and the connection stays
  EXPECT_TRUE(bus.dev.Connected);
  bus.dev.DevClose();
  bus.dev.DevClose();  // a second close takes nothing offline again
  EXPECT_FALSE(bus.dev.Connected);
  EXPECT_EQ(bus.transcript(), (Transcript{"ibdev 0 7 0", "ibclr", "ibwrt XX", "ibwrt ID?",
                                          "ibrd 10000", "ibrd 10000", "ibloc", "ibonl 0"}));
  EXPECT_TRUE(bus.op.messages.empty());
}

// Nothing at the address fails without a word; a write on the closed connection tries to
// open it again, and there is nothing to read or close.
TEST(DeviceConnection, NoAnalyserAtTheAddressFailsSilently) {
  const struct {
    int16_t board, pad, sad;
    bool noDevice;
    Transcript opening;
  } cases[] = {{0, 9, 0, false, {"ibdev 0 9 0", "ibclr"}},
               {1, 7, 0, false, {"ibdev 1 7 0"}},
               {0, 7, 96, false, {"ibdev 0 7 96", "ibclr"}},
               {0, 7, 0, true, {"ibdev 0 7 0", "ibclr"}}};
  for (const auto& c : cases) {
    Bus bus;
    bus.dev.Board = c.board;
    bus.dev.PAd = c.pad;
    bus.dev.SAd = c.sad;
    bus.faults().noDevice = c.noDevice;
    EXPECT_FALSE(bus.dev.DevOpen());
    EXPECT_FALSE(bus.dev.DevWrite("ID?"));
    EXPECT_EQ(bus.dev.DevRead(), "");
    bus.dev.DevClose();
    Transcript twice = c.opening;
    twice.insert(twice.end(), c.opening.begin(), c.opening.end());
    EXPECT_EQ(bus.transcript(), twice);
    EXPECT_FALSE(bus.dev.Connected || bus.dev.DriverMissing);
    EXPECT_TRUE(bus.op.messages.empty());
  }
}

TEST(DeviceConnection, FailedWriteClosesWithoutTakingTheDeviceOfflineAndReopensNextTime) {
  Bus bus;
  bus.faults().failWriteNumber = 2;  // "XX" is the first
  ASSERT_TRUE(bus.dev.DevOpen());
  EXPECT_FALSE(bus.dev.DevWrite("ID?"));
  EXPECT_FALSE(bus.dev.Connected);
  EXPECT_EQ(bus.dev.DevRead(), "");  // no read is even attempted
  bus.dev.DevClose();
  bus.faults().failWriteNumber = 0;
  EXPECT_TRUE(bus.dev.DevWrite("ID?"));
  EXPECT_EQ(bus.transcript(), (Transcript{"ibdev 0 7 0", "ibclr", "ibwrt XX", "ibwrt ID?",
                                          "ibdev 0 7 0", "ibclr", "ibwrt XX", "ibwrt ID?"}));
}

TEST(DeviceConnection, ACountBeyondTheBufferIsNeverBelieved) {
  Bus<BoastingDriver> bus;
  ASSERT_TRUE(bus.dev.DevWrite("ID?"));
  EXPECT_EQ(bus.dev.DevRead().size(), 10000u);
}

// The parser, from replies whose fields are missing, short or unknown; the identity starts
// with slots a..d and counts 5, 5.
TEST(ParseTekIdent, FieldsAreReadWhereTheyAreFound) {
  using Cards = std::array<std::string, 4>;
  const struct {
    const char* reply;
    const char *typ, *sys, *comm;
    Cards cards;
    int16_t n9, n18;
  } cases[] = {
      {"TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:2,3,x,1",
       "TEK/1241",
       "2.1",
       "1.4",
       {"18 bits card", "b", "c", " 9 bits card"},
       1,
       1},  // other codes leave a slot alone
      {"TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:1,0",
       "TEK/1241",
       "2.1",
       "1.4",
       {" 9 bits card", "None", "c", "d"},
       1,
       0},
      {"TEK/1240 SYS: 1.1 COMM: 1.2", "TEK/1240", "1.1", "1.2", {"a", "b", "c", "d"}, 5, 5},
      {"xxTEK/12", "TEK/12", "___", "___", {"a", "b", "c", "d"}, 5, 5},
      // No "TEK": "SYS:" is searched from position 9; no "SYS:": "COMM:" from position 5.
      {"ABCDEFGHSYS: 9.9 COMM: 8.8", "Tek/124x", "9.9", "8.8", {"a", "b", "c", "d"}, 5, 5},
      {"SYS: 9.9", "Tek/124x", "___", "___", {"a", "b", "c", "d"}, 5, 5},
      {"TEK/1241 COMM: 3.3 ACQ:2,0,0,0",
       "TEK/1241",
       "___",
       "3.3",
       {"18 bits card", "None", "None", "None"},
       0,
       1},
  };
  for (const auto& c : cases) {
    TekIdentity id;
    id.Cards = {"a", "b", "c", "d"};
    id.nNm09 = id.nNm18 = 5;
    ParseTekIdent(c.reply, id);
    EXPECT_EQ(id.Typ, c.typ) << c.reply;
    EXPECT_EQ(id.Ver, (std::array<std::string, 2>{c.sys, c.comm})) << c.reply;
    EXPECT_EQ(id.Cards, c.cards) << c.reply;
    EXPECT_EQ(id.nNm09 * 10 + id.nNm18, c.n9 * 10 + c.n18) << c.reply;
  }
}

TEST(GetTekIdent, AsksTheAnalyserAndCountsEveryMixOfCards) {
  Bus bus;
  for (int code = 0; code < 81; ++code) {
    const std::array<int, 4> slots{code % 3, code / 3 % 3, code / 9 % 3, code / 27 % 3};
    bus.driver.analyser().setSlots(slots);
    TekIdentity id;
    ASSERT_TRUE(GetTekIdent(bus.dev, id));
    EXPECT_FALSE(id.CnxVisible);
    const char* names[] = {"None", " 9 bits card", "18 bits card"};
    for (size_t k = 0; k < 4; ++k) EXPECT_EQ(id.Cards[k], names[slots[k]]) << code;
    EXPECT_EQ(id.nNm09, std::count(slots.begin(), slots.end(), 1)) << code;
    EXPECT_EQ(id.nNm18, std::count(slots.begin(), slots.end(), 2)) << code;
  }
  EXPECT_FALSE(bus.dev.Connected);

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
