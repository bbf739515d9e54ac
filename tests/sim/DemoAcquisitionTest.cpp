// The simulated analyser's power-up capture must read back sensibly through the
// acquisition model, for every mix of cards.
#include <gtest/gtest.h>

#include <memory>

#include "link/DeviceConnection.h"
#include "link/TekIdent.h"
#include "memory/DefaultImages.h"
#include "memory/HexCodec.h"
#include "memory/MemoryImages.h"
#include "model/AcqModel.h"
#include "sim/DemoAcquisition.h"
#include "sim/SimAnalyser.h"
#include "sim/SimDriver.h"
#include "support/RecordingOperator.h"

namespace {
using Image = std::array<uint8_t, kAcqImageSize>;
}  // namespace

// With the default cards the header is the built-in acquisition's, which the model tests read.
TEST(DemoAcquisition, DefaultCardsGiveTheBuiltInHeader) {
  auto image = std::make_unique<Image>();
  EXPECT_EQ(DemoAcquisition::Build({1, 2, 2, 0}, 256, 0, *image), 3539);
  MemoryImages images;
  LoadDefaultImages(images, nullptr);
  EXPECT_TRUE(
      std::equal(image->begin(), image->begin() + AcqModel::kSampleArea, images.AcqMem.begin()));
  SimAnalyser sim;  // the simulator starts with it; its reference differs
  EXPECT_EQ(sim.acqLength() + sim.refLength(), 2 * 3539);
  EXPECT_NE(sim.acqMemory(), sim.refMemory());
}

// The analyser is identified by its cards, and its capture reads back sensibly.
TEST(DemoAcquisition, EveryMixOfCardsIsIdentifiedFitsOneReadAndReadsBack) {
  SimDriver driver;
  RecordingOperator op;
  DeviceConnection dev(driver, op);
  SimAnalyser& sim = driver.analyser();
  for (int code = 0; code < 81; ++code) {
    const std::array<int, 4> slots{code % 3, code / 3 % 3, code / 9 % 3, code / 27 % 3};
    const auto n9 = static_cast<int>(std::count(slots.begin(), slots.end(), 1));
    const auto n18 = static_cast<int>(std::count(slots.begin(), slots.end(), 2));
    sim.setSlots(slots);
    SCOPED_TRACE(code);
    TekIdentity id;
    ASSERT_TRUE(GetTekIdent(dev, id));
    const char* names[] = {"None", " 9 bits card", "18 bits card"};
    for (size_t k = 0; k < 4; ++k) EXPECT_EQ(id.Cards[k], names[slots[k]]);
    EXPECT_EQ(id.nNm09 * 10 + id.nNm18, n9 * 10 + n18);
    const AcqModel m(sim.acqMemory());
    EXPECT_EQ(m.Cards9() * 10 + m.Cards18(), n9 * 10 + n18);
    EXPECT_EQ(614 + AcqModel(sim.acqMemory()).BuildPodOffsets(), sim.acqLength());
    const std::string reply = Mem2Hex(sim.acqMemory(), 0, 0, sim.acqLength());
    EXPECT_LE(reply.size(), 10000u);  // the whole memory goes out in one read
    EXPECT_EQ(DemoAcquisition::FrameTextLength(sim.acqLength()),
              static_cast<int32_t>(reply.size()));
    int present = 0;
    for (int16_t pod = 0; pod < 8; ++pod) {
      const bool expected = pod < 2 * n9 ? pod % 2 == 0 : pod < 2 * (n9 + n18);
      ASSERT_EQ(!m.PodAbsent(pod), expected) << pod;
      if (m.PodAbsent(pod)) continue;
      ++present;
      EXPECT_EQ(m.PodTwoBit(pod), pod < 2 * n9);
      EXPECT_LE(m.PodStart(pod), 256);  // the trigger lies inside the capture
      EXPECT_GE(m.PodEnd(pod), 256);
      EXPECT_TRUE(m.Level(pod, 8, m.PodEnd(pod)).has_value());
    }
    EXPECT_EQ(present, n9 + 2 * n18);
    // Rows of 65 bytes while the frames fit one read: 60 for seven pods, 52 for eight.
    const int32_t rows[] = {0, 65, 65, 65, 65, 65, 65, 60, 52};
    EXPECT_EQ(m.MaxPodLength(), rows[present]);
  }
}

TEST(DemoAcquisition, DoubleRatePodsCarryTheEarlierSampleToo) {
  auto image = std::make_unique<Image>();
  DemoAcquisition::Build({1, 0, 0, 0}, 300, 0, *image);
  AcqModel m(*image);
  ASSERT_TRUE(m.PodTwoBit(0));
  int paired = 0;
  for (int32_t s = m.PodStart(0); s <= m.PodEnd(0); ++s) {
    const auto bits = m.SampleAt(0, 8, s);
    ASSERT_TRUE(bits.has_value());
    paired += bits->pairedBit() != bits->high();  // the clock changes within a pair
  }
  EXPECT_GT(paired, 100);
}
