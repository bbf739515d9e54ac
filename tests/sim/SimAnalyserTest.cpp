// The simulated analyser's command set, memories and faults, through its bus side.
#include <gtest/gtest.h>

#include <chrono>

#include "memory/DefaultImages.h"
#include "memory/HexCodec.h"
#include "sim/SimAnalyser.h"
#include "sim/SimDriver.h"

namespace {
std::string ask(SimAnalyser& sim, const std::string& query) {
  EXPECT_TRUE(sim.write(query));
  const auto reply = sim.read();
  return reply.value_or("<timeout>");
}

std::array<uint8_t, kSetupImageSize> defaultSetup() {
  std::array<uint8_t, kSetupImageSize> image{};
  Hex2Mem(DefaultConfigText(), image, kSetupBase, nullptr);
  return image;
}
}  // namespace

TEST(SimAnalyser, AnswersIdentificationFromItsSlots) {
  SimAnalyser sim;
  EXPECT_EQ(ask(sim, "ID?"), "TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:1,2,2,0");
  sim.setSlots({2, 0, 1, 2});
  EXPECT_EQ(ask(sim, "ID?"), "TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:2,0,1,2");
  EXPECT_EQ(sim.cardSlots(), (std::array<int, 4>{2, 0, 1, 2}));
}

TEST(SimAnalyser, SendsItsSetupMemoryAsFramesFromItsBase) {
  SimAnalyser sim;
  const std::string reply = ask(sim, "INSETUP?");
  // It starts with the default setup, sent exactly as the built-in text.
  EXPECT_EQ(reply, DefaultConfigText().substr(6));
  std::array<uint8_t, kSetupImageSize> image{};
  EXPECT_EQ(Hex2Mem(reply, image, kSetupBase, nullptr), 922);
  EXPECT_EQ(image, defaultSetup());
}

