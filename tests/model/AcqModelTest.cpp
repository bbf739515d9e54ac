#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>

#include "memory/DefaultImages.h"
#include "memory/MemoryImages.h"
#include "model/AcqModel.h"

namespace {
using List = std::initializer_list<int16_t>;
using Image = std::array<uint8_t, kAcqImageSize>;

void putWord(Image& m, size_t at, uint32_t w) {
  m[at] = static_cast<uint8_t>(w & 0xFF);
  m[at + 1] = static_cast<uint8_t>(w >> 8);
}

// The built-in demonstration acquisition with an empty sample area.
std::unique_ptr<Image> exampleHeader() {
  MemoryImages images;
  LoadDefaultImages(images, nullptr);
  auto m = std::make_unique<Image>(images.AcqMem);
  std::fill(m->begin() + AcqModel::kSampleArea, m->end(), uint8_t{0});
  return m;
}

class AcqModelTest : public ::testing::Test {
 protected:
  std::unique_ptr<Image> m = exampleHeader();
  AcqModel acq{*m};
};
}  // namespace

TEST_F(AcqModelTest, WorkedExampleHeader) {
  EXPECT_EQ(acq.PodOffset(), (std::array<int32_t, 8>{0, -1, 585, 1170, 1755, 2340, -1, -1}));
  EXPECT_EQ(acq.PodStart(0), 256);
  for (int16_t pod : List{2, 3, 4, 5}) EXPECT_EQ(acq.PodStart(pod), 0);
  for (int16_t pod : List{0, 2, 3, 4, 5}) {
    EXPECT_EQ(acq.PodEnd(pod), 512);
    EXPECT_EQ(acq.PodLength(pod), 65);
    EXPECT_FALSE(acq.PodAbsent(pod));
  }
  for (int16_t pod : List{1, 6, 7}) {
    EXPECT_TRUE(acq.PodAbsent(pod));
    EXPECT_EQ(acq.PodStart(pod), -8);  // length 0 and count 0
  }
  EXPECT_TRUE(acq.PodTwoBit(0));
  EXPECT_FALSE(acq.PodTwoBit(2));
  EXPECT_TRUE(acq.Triggered());
  EXPECT_EQ(acq.SamplePeriod(), 20);
  EXPECT_EQ(acq.Cards9(), 1.0);
  EXPECT_EQ(acq.Cards18(), 2.0);
  EXPECT_EQ(acq.MaxPodLength(), 65);
  EXPECT_EQ(acq.BuildPodOffsets(), 2925);
}

TEST_F(AcqModelTest, StartAndEndCounts) {
  EXPECT_EQ(acq.PodStart(0), 256);  // 0xFF00
  putWord(*m, 530, 0);
  EXPECT_EQ(acq.PodStart(0), 512);
  putWord(*m, 530, 0xFE00);
  EXPECT_EQ(acq.PodStart(0), 0);
  putWord(*m, 546, 0xFFFF);
  EXPECT_EQ(acq.PodEnd(0), 511);
}

TEST_F(AcqModelTest, PodsOutsideTheCardsReadAsAbsent) {
  for (int16_t pod : List{-1, 8, 100}) {
    EXPECT_TRUE(acq.PodAbsent(pod));
    EXPECT_EQ(acq.PodLength(pod), 0);
    EXPECT_EQ(acq.AcqWord(pod, 600), 0);
    EXPECT_EQ(acq.PodSampleByte(pod, 0, 0), 0.0);
    EXPECT_FALSE(acq.Level(pod, 0, 0).has_value());
  }
}

TEST_F(AcqModelTest, DoubleRateBelongsToTheNineBitPods) {
  (*m)[579] = 0;
  for (int16_t pod = 0; pod < 8; ++pod) EXPECT_FALSE(acq.PodTwoBit(pod)) << pod;
  (*m)[579] = 1;
  for (int16_t pod = 0; pod < 8; ++pod) EXPECT_EQ(acq.PodTwoBit(pod), pod < 2) << pod;
  (*m)[583] = 0;
  EXPECT_FALSE(acq.PodTwoBit(0));
  (*m)[583] = 2;
  EXPECT_TRUE(acq.PodTwoBit(3));
  EXPECT_FALSE(acq.PodTwoBit(4));
}

