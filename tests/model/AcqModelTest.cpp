#include <gtest/gtest.h>

#include <memory>

#include "memory/DefaultImages.h"
#include "memory/MemoryImages.h"
#include "model/AcqModel.h"

namespace {
constexpr size_t kPod0 = 614, kPod2 = 614 + 585;  // sample blocks of the worked example

void putWord(std::array<uint8_t, kAcqImageSize>& m, size_t at, uint32_t w) {
  m[at] = static_cast<uint8_t>(w & 0xFF);
  m[at + 1] = static_cast<uint8_t>(w >> 8);
}

// The built-in demonstration acquisition (the worked example) with an empty sample area.
std::unique_ptr<MemoryImages> exampleHeader() {
  auto images = std::make_unique<MemoryImages>();
  LoadDefaultImages(*images, nullptr);
  std::fill(images->AcqMem.begin() + AcqModel::kSampleArea, images->AcqMem.end(), uint8_t{0});
  return images;
}

class AcqModelTest : public ::testing::Test {
 protected:
  std::unique_ptr<MemoryImages> images = exampleHeader();
  std::array<uint8_t, kAcqImageSize>& m = images->AcqMem;
  AcqModel acq{m};
};
}  // namespace

TEST_F(AcqModelTest, WorkedExampleHeader) {
  std::string pods;  // start, end, length, A absent, 2 two bits per sample; pods 0 to 8
  for (int16_t p = 0; p <= 8; ++p) {
    pods += std::to_string(acq.PodStart(p)) + " " + std::to_string(acq.PodEnd(p)) + " " +
            std::to_string(acq.PodLength(p)) + (acq.PodAbsent(p) ? " A" : " ") +
            (acq.PodTwoBit(p) ? "2|" : "|");
  }
  EXPECT_EQ(pods,
            "256 512 65 2|-8 -8 0 A2|0 512 65 |0 512 65 |0 512 65 |0 512 65 |-8 -8 0 A|"
            "-8 -8 0 A|-8 -8 0 A|");
  EXPECT_TRUE(acq.Triggered() && acq.SamplePeriod() == 20 && acq.MaxPodLength() == 65);
  EXPECT_EQ(acq.Cards9() + 10 * acq.Cards18(), 21.0);
  EXPECT_EQ(m[600] + 256 * m[601], 2925);  // the data length: five pods of 9 rows

  // Header fields changed one at a time (words below 574, bytes from there) and their effect.
  using Read = int32_t (*)(const AcqModel&, int16_t pod);
  const Read start = [](const AcqModel& a, int16_t p) { return a.PodStart(p); };
  const Read end = [](const AcqModel& a, int16_t p) { return a.PodEnd(p); };
  const Read twoBit = [](const AcqModel& a, int16_t p) { return int32_t{a.PodTwoBit(p)}; };
  const Read triggered = [](const AcqModel& a, int16_t) { return int32_t{a.Triggered()}; };
  const Read period = [](const AcqModel& a, int16_t) { return a.SamplePeriod(); };
  const std::tuple<size_t, uint32_t, Read, int16_t, int32_t> changes[] = {
      {530, 0, start, 0, 512},          {546, 0xFFFF, end, 0, 511}, {579, 0, twoBit, 0, 0},
      {583, 2, twoBit, 3, 1},           {583, 2, twoBit, 4, 0},     {574, 3, triggered, 0, 0},
      {581, 24, period, 0, 1000000000}, {581, 25, period, 0, 0},    {580, 1, period, 0, 0},  // sync
      {580, 2, period, 0, 20}};
  for (const auto& [at, value, read, pod, expected] : changes) {
    const auto saved = m;
    if (at < 574) putWord(m, at, value);
    if (at >= 574) m[at] = static_cast<uint8_t>(value);
    EXPECT_EQ(read(acq, pod), expected) << at << " = " << value << ", pod " << pod;
    m = saved;
  }
}

// Pod 2 takes one bit per sample from sample 0, bit 7 of its first byte first; pod 0 (double
// rate) two bits per sample from sample 256, the odd bit of each pair counting. Rows hold 65
// bytes; samples outside a pod's range, bytes past a row, a channel past 8 or an absent pod
// read as nothing or 0.
TEST_F(AcqModelTest, SampleAddressing) {
  const std::tuple<size_t, uint8_t, int16_t, int16_t, int32_t, std::optional<bool>> cases[] = {
      {kPod2, 0x80, 2, 0, 0, true},          {kPod2 + 1, 0x01, 2, 0, 1, true},
      {kPod2 + 3 * 65, 0x80, 2, 3, 0, true}, {kPod0 + 1, 0x02, 0, 0, 257, true},
      {kPod0 + 2, 0x02, 0, 0, 261, true},    {kPod2, 0xFF, 2, 0, 513, {}},
      {kPod2, 0xFF, 2, 0, -1, {}},           {kPod0, 0xFF, 0, 0, 255, {}},
      {kPod0, 0xFF, 1, 0, 256, {}},          {kPod0, 0xFF, 8, 0, 256, {}}};
  for (const auto& [at, value, pod, channel, s, level] : cases) {
    m[at] = value;
    EXPECT_EQ(acq.Level(pod, channel, s), level) << "pod " << pod << " ch " << channel << " " << s;
    m[at] = 0;
  }
  m[kPod0 + 2] = 0x03;  // sample 261 with the earlier bit of its pair set
  EXPECT_TRUE(acq.SampleAt(0, 0, 261)->pairedBit());
  m[kPod2 + 3 * 65 + 64] = 0xA5;
  m[kPod2 + 4 * 65] = 0x5A;  // the next row's first byte
  EXPECT_EQ(acq.PodSampleByte(2, 3, 64), 0xA5);
  for (const auto& [pod, ch, k] : {std::tuple<int16_t, int16_t, int32_t>{2, 3, 65},
                                   {2, 4, -1},
                                   {2, 9, 0},
                                   {2, -1, 0},
                                   {1, 0, 0},
                                   {8, 0, 0}}) {
    EXPECT_EQ(acq.PodSampleByte(pod, ch, k), 0.0) << pod << " " << ch << " " << k;
  }
}

// The example's 2925 bytes of five pod blocks; a longer data length or longer pods announce
// more, absent pods nothing.
TEST_F(AcqModelTest, AnnouncedBytesReachToTheDataLengthOrTheLastBlock) {
  EXPECT_EQ(acq.AnnouncedBytes(), 614 + 2925);
  putWord(m, 600, 4000);
  EXPECT_EQ(acq.AnnouncedBytes(), 614 + 4000);
  putWord(m, 600, 0);
  putWord(m, 514 + 2 * 5, 0xFFFF);
  EXPECT_EQ(acq.AnnouncedBytes(), 614 + 4 * 585 + 9 * 0xFFFF);
  m[562 + 5] = 1;
  EXPECT_EQ(acq.AnnouncedBytes(), 614 + 4 * 585);
}