TEST(SimAnalyser, StoresSetupFramesAtTheirOwnAddressesInAnyOrder) {
  SimAnalyser sim;
  std::array<uint8_t, kSetupImageSize> mine = defaultSetup();
  for (int i = 471; i < 487; ++i) mine[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
  for (int i = 800; i < 922; ++i) mine[static_cast<size_t>(i)] = 0xA5;
  const auto before = sim.setupMemory();
  ASSERT_TRUE(sim.write("INSET " + Mem2Hex(mine, kSetupBase, 710, 212)));
  ASSERT_TRUE(sim.write("INSET " + Mem2Hex(mine, kSetupBase, 471, 16)));
  for (size_t i = 0; i < 922; ++i) {
    const bool sent = (i >= 471 && i < 487) || i >= 710;
    EXPECT_EQ(sim.setupMemory()[i], sent ? mine[i] : before[i]) << i;
  }
  EXPECT_EQ(sim.rejectedWrites(), 0);

  // A frame with a wrong checksum, or one outside the setup memory, and nothing is stored.
  std::string bad = Mem2Hex(mine, kSetupBase, 0, 60);
  bad[bad.size() - 2] = bad[bad.size() - 2] == '0' ? '1' : '0';
  ASSERT_TRUE(sim.write("INSET " + bad));
  EXPECT_EQ(sim.rejectedWrites(), 1);
  ASSERT_TRUE(sim.write("INSET " + Mem2Hex(mine, kSetupBase, 900, 30)));
  EXPECT_EQ(sim.rejectedWrites(), 2);
  ASSERT_TRUE(sim.write("INSET #H0501"));  // cut short
  EXPECT_EQ(sim.rejectedWrites(), 3);
  EXPECT_EQ(sim.setupMemory()[0], before[0]);
  EXPECT_EQ(sim.setupMemory()[48], before[48]);
  EXPECT_EQ(sim.setupMemory()[921], 0xA5);
}

TEST(SimAnalyser, HoldsMemoryFramesUntilTheyAreLoaded) {
  SimAnalyser sim;
  std::vector<uint8_t> capture(700);
  for (size_t i = 0; i < capture.size(); ++i) capture[i] = static_cast<uint8_t>(i * 7);
  const int16_t acqBefore = sim.acqLength();
  ASSERT_TRUE(sim.write("ACQMEM " + Mem2Hex(capture, 0, 0, 700)));
  EXPECT_EQ(sim.acqLength(), acqBefore);  // not yet
  EXPECT_NE(sim.acqMemory()[1], 7);
  ASSERT_TRUE(sim.write("LOAD ACQMEM"));
  EXPECT_EQ(sim.acqLength(), 700);
  EXPECT_TRUE(std::equal(capture.begin(), capture.end(), sim.acqMemory().begin()));
  EXPECT_EQ(sim.acqMemory()[700], 0);  // the rest of the old capture is gone
  EXPECT_EQ(ask(sim, "ACQMEM?"), Mem2Hex(capture, 0, 0, 700));

  ASSERT_TRUE(sim.write("REFMEM " + Mem2Hex(capture, 0, 0, 100)));
  ASSERT_TRUE(sim.write("LOAD REFMEM"));
  EXPECT_EQ(sim.refLength(), 100);
  EXPECT_EQ(ask(sim, "REFMEM?"), Mem2Hex(capture, 0, 0, 100));
  EXPECT_EQ(sim.acqLength(), 700);

  // A load with nothing held does nothing; frames not from address 0 are refused.
  ASSERT_TRUE(sim.write("LOAD REFMEM"));
  EXPECT_EQ(sim.refLength(), 100);
  ASSERT_TRUE(sim.write("REFMEM " + Mem2Hex(capture, 0, 48, 100)));
  ASSERT_TRUE(sim.write("LOAD REFMEM"));
  EXPECT_EQ(sim.refLength(), 100);
  EXPECT_EQ(sim.rejectedWrites(), 1);
  // A device clear forgets frames that were never loaded.
  ASSERT_TRUE(sim.write("ACQMEM " + Mem2Hex(capture, 0, 0, 10)));
  sim.deviceClear();
  ASSERT_TRUE(sim.write("LOAD ACQMEM"));
  EXPECT_EQ(sim.acqLength(), 700);
}

TEST(SimAnalyser, KeepsTheStatusLineAndTimesOutWithoutAQuery) {
  SimAnalyser sim;
  ASSERT_TRUE(sim.write("DISPLAY 3,1,ASCII,\"Reading Configuration\""));
  EXPECT_EQ(sim.screenLine(), "Reading Configuration");
  ASSERT_TRUE(sim.write("DISPLAY 3,1,ASCII,\"" + std::string(21, ' ') + "\""));
  EXPECT_EQ(sim.screenLine(), std::string(21, ' '));
  EXPECT_FALSE(sim.read().has_value());  // nothing asked
  ASSERT_TRUE(sim.write("XX"));
  EXPECT_FALSE(sim.read().has_value());
  EXPECT_EQ(ask(sim, "TRIG?"), "<timeout>");  // a query it does not know
  // A reply is read once.
  ASSERT_TRUE(sim.write("ID?"));
  EXPECT_TRUE(sim.read().has_value());
  EXPECT_FALSE(sim.read().has_value());
}

TEST(SimDriver, StatusWordsAndTranscript) {
  SimDriver driver;
  SimAnalyser& sim = driver.analyser();
  const int16_t ud = driver.ibdev(0, 7, 0, 13, 1, 0);
  EXPECT_FALSE(driver.status().failed());
  driver.ibclr(ud);
  driver.ibwrt(ud, "ID?");
  EXPECT_EQ(driver.status().ibcntl, 3);
  char buffer[16];
  driver.ibrd(ud, buffer, 16);  // shorter than the reply: the rest waits
  EXPECT_FALSE(driver.status().failed());
  EXPECT_EQ(driver.status().ibsta & SimDriver::kEnd, 0);
  EXPECT_EQ(std::string(buffer, 16), "TEK/1241 SYS: 2.");
  char rest[64];
  driver.ibrd(ud, rest, 64);
  EXPECT_EQ(std::string(rest, static_cast<size_t>(driver.status().ibcntl)),
            "1 COMM: 1.4 ACQ:1,2,2,0");
  EXPECT_NE(driver.status().ibsta & SimDriver::kEnd, 0);
  driver.ibrd(ud, rest, 64);  // nothing left: timeout
  EXPECT_TRUE(driver.status().failed());
  EXPECT_EQ(driver.status().iberr, SimDriver::kEabo);
  driver.ibloc(ud);
  driver.ibonl(ud, 0);
  EXPECT_FALSE(driver.status().failed());
  driver.ibwrt(ud, "ID?");  // the descriptor is gone
  EXPECT_TRUE(driver.status().failed());
  EXPECT_EQ(driver.status().iberr, SimDriver::kEdvr);
  EXPECT_EQ(sim.transcript(),
            (std::vector<std::string>{"ibdev 0 7 0", "ibclr", "ibwrt ID?", "ibrd 16", "ibrd 64",
                                      "ibrd 64", "ibloc", "ibonl 0", "ibwrt ID?"}));

  sim.setAddress(0, 12, 0);
  const int16_t old = driver.ibdev(0, 7, 0, 13, 1, 0);
  driver.ibclr(old);
  EXPECT_EQ(driver.status().iberr, SimDriver::kEnol);
  const int16_t moved = driver.ibdev(0, 12, 0, 13, 1, 0);
  driver.ibclr(moved);
  EXPECT_FALSE(driver.status().failed());
  EXPECT_TRUE(sim.answersAt(0, 12, 0));
  EXPECT_FALSE(sim.answersAt(1, 12, 0));
}

TEST(SimDriver, DelaysEveryCallOnRequest) {
  SimDriver driver;
  driver.analyser().faults().delayMs = 20;
  const auto start = std::chrono::steady_clock::now();
  driver.ibdev(0, 7, 0, 13, 1, 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));
}