TEST_F(AcqModelTest, SamplePeriodCodes) {
  // Codes run 10, 20, 50 ns ... up to 1 s; past the end there is no period.
  for (auto [code, period] : {std::pair<uint8_t, int32_t>{0, 10},
                              {2, 50},
                              {3, 100},
                              {13, 200000},
                              {17, 5000000},
                              {24, 1000000000}}) {
    (*m)[581] = code;
    EXPECT_EQ(acq.SamplePeriod(), period) << int{code};
  }
  (*m)[581] = 25;
  EXPECT_EQ(acq.SamplePeriod(), 0);
  (*m)[581] = 24;
  (*m)[580] = 1;
  EXPECT_EQ(acq.SamplePeriod(), 0);  // synchronous clock
  (*m)[580] = 2;
  EXPECT_EQ(acq.SamplePeriod(), 1000000000);
  (*m)[574] = 3;
  EXPECT_FALSE(acq.Triggered());
}

TEST_F(AcqModelTest, MaxPodLengthCountsOnlyPresentPods) {
  putWord(*m, 514 + 2, 900);  // pod 1 is absent: its length does not count
  EXPECT_EQ(acq.MaxPodLength(), 65);
  putWord(*m, 514 + 10, 66);
  EXPECT_EQ(acq.MaxPodLength(), 66);
  for (size_t pod = 0; pod < 8; ++pod) (*m)[562 + pod] = 1;
  EXPECT_EQ(acq.MaxPodLength(), 0);
}

TEST_F(AcqModelTest, SampleBytesStayInsideTheirRow) {
  const size_t pod2 = 614 + 585;
  (*m)[pod2 + 3 * 65 + 64] = 0xA5;  // last byte of channel 3's row
  (*m)[pod2 + 4 * 65] = 0x5A;       // first byte of channel 4's row
  EXPECT_EQ(acq.PodSampleByte(2, 3, 64), 0xA5);
  EXPECT_EQ(acq.PodSampleByte(2, 4, 0), 0x5A);
  // k equal to the pod length, negative indices, a channel past 8, an absent pod.
  for (auto [pod, ch, k] : {std::tuple<int16_t, int16_t, int32_t>{2, 3, 65},
                            {2, 3, -1},
                            {2, 9, 0},
                            {2, -1, 0},
                            {1, 0, 0}}) {
    EXPECT_EQ(acq.PodSampleByte(pod, ch, k), 0.0) << pod << " " << ch << " " << k;
  }
}

