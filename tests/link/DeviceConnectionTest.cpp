// The connection with the analyser, on the simulated analyser. Long replies cut at 10000
// characters are checked through the transfers and the system driver.
#include <gtest/gtest.h>

#include "link/DeviceConnection.h"
#include "sim/SimDriver.h"
#include "support/RecordingOperator.h"

namespace {
using Transcript = std::vector<std::string>;

struct Bus {
  SimDriver driver;
  RecordingOperator op;
  DeviceConnection dev{driver, op};
  SimAnalyser& sim() { return driver.analyser(); }
  Transcript& transcript() { return sim().transcript(); }
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

TEST(DeviceConnection, OpenClearsTheDeviceAndSendsXX) {
  Bus bus;
  EXPECT_TRUE(bus.dev.DevOpen());
  EXPECT_TRUE(bus.dev.Connected);
  EXPECT_EQ(bus.transcript(), (Transcript{"ibdev 0 7 0", "ibclr", "ibwrt XX"}));
  EXPECT_TRUE(bus.dev.DevWrite("ID?"));
  EXPECT_EQ(bus.dev.DevRead(), "TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:1,2,2,0");
  bus.dev.DevClose();
  EXPECT_FALSE(bus.dev.Connected);
  bus.dev.DevClose();  // a second close takes nothing offline again
  EXPECT_EQ(bus.transcript(), (Transcript{"ibdev 0 7 0", "ibclr", "ibwrt XX", "ibwrt ID?",
                                          "ibrd 10000", "ibloc", "ibonl 0"}));
  EXPECT_TRUE(bus.op.messages.empty());
}

TEST(DeviceConnection, NoAnalyserAtTheAddressFailsSilently) {
  {  // nothing at the primary address: the device clear finds no listener
    Bus bus;
    bus.dev.PAd = 9;
    EXPECT_FALSE(bus.dev.DevOpen());
    EXPECT_FALSE(bus.dev.Connected);
    EXPECT_EQ(bus.transcript(), (Transcript{"ibdev 0 9 0", "ibclr"}));
    // A write on the closed connection tries to open it again and fails without a word.
    EXPECT_FALSE(bus.dev.DevWrite("ID?"));
    EXPECT_EQ(bus.dev.DevRead(), "");
    bus.dev.DevClose();  // nothing to close: no ibloc, no ibonl
    EXPECT_EQ(bus.transcript(), (Transcript{"ibdev 0 9 0", "ibclr", "ibdev 0 9 0", "ibclr"}));
    EXPECT_TRUE(bus.op.messages.empty());
    EXPECT_FALSE(bus.dev.DriverMissing);
  }
  {  // no such board: the open call itself fails
    Bus bus;
    bus.dev.Board = 1;
    EXPECT_FALSE(bus.dev.DevOpen());
    EXPECT_EQ(bus.transcript(), (Transcript{"ibdev 1 7 0"}));
  }
  {  // wrong secondary address, and a device that has gone away
    Bus bus;
    bus.dev.SAd = 96;
    EXPECT_FALSE(bus.dev.DevOpen());
    bus.dev.SAd = 0;
    bus.sim().faults().noDevice = true;
    EXPECT_FALSE(bus.dev.DevOpen());
    bus.sim().faults().noDevice = false;
    EXPECT_TRUE(bus.dev.DevOpen());
  }
}

TEST(DeviceConnection, FailedWriteClosesWithoutTakingTheDeviceOffline) {
  Bus bus;
  ASSERT_TRUE(bus.dev.DevOpen());
  bus.sim().faults().failWriteNumber = 2;  // "XX" was the first
  EXPECT_FALSE(bus.dev.DevWrite("ID?"));
  EXPECT_FALSE(bus.dev.Connected);
  EXPECT_EQ(bus.dev.DevRead(), "");  // no read is even attempted
  bus.dev.DevClose();
  EXPECT_EQ(bus.transcript(), (Transcript{"ibdev 0 7 0", "ibclr", "ibwrt XX", "ibwrt ID?"}));
  // The next write opens a fresh connection by itself.
  bus.sim().faults().failWriteNumber = 0;
  EXPECT_TRUE(bus.dev.DevWrite("ID?"));
  EXPECT_TRUE(bus.dev.Connected);
  EXPECT_EQ(bus.dev.DevRead().substr(0, 8), "TEK/1241");
}

TEST(DeviceConnection, ReadsTimeOutToEmptyTextAndKeepTheConnection) {
  Bus bus;
  ASSERT_TRUE(bus.dev.DevOpen());
  EXPECT_EQ(bus.dev.DevRead(), "");  // nothing asked, nothing to read
  EXPECT_TRUE(bus.dev.DevWrite("FOO?"));
  EXPECT_EQ(bus.dev.DevRead(), "");  // a query the analyser does not answer
  EXPECT_TRUE(bus.dev.Connected);    // a timeout does not close the connection
  bus.sim().faults().replyTimeout = true;
  EXPECT_TRUE(bus.dev.DevWrite("ID?"));
  EXPECT_EQ(bus.dev.DevRead(), "");
}

TEST(DeviceConnection, ACountBeyondTheBufferIsNeverBelieved) {
  BoastingDriver driver;
  RecordingOperator op;
  DeviceConnection dev(driver, op);
  ASSERT_TRUE(dev.DevOpen());
  ASSERT_TRUE(dev.DevWrite("ID?"));
  EXPECT_EQ(dev.DevRead().size(), 10000u);
}
