#include <gtest/gtest.h>

#include "memory/DefaultImages.h"
#include "memory/HexCodec.h"
#include "memory/MemoryImages.h"
#include "model/AcqModel.h"
#include "support/RecordingOperator.h"

namespace {
std::vector<std::string> framesOf(const std::string& text) {
  std::vector<std::string> frames;
  size_t p = text.find("#H");
  while (p != std::string::npos) {
    const size_t next = text.find("#H", p + 2);
    frames.push_back(text.substr(p, next == std::string::npos ? std::string::npos : next - p));
    p = next;
  }
  return frames;
}

// The value of channels 0..7 of a pod at sample s, or -1 where a channel has no sample.
int podValue(const AcqModel& acq, int16_t pod, int32_t s) {
  int value = 0;
  for (int16_t c = 0; c < 8; ++c) {
    const auto level = acq.Level(pod, c, s);
    if (!level) return -1;
    value |= (*level ? 1 : 0) << c;
  }
  return value;
}
}  // namespace

TEST(DefaultImages, ConfigurationTextIsTheTwentyFramesAndEncodesBackExactly) {
  const std::string& text = DefaultConfigText();
  ASSERT_EQ(text.substr(0, 6), "INSET ");
  const auto frames = framesOf(text);
  ASSERT_EQ(frames.size(), 20u);
  EXPECT_EQ(frames.front(),
            "#H340100000201000000000101000000000001010001000001010001FF01000001010001FF010000010100"
            "01FF01000001010001FFB8,");
  EXPECT_EQ(frames.back(), "#H0E010390000000000000000000005E;");
  EXPECT_EQ(text.size(), 6u + 2104u);

  MemoryImages images;
  RecordingOperator op;
  LoadDefaultImages(images, &op);
  EXPECT_TRUE(op.messages.empty());  // every checksum is right
  EXPECT_EQ(images.SetupLen, 922);
  EXPECT_EQ(images.AcqLen, 3539);
  EXPECT_EQ("INSET " + Mem2Hex(images.SetupMem, kSetupBase, 0, images.SetupLen), text);
}

TEST(DefaultImages, AcquisitionTextFramesAndByteRanges) {
  const std::string& text = DefaultAcqText();
  ASSERT_EQ(text.substr(0, 4), "ACQ ");
  const auto frames = framesOf(text);
  ASSERT_EQ(frames.size(), 74u);
  EXPECT_EQ(frames.front(),
            "#H3400000000000000000000000000000000000000000000000000000000000000000000000000000000"
            "0000000000000000000000CC,");
  EXPECT_EQ(frames.back(),
            "#H27000DB000000000000000000000000000000000000000000000000000000000000000000000001C;");

  MemoryImages images;
  LoadDefaultImages(images, nullptr);
  for (size_t i = 0; i < images.AcqMem.size(); ++i) {
    const bool demo = (i >= 514 && i <= 541) || (i >= 563 && i <= 601) || (i >= 679 && i <= 1782);
    if (!demo) {
      EXPECT_EQ(images.AcqMem[i], 0) << "byte " << i;
    }
  }
  EXPECT_EQ(images.AcqMem[562], 0);  // pod 0 is present
  EXPECT_EQ(images.AcqMem[563], 0x55);
}

TEST(DefaultImages, DemonstrationReadsAsABusCapture) {
  MemoryImages images;
  LoadDefaultImages(images, nullptr);
  const AcqModel acq(images.AcqMem);

  // Pod 0: an address counter stepping by two every four samples, a strobe in the third
  // sample of each cycle until the burst ends; pod 2 latches the word count at each strobe.
  int strobes = 0;
  int lowest = 256, highest = -1;
  for (int32_t s = 256; s <= 512; ++s) {
    const int address = podValue(acq, 0, s);
    ASSERT_GE(address, 0) << s;
    EXPECT_EQ(address % 2, 0) << s;
    lowest = std::min(lowest, address);
    highest = std::max(highest, address);
    const bool strobe = *acq.Level(0, 8, s);
    EXPECT_EQ(strobe, s % 4 == 2 && s < 504) << s;
    EXPECT_EQ(*acq.Level(2, 8, s), strobe) << s;
    if (strobe) {
      ++strobes;
      EXPECT_EQ(podValue(acq, 2, s), address / 2) << s;
      EXPECT_EQ(podValue(acq, 2, s + 1), address / 2) << s;  // held until the next strobe
    }
    if (s > 256 && s < 504 && s % 4 == 0) {
      EXPECT_EQ(address, podValue(acq, 0, s - 1) + 2) << s;
    }
  }
  EXPECT_EQ(strobes, 62);
  EXPECT_EQ(lowest, 128);
  EXPECT_EQ(highest, 250);
  // Pod 2 runs from sample 0, before pod 0's first sample.
  EXPECT_EQ(podValue(acq, 0, 255), -1);
  EXPECT_EQ(podValue(acq, 2, 0), 0xFF);
  EXPECT_EQ(podValue(acq, 2, 2), 0);
  EXPECT_EQ(podValue(acq, 2, 101), 24);
  for (int16_t pod = 3; pod <= 5; ++pod) EXPECT_EQ(podValue(acq, pod, 100), 0);
}