TEST_F(AcqModelTest, SampleAddressingOfTheWorkedExample) {
  const size_t pod0 = 614, pod2 = 614 + 585;

  // Pod 2, one bit per sample from sample 0: bit 7 of byte 0, then byte 1 from bit 0.
  (*m)[pod2] = 0x80;
  EXPECT_EQ(acq.Level(2, 0, 0), true);
  EXPECT_EQ(acq.Level(2, 0, 1), false);
  (*m)[pod2] = 0x7F;
  (*m)[pod2 + 1] = 0x01;
  EXPECT_EQ(acq.Level(2, 0, 0), false);
  EXPECT_EQ(acq.Level(2, 0, 1), true);
  EXPECT_EQ(acq.Level(2, 0, 2), false);
  (*m)[pod2 + 64] = 0x80;
  EXPECT_EQ(acq.Level(2, 0, 512), true);  // the last sample: bit 7 of the last byte
  EXPECT_FALSE(acq.Level(2, 0, 513).has_value());
  EXPECT_FALSE(acq.Level(2, 0, -1).has_value());

  // Pod 0, two bits per sample from sample 256: bit 7 of byte 0, then the odd bits of byte 1.
  (*m)[pod0] = 0x80;
  EXPECT_EQ(acq.Level(0, 0, 256), true);
  (*m)[pod0] = 0x7F;  // the earlier bits of the pair do not count
  EXPECT_EQ(acq.Level(0, 0, 256), false);
  (*m)[pod0 + 1] = 0x01;
  EXPECT_EQ(acq.Level(0, 0, 257), false);
  (*m)[pod0 + 1] = 0x02;
  EXPECT_EQ(acq.Level(0, 0, 257), true);
  (*m)[pod0 + 1] = 0x80;
  EXPECT_EQ(acq.Level(0, 0, 260), true);
  (*m)[pod0 + 2] = 0x02;
  EXPECT_EQ(acq.Level(0, 0, 261), true);
  const auto bits = acq.SampleAt(0, 0, 261);
  ASSERT_TRUE(bits.has_value());
  EXPECT_EQ(bits->mask, 0x02);
  EXPECT_FALSE(bits->pairedBit());
  EXPECT_FALSE(acq.Level(0, 0, 255).has_value());  // pod 0 has no sample 255

  // The same channel of another row is another byte.
  (*m)[pod0 + 65 * 8] = 0x80;
  EXPECT_EQ(acq.Level(0, 8, 256), true);
  EXPECT_EQ(acq.Level(0, 7, 256), false);
  EXPECT_FALSE(acq.Level(1, 0, 256).has_value());  // absent pod
}

// A crafted header describes pods far larger than the image; every read must stay inside it.
// The example's 2925 bytes of five pod blocks; a longer data length or longer pods announce
// more, absent pods nothing.
TEST_F(AcqModelTest, AnnouncedBytesReachToTheDataLengthOrTheLastBlock) {
  EXPECT_EQ(acq.AnnouncedBytes(), 614 + 2925);
  putWord(*m, 600, 4000);
  EXPECT_EQ(acq.AnnouncedBytes(), 614 + 4000);
  putWord(*m, 600, 0);
  putWord(*m, 514 + 2 * 5, 0xFFFF);
  EXPECT_EQ(acq.AnnouncedBytes(), 614 + 4 * 585 + 9 * 0xFFFF);
  (*m)[562 + 5] = 1;
  EXPECT_EQ(acq.AnnouncedBytes(), 614 + 4 * 585);
}

TEST(AcqModel, HugeCraftedPodsNeverReadOutsideTheImage) {
  auto m = std::make_unique<Image>();
  for (size_t pod = 0; pod < 8; ++pod) {
    putWord(*m, 514 + 2 * pod, 65535);
    putWord(*m, 530 + 2 * pod, 1);  // the earliest start the formula allows
  }
  (*m)[579] = 1;
  (*m)[583] = 255;
  m->back() = 0xFF;  // the image's last byte
  AcqModel acq(*m);
  EXPECT_EQ(acq.PodOffset()[7], 7 * 9 * 65535);  // no 16-bit wrap
  EXPECT_EQ(acq.MaxPodLength(), 65535);
  EXPECT_EQ(acq.PodStart(0), 65534 * 8 - 65535);
  EXPECT_EQ(acq.PodEnd(7), 65534 * 8);

  // Byte 25000 is the last one inside: pod 0 channel 0 byte k sits at 614 + k.
  EXPECT_EQ(acq.PodSampleByte(0, 0, 25000 - 614), 255.0);
  EXPECT_EQ(acq.PodSampleByte(0, 0, 25001 - 614), 0.0);
  for (int16_t pod = 0; pod < 8; ++pod) {
    for (int16_t ch = 0; ch < 9; ++ch) {
      for (int32_t k : {0, 32767, 65534}) {
        const double b = acq.PodSampleByte(pod, ch, k);
        EXPECT_GE(b, 0.0);
        EXPECT_LE(b, 255.0);
      }
      EXPECT_TRUE(acq.Level(pod, ch, acq.PodEnd(pod)).has_value());
      EXPECT_TRUE(acq.Level(pod, ch, acq.PodStart(pod)).has_value());
    }
  }
}
