// The simulated analyser's power-up capture must read back sensibly through the
// acquisition model, for every mix of cards.
#include <gtest/gtest.h>

#include <memory>

#include "memory/DefaultImages.h"
#include "memory/HexCodec.h"
#include "memory/MemoryImages.h"
#include "model/AcqModel.h"
#include "sim/DemoAcquisition.h"
#include "sim/SimAnalyser.h"

namespace {
using Image = std::array<uint8_t, kAcqImageSize>;
}  // namespace

// The header is the built-in acquisition's, whose reading the model tests check in detail.
TEST(DemoAcquisition, DefaultCardsGiveTheBuiltInHeader) {
  auto image = std::make_unique<Image>();
  EXPECT_EQ(DemoAcquisition::Build({1, 2, 2, 0}, 256, 0, *image), 3539);
  MemoryImages images;
  LoadDefaultImages(images, nullptr);
  EXPECT_TRUE(
      std::equal(image->begin(), image->begin() + AcqModel::kSampleArea, images.AcqMem.begin()));
}

TEST(DemoAcquisition, EveryMixOfCardsFitsOneReadAndReadsBackSensibly) {
  auto image = std::make_unique<Image>();
  for (int code = 0; code < 81; ++code) {
    const std::array<int, 4> slots{code % 3, code / 3 % 3, code / 9 % 3, code / 27 % 3};
    const auto n9 = static_cast<int>(std::count(slots.begin(), slots.end(), 1));
    const auto n18 = static_cast<int>(std::count(slots.begin(), slots.end(), 2));
    const int16_t length = DemoAcquisition::Build(slots, 256, 0, *image);
    AcqModel m(*image);
    SCOPED_TRACE(code);
    EXPECT_EQ(m.Cards9(), n9);
    EXPECT_EQ(m.Cards18(), n18);
    EXPECT_EQ(614 + m.BuildPodOffsets(), length);
    // The whole memory goes out in one read.
    EXPECT_LE(Mem2Hex(*image, 0, 0, length).size(), 10000u);
    int present = 0;
    for (int16_t pod = 0; pod < 8; ++pod) {
      const bool expected = pod < 2 * n9 ? pod % 2 == 0 : pod < 2 * (n9 + n18);
      ASSERT_EQ(!m.PodAbsent(pod), expected) << pod;
      if (m.PodAbsent(pod)) continue;
      ++present;
      EXPECT_EQ(m.PodTwoBit(pod), pod < 2 * n9);
      EXPECT_LE(m.PodStart(pod), 256);  // the trigger lies inside the capture
      EXPECT_GE(m.PodEnd(pod), 256);
      for (int16_t c = 0; c < 9; ++c) {
        EXPECT_TRUE(m.Level(pod, c, m.PodEnd(pod)).has_value());
      }
    }
    EXPECT_EQ(present, n9 + 2 * n18);
    if (n18 == 4) {
      EXPECT_EQ(m.PodLength(0), DemoAcquisition::PodLengthFor(8));
    }
  }
  for (int16_t bytes : std::array<int16_t, 7>{1, 47, 48, 49, 922, 3539, 4358}) {
    EXPECT_EQ(DemoAcquisition::FrameTextLength(bytes),
              static_cast<int32_t>(Mem2Hex(*image, 0, 0, bytes).size()))
        << bytes;
  }
  EXPECT_EQ(DemoAcquisition::PodLengthFor(5), 65);
  EXPECT_EQ(DemoAcquisition::PodLengthFor(8), 52);
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

TEST(DemoAcquisition, SimulatorStartsWithItAndReferenceDiffers) {
  SimAnalyser sim;
  EXPECT_EQ(sim.acqLength(), 3539);
  EXPECT_EQ(sim.refLength(), 3539);
  EXPECT_NE(sim.acqMemory(), sim.refMemory());
  sim.setSlots({0, 0, 0, 0});
  EXPECT_EQ(sim.acqLength(), 614);
  AcqModel m(sim.acqMemory());
  EXPECT_EQ(m.MaxPodLength(), 0);
  sim.setSlots({2, 2, 2, 2});
  EXPECT_EQ(sim.acqLength(), 614 + 8 * 9 * 52);
}
