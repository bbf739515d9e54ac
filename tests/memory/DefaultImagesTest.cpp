#include <gtest/gtest.h>

#include "memory/DefaultImages.h"
#include "memory/HexCodec.h"
#include "memory/MemoryImages.h"
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
