#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <optional>

#include "memory/DefaultImages.h"
#include "memory/MemoryImages.h"
#include "model/AcqModel.h"

namespace {
using Image = std::array<uint8_t, kAcqImageSize>;
constexpr size_t kPod0 = 614, kPod2 = 614 + 585;  // sample blocks of the worked example

void putWord(Image& m, size_t at, uint32_t w) {
  m[at] = static_cast<uint8_t>(w & 0xFF);
  m[at + 1] = static_cast<uint8_t>(w >> 8);
}

// The built-in demonstration acquisition (the worked example) with an empty sample area.
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
  const struct {
    int16_t pod;
    int32_t start, end, length;
    bool absent, twoBit;
  } pods[] = {{0, 256, 512, 65, false, true}, {1, -8, -8, 0, true, true},
              {2, 0, 512, 65, false, false},  {5, 0, 512, 65, false, false},
              {7, -8, -8, 0, true, false},    {8, -8, -8, 0, true, false}};
  for (const auto& p : pods) {
    SCOPED_TRACE(p.pod);
    EXPECT_EQ(acq.PodStart(p.pod), p.start);
    EXPECT_EQ(acq.PodEnd(p.pod), p.end);
    EXPECT_EQ(acq.PodLength(p.pod), p.length);
    EXPECT_EQ(acq.PodAbsent(p.pod), p.absent);
    EXPECT_EQ(acq.PodTwoBit(p.pod), p.twoBit);
  }
  EXPECT_TRUE(acq.Triggered());
  EXPECT_EQ(acq.SamplePeriod(), 20);
  EXPECT_EQ(acq.Cards9() + 10 * acq.Cards18(), 21.0);
  EXPECT_EQ(acq.MaxPodLength(), 65);
  EXPECT_EQ(acq.BuildPodOffsets(), 2925);

  // Start and end counts and the other header bytes, each changed on its own, and what they
  // change: words below 574, bytes from there.
  using Read = int32_t (*)(const AcqModel&, int16_t pod);
  const Read start = [](const AcqModel& a, int16_t p) { return a.PodStart(p); };
  const Read end = [](const AcqModel& a, int16_t p) { return a.PodEnd(p); };
  const Read twoBit = [](const AcqModel& a, int16_t p) { return int32_t{a.PodTwoBit(p)}; };
  const Read triggered = [](const AcqModel& a, int16_t) { return int32_t{a.Triggered()}; };
  const Read period = [](const AcqModel& a, int16_t) { return a.SamplePeriod(); };
  const Read longest = [](const AcqModel& a, int16_t) { return a.MaxPodLength(); };
  const struct {
    size_t at;
    uint32_t value;
    Read read;
    int16_t pod;
    int32_t expected;
  } changes[] = {
      {530, 0, start, 0, 512},  {530, 0xFE00, start, 0, 0},   {546, 0xFFFF, end, 0, 511},
      {579, 0, twoBit, 0, 0},   {583, 0, twoBit, 0, 0},       {583, 2, twoBit, 3, 1},
      {583, 2, twoBit, 4, 0},   {574, 3, triggered, 0, 0},    {581, 0, period, 0, 10},
      {581, 2, period, 0, 50},  {581, 13, period, 0, 200000}, {581, 24, period, 0, 1000000000},
      {581, 25, period, 0, 0},  {580, 1, period, 0, 0},      // synchronous clock
      {580, 2, period, 0, 20},  {516, 900, longest, 0, 65},  // pod 1 is absent
      {524, 66, longest, 0, 66}};
  for (const auto& c : changes) {
    const Image saved = *m;
    if (c.at < 574) putWord(*m, c.at, c.value);
    if (c.at >= 574) (*m)[c.at] = static_cast<uint8_t>(c.value);
    EXPECT_EQ(c.read(acq, c.pod), c.expected) << c.at << " = " << c.value << ", pod " << c.pod;
    *m = saved;
  }
  for (size_t pod = 0; pod < 8; ++pod) (*m)[562 + pod] = 1;
  EXPECT_EQ(acq.MaxPodLength(), 0);
}

