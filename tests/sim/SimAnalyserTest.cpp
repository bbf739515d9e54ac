// The simulated analyser's command set, memories and faults, through its bus side. Reading
// the memories and writing them whole is checked end to end by the transfer tests.
#include <gtest/gtest.h>

#include <chrono>

#include "memory/HexCodec.h"
#include "sim/SimAnalyser.h"
#include "sim/SimDriver.h"

TEST(SimAnalyser, RefusesSetupFramesItCannotStore) {
  SimAnalyser sim;
  const auto before = sim.setupMemory();
  std::array<uint8_t, kSetupImageSize> mine{};
  mine.fill(0xA5);
  // A frame with a wrong checksum, or one outside the setup memory, and nothing is stored.
  std::string bad = Mem2Hex(mine, kSetupBase, 0, 60);
  bad[bad.size() - 2] = bad[bad.size() - 2] == '0' ? '1' : '0';
  for (const std::string& frames : {bad, Mem2Hex(mine, kSetupBase, 900, 30), std::string("#H0501")})
    ASSERT_TRUE(sim.write("INSET " + frames));
  EXPECT_EQ(sim.rejectedWrites(), 3);
  EXPECT_EQ(sim.setupMemory(), before);
  ASSERT_TRUE(sim.write("INSET " + Mem2Hex(mine, kSetupBase, 900, 22)));  // ends at the last byte
  EXPECT_EQ(sim.setupMemory()[921], 0xA5);
  EXPECT_EQ(sim.rejectedWrites(), 3);
}

// Frames wait for their LOAD; a LOAD with nothing held does nothing; frames not from address
// 0 are refused; a device clear forgets frames never loaded.
TEST(SimAnalyser, HoldsMemoryFramesUntilTheyAreLoaded) {
  SimAnalyser sim;
  std::vector<uint8_t> capture(700);
  for (size_t i = 0; i < capture.size(); ++i) capture[i] = static_cast<uint8_t>(i * 7);
  for (const std::string& command :
       {"ACQMEM " + Mem2Hex(capture, 0, 0, 700), std::string("LOAD REFMEM"),
        "REFMEM " + Mem2Hex(capture, 0, 48, 100), std::string("LOAD REFMEM")}) {
    ASSERT_TRUE(sim.write(command));
  }
  EXPECT_EQ(sim.acqLength() + sim.refLength(), 2 * 3539);
  EXPECT_EQ(sim.rejectedWrites(), 1);
  ASSERT_TRUE(sim.write("LOAD ACQMEM"));
  EXPECT_EQ(sim.acqLength(), 700);
  EXPECT_EQ(sim.acqMemory()[700], 0);  // the rest of the old capture is gone
  ASSERT_TRUE(sim.write("ACQMEM " + Mem2Hex(capture, 0, 0, 10)));
  sim.deviceClear();
  ASSERT_TRUE(sim.write("LOAD ACQMEM"));
  ASSERT_TRUE(sim.write("ACQMEM?"));
  EXPECT_EQ(sim.read(), Mem2Hex(capture, 0, 0, 700));
}

// Status bits and NI error codes; a read shorter than the reply leaves the rest for the next.
TEST(SimDriver, StatusWordsAndTranscript) {
  SimDriver driver;
  SimAnalyser& sim = driver.analyser();
  const int16_t ud = driver.ibdev(0, 7, 0, 13, 1, 0);
  driver.ibwrt(ud, "ID?");
  EXPECT_EQ(driver.status().ibcntl, 3);
  char buffer[64];
  driver.ibrd(ud, buffer, 16);
  EXPECT_EQ(driver.status().ibsta, SimDriver::kCmpl);
  driver.ibrd(ud, buffer + 16, 48);
  EXPECT_EQ(driver.status().ibsta, SimDriver::kCmpl | SimDriver::kEnd);
  EXPECT_EQ(std::string(buffer, 16 + static_cast<size_t>(driver.status().ibcntl)), sim.identity());
  const auto failsWith = [&driver](int16_t error) {
    return driver.status().failed() && driver.status().iberr == error;
  };
  driver.ibrd(ud, buffer, 64);  // nothing left: timeout
  EXPECT_TRUE(failsWith(SimDriver::kEabo));
  driver.ibonl(ud, 0);
  driver.ibloc(ud);  // the descriptor is gone
  EXPECT_TRUE(failsWith(SimDriver::kEdvr));
  EXPECT_EQ(sim.transcript(), (std::vector<std::string>{"ibdev 0 7 0", "ibwrt ID?", "ibrd 16",
                                                        "ibrd 48", "ibrd 64", "ibonl 0", "ibloc"}));
  driver.ibdev(1, 7, 0, 13, 1, 0);
  EXPECT_TRUE(failsWith(SimDriver::kEneb));
  sim.setAddress(0, 12, 0);
  driver.ibclr(driver.ibdev(0, 7, 0, 13, 1, 0));  // nothing listens at 7 any more
  EXPECT_TRUE(failsWith(SimDriver::kEnol));

  sim.faults().delayMs = 20;  // every call waits on request
  const auto start = std::chrono::steady_clock::now();
  driver.ibloc(1);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));
}
