#include <gtest/gtest.h>

#include "memory/DefaultImages.h"
#include "memory/HexCodec.h"
#include "memory/MemoryImages.h"
#include "support/RecordingOperator.h"

// The built-in texts load cleanly to their lengths; the configuration's 20 frames encode back
// to exactly themselves, and the acquisition starts and ends with its published frames.
TEST(DefaultImages, TextsLoadCleanly) {
  MemoryImages images;
  RecordingOperator op;
  LoadDefaultImages(images, &op);
  EXPECT_TRUE(op.messages.empty() && images.SetupLen == 922 && images.AcqLen == 3539);
  EXPECT_EQ("INSET " + Mem2Hex(images.SetupMem, kSetupBase, 0, 922), DefaultConfigText());
  const std::string& acq = DefaultAcqText();
  EXPECT_EQ(acq.substr(0, 113), "ACQ #H34" + std::string(102, '0') + "CC,");
  EXPECT_EQ(acq.substr(acq.size() - 83), "#H27000DB0" + std::string(70, '0') + "1C;");
}
