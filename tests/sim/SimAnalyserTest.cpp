// The simulated analyser's command set, memories, faults and power-up captures, through its
// bus side. Reading the memories and writing them whole is checked end to end by the transfer
// tests.
#include <gtest/gtest.h>

#include <chrono>

#include "link/DeviceConnection.h"
#include "link/TekIdent.h"
#include "memory/HexCodec.h"
#include "model/AcqModel.h"
#include "sim/SimDriver.h"
#include "support/RecordingOperator.h"

// A bad checksum, a frame outside the memory, a malformed frame: nothing of the write stored.
// Frames wait for their LOAD; a LOAD with nothing held does nothing; frames not from address
// 0 are refused; a device clear forgets frames never loaded.
TEST(SimAnalyser, StoresOnlyWholeValidWritesAndHoldsFramesUntilLoaded) {
  SimAnalyser sim;
  auto setup = sim.setupMemory();
  std::array<uint8_t, kSetupImageSize> mine{};
  mine.fill(0xA5);
  std::string bad = Mem2Hex(mine, kSetupBase, 0, 60);
  bad[bad.size() - 2] = bad[bad.size() - 2] == '0' ? '1' : '0';
  std::vector<uint8_t> capture(700);
  for (size_t i = 0; i < capture.size(); ++i) capture[i] = static_cast<uint8_t>(i * 7);
  for (const std::string& command :
       {"INSET " + bad, "INSET " + Mem2Hex(mine, kSetupBase, 900, 30), std::string("INSET #H0501"),
        "ACQMEM " + Mem2Hex(capture, 0, 0, 700), std::string("LOAD REFMEM"),
        "REFMEM " + Mem2Hex(capture, 0, 48, 100), std::string("LOAD REFMEM"),
        "INSET " + Mem2Hex(mine, kSetupBase, 900, 22), std::string("LOAD ACQMEM")}) {
    ASSERT_TRUE(sim.write(command));
  }
  EXPECT_EQ(sim.rejectedWrites(), 4);
  std::fill_n(setup.begin() + 900, 22, uint8_t{0xA5});  // the last write ends at the last byte
  EXPECT_EQ(sim.setupMemory(), setup);
  EXPECT_EQ(sim.refLength(), 3539);
  EXPECT_EQ(sim.acqLength(), 700);
  EXPECT_EQ(sim.acqMemory()[700], 0);  // the rest of the old capture is gone
  ASSERT_TRUE(sim.write("ACQMEM " + Mem2Hex(capture, 0, 0, 10)));
  sim.deviceClear();
  ASSERT_TRUE(sim.write("LOAD ACQMEM") && sim.write("ACQMEM?"));
  EXPECT_EQ(sim.read(), Mem2Hex(capture, 0, 0, 700));
}

// Status bits and NI error codes; a read shorter than the reply leaves the rest for the next.
TEST(SimDriver, StatusWordsAndErrorCodes) {
  SimDriver driver;
  SimAnalyser& sim = driver.analyser();
  const auto failsWith = [&driver](int16_t error) {
    return driver.status().failed() && driver.status().iberr == error;
  };
  const int16_t ud = driver.ibdev(0, 7, 0, 13, 1, 0);
  driver.ibwrt(ud, "ID?");
  char buffer[64];
  driver.ibrd(ud, buffer, 16);
  EXPECT_EQ(driver.status().ibsta, SimDriver::kCmpl);
  driver.ibrd(ud, buffer + 16, 48);
  EXPECT_EQ(driver.status().ibsta, SimDriver::kCmpl | SimDriver::kEnd);
  EXPECT_EQ(std::string(buffer, 16 + static_cast<size_t>(driver.status().ibcntl)), sim.identity());
  driver.ibrd(ud, buffer, 64);  // nothing left: timeout
  EXPECT_TRUE(failsWith(SimDriver::kEabo));
  driver.ibonl(ud, 0);
  driver.ibloc(ud);  // the descriptor is gone
  EXPECT_TRUE(failsWith(SimDriver::kEdvr));
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

// Identified by its cards; the capture reads back and, headed, still fits one read.
TEST(DemoAcquisition, EveryMixOfCardsIsIdentifiedFitsOneReadAndReadsBack) {
  SimDriver driver;
  RecordingOperator op;
  DeviceConnection dev(driver, op);
  SimAnalyser& sim = driver.analyser();
  sim.setReplyStyle(SimReplyStyle::Headed);
  const char* names[] = {"None", " 9 bits card", "18 bits card"};
  const int32_t rows[] = {0, 65, 65, 65, 65, 65, 65, 60, 52};  // by pods present
  for (int code = 0; code < 81; ++code) {
    const std::array<int, 4> slots{code % 3, code / 3 % 3, code / 9 % 3, code / 27 % 3};
    const auto n9 = static_cast<int>(std::count(slots.begin(), slots.end(), 1));
    const auto n18 = static_cast<int>(std::count(slots.begin(), slots.end(), 2));
    sim.setSlots(slots);
    SCOPED_TRACE(code);
    TekIdentity id;
    ASSERT_TRUE(GetTekIdent(dev, id));
    for (size_t k = 0; k < 4; ++k) EXPECT_EQ(id.Cards[k], names[slots[k]]);
    AcqModel m(sim.acqMemory());
    EXPECT_EQ(id.nNm09 * 10 + id.nNm18, n9 * 10 + n18);
    EXPECT_EQ(m.Cards9() * 10 + m.Cards18(), n9 * 10 + n18);
    EXPECT_EQ(614 + m.BuildPodOffsets(), sim.acqLength());
    ASSERT_TRUE(sim.write("ACQMEM?"));
    EXPECT_LE(sim.read()->size(), 10000u);
    int present = 0;  // 9-bit cards fill the even pods first, then 18-bit cards two each
    for (int16_t pod = 0; pod < 8; ++pod) {
      const bool twoBit = pod < 2 * n9, used = twoBit ? pod % 2 == 0 : pod < 2 * (n9 + n18);
      EXPECT_EQ(!m.PodAbsent(pod), used) << pod;
      present += used;  // the trigger lies inside every capture
      if (used) {
        EXPECT_TRUE(m.PodTwoBit(pod) == twoBit && m.PodStart(pod) <= 256 && m.PodEnd(pod) >= 256)
            << pod;
      }
    }
    EXPECT_EQ(present, n9 + 2 * n18);
    EXPECT_EQ(m.MaxPodLength(), rows[present]);
  }
}