// Pod 2 takes one bit per sample from sample 0, bit 7 of its first byte first; pod 0 (double
// rate) two bits per sample from sample 256, the odd bit of each pair counting.
TEST_F(AcqModelTest, SampleAddressing) {
  const struct {
    size_t at;
    uint8_t value;
    int16_t pod, channel;
    int32_t s;
    std::optional<bool> level;
  } cases[] = {{kPod2, 0x80, 2, 0, 0, true},          {kPod2, 0x7F, 2, 0, 0, false},
               {kPod2 + 1, 0x01, 2, 0, 1, true},      {kPod2 + 64, 0x80, 2, 0, 512, true},
               {kPod2 + 3 * 65, 0x80, 2, 3, 0, true}, {kPod2 + 3 * 65, 0x80, 2, 2, 0, false},
               {kPod0, 0x80, 0, 0, 256, true},        {kPod0, 0x7F, 0, 0, 256, false},
               {kPod0 + 1, 0x02, 0, 0, 257, true},    {kPod0 + 1, 0x80, 0, 0, 260, true},
               {kPod0 + 2, 0x02, 0, 0, 261, true},    {kPod0 + 65 * 8, 0x80, 0, 8, 256, true},
               {kPod2, 0xFF, 2, 0, 513, {}},          {kPod2, 0xFF, 2, 0, -1, {}},
               {kPod0, 0xFF, 0, 0, 255, {}},          {kPod0, 0xFF, 1, 0, 256, {}},
               {kPod0, 0xFF, 8, 0, 256, {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "pod " << c.pod << " ch " << c.channel << " s " << c.s);
    (*m)[c.at] = c.value;
    EXPECT_EQ(acq.Level(c.pod, c.channel, c.s), c.level);
    (*m)[c.at] = 0;
  }
  (*m)[kPod0 + 2] = 0x02;  // sample 261: its own bit, not the earlier one of its pair
  EXPECT_FALSE(acq.SampleAt(0, 0, 261)->pairedBit());
  (*m)[kPod0 + 2] = 0x03;
  EXPECT_TRUE(acq.SampleAt(0, 0, 261)->pairedBit());

  // Bytes of a row: k past the row, negative, a channel past 8 or an absent pod read as 0.
  (*m)[kPod2 + 3 * 65 + 64] = 0xA5;
  (*m)[kPod2 + 4 * 65] = 0x5A;  // the next row's first byte
  EXPECT_EQ(acq.PodSampleByte(2, 3, 64), 0xA5);
  const int outside[][3] = {{2, 3, 65}, {2, 4, -1}, {2, 9, 0}, {2, -1, 0}, {1, 0, 0}, {8, 0, 0}};
  for (const auto& [pod, ch, k] : outside) {
    EXPECT_EQ(acq.PodSampleByte(static_cast<int16_t>(pod), static_cast<int16_t>(ch), k), 0.0)
        << pod << " " << ch << " " << k;
  }
  EXPECT_EQ(acq.AcqWord(8, 600) + acq.AcqWord(-1, 514), 0);
  EXPECT_TRUE(acq.PodAbsent(-1));
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
  EXPECT_EQ(acq.PodStart(0), 65534 * 8 - 65535);
  EXPECT_EQ(acq.PodEnd(7), 65534 * 8);
  // Byte 25000 is the last one inside: pod 0 channel 0 byte k sits at 614 + k.
  EXPECT_EQ(acq.PodSampleByte(0, 0, 25000 - 614), 255.0);
  EXPECT_EQ(acq.PodSampleByte(0, 0, 25001 - 614), 0.0);
  for (int16_t pod = 0; pod < 8; ++pod) {
    for (int16_t ch = 0; ch < 9; ++ch) {
      EXPECT_LE(acq.PodSampleByte(pod, ch, 65534), 255.0);
      EXPECT_TRUE(acq.Level(pod, ch, acq.PodEnd(pod)).has_value());
    }
  }
}
