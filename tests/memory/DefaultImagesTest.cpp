#include <gtest/gtest.h>

#include "memory/DefaultImages.h"
#include "memory/HexCodec.h"
#include "memory/MemoryImages.h"
#include "support/RecordingOperator.h"

// The built-in texts load without a checksum message and encode back to exactly themselves,
// so the images hold every byte the texts carry and nothing else.
TEST(DefaultImages, TextsLoadCleanlyAndEncodeBackExactly) {
  MemoryImages images;
  RecordingOperator op;
  LoadDefaultImages(images, &op);
  EXPECT_TRUE(op.messages.empty());
  EXPECT_EQ(images.SetupLen, 922);
  EXPECT_EQ(images.AcqLen, 3539);
  EXPECT_EQ("INSET " + Mem2Hex(images.SetupMem, kSetupBase, 0, images.SetupLen),
            DefaultConfigText());
  EXPECT_EQ("ACQ " + Mem2Hex(images.AcqMem, 0, 0, images.AcqLen), DefaultAcqText());
  EXPECT_TRUE(std::all_of(images.AcqMem.begin() + 3539, images.AcqMem.end(),
                          [](uint8_t b) { return b == 0; }));
}
