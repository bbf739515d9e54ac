#include <gtest/gtest.h>

#include "memory/DefaultImages.h"
#include "memory/MemoryImages.h"
#include "model/SetupModel.h"

namespace {
class SetupModelTest : public ::testing::Test {
 protected:
  SetupModelTest() { LoadDefaultImages(images, nullptr); }
  MemoryImages images;
  SetupModel model{images.SetupMem};
};
}  // namespace

// The channel map of the default image is checked through the editor's strips.
TEST_F(SetupModelTest, DefaultGroups) {
  const struct {
    const char* label;
    int16_t base, width, first, inputRadix, column, displayRadix, digits;
  } expected[] = {
      {"GRPA", 0, 8, 0, 0, 0, 0, 2},    {"CTL1", 0, 1, 8, 2, 5, 2, 1},
      {"    ", 2, 0, 0, 0, 0, 0, 0},    {"    ", 2, 0, 0, 0, 0, 0, 0},
      {"    ", 2, 0, 0, 0, 0, 0, 0},    {"GRPB", 0, 16, 9, 0, 10, 0, 4},
      {"GRPC", 0, 16, 25, 0, 15, 0, 4}, {"CTL2", 0, 4, 41, 2, 20, 2, 4},
      {"    ", 2, 0, 0, 0, 0, 0, 0},    {"    ", 2, 0, 0, 0, 0, 0, 0},
  };
  for (int16_t g = 0; g < 10; ++g) {
    const auto& e = expected[g];
    SCOPED_TRACE(g);
    EXPECT_EQ(model.GetLabel(g), e.label);
    EXPECT_EQ(model.GetBase(g), e.base);
    if (e.base == 2) continue;  // the other fields of unused groups are whatever was left
    EXPECT_EQ((std::array{model.GetWidth(g), model.GetFirst(g), model.GetInputRadix(g),
                          model.GetColumn(g), model.GetDisplayRadix(g), model.GetDigits(g)}),
              (std::array{e.width, e.first, e.inputRadix, e.column, e.displayRadix, e.digits}));
  }
}

TEST_F(SetupModelTest, LabelsArePaddedMatchedExactlyAndKeepForeignBytes) {
  model.SetLabel(3, "AB");
  EXPECT_EQ((std::array{model.GetGroupByte(3, 0), model.GetGroupByte(3, 2)}),
            (std::array<int16_t, 2>{10, 36}));
  const std::pair<const char*, int16_t> found[] = {
      {"AB", 0}, {"AB  ", 3}, {"CTL2", 7}, {"ctl2", 0}, {"    ", 2}};  // not found: 0
  for (const auto& [text, group] : found) EXPECT_EQ(model.FindLabel(text), group) << text;
  model.SetLabel(6, "X:$/.");  // only four places exist
  EXPECT_EQ(model.GetLabel(6), "X:$/");
  model.SetLabel(0, "zQ");  // characters outside the set keep their old bytes
  EXPECT_EQ(model.GetLabel(0), "GQ  ");
  model.SetGroupByte(1, 1, 43);
  model.SetGroupByte(1, 3, 200);
  EXPECT_EQ(model.GetLabel(1), "CL");  // indices outside the set shorten the text
}

TEST_F(SetupModelTest, ChannelMapCodes) {
  for (int16_t pod = 0; pod < 8; ++pod) {
    for (int16_t c = 0; c < 9; ++c) {
      model.SetChanMap(71, static_cast<int16_t>(pod * 10 + c));
      EXPECT_EQ(images.SetupMem[830 + 71], pod * 32 + c);
      EXPECT_EQ(model.GetChanMap(71), pod * 10 + c);
    }
  }
  model.SetChanMap(10, 255);
  EXPECT_EQ(images.SetupMem[840], 255);
  EXPECT_EQ(model.GetChanMap(10), 90);
  // Codes that name no pod channel would alias another one; they change nothing.
  model.SetChanMap(0, 35);
  for (int16_t bad : std::initializer_list<int16_t>{9, 19, 79, 80, 99, 254, 256, -1}) {
    model.SetChanMap(0, bad);
    EXPECT_EQ(model.GetChanMap(0), 35) << bad;
  }
  images.SetupMem[830 + 5] = 0x1F;  // another form of byte still reads by the formula
  EXPECT_EQ(model.GetChanMap(5), 20);
}

TEST_F(SetupModelTest, RecordFieldsAcceptOnlyTheirRanges) {
  const struct {
    void (SetupModel::*set)(int16_t, int16_t);
    int16_t (SetupModel::*get)(int16_t) const;
    int16_t highest, refused;
  } fields[] = {{&SetupModel::SetBase, &SetupModel::GetBase, 2, 3},
                {&SetupModel::SetWidth, &SetupModel::GetWidth, 33, 34},
                {&SetupModel::SetFirst, &SetupModel::GetFirst, 71, 72},
                {&SetupModel::SetInputRadix, &SetupModel::GetInputRadix, 2, 3},
                {&SetupModel::SetColumn, &SetupModel::GetColumn, 71, 72},
                {&SetupModel::SetDisplayRadix, &SetupModel::GetDisplayRadix, 5, 7},
                {&SetupModel::SetDigits, &SetupModel::GetDigits, 255, 256}};
  for (const auto& f : fields) {
    SCOPED_TRACE(f.highest);
    (model.*f.set)(3, f.highest);
    for (int16_t refused : {f.refused, int16_t{-1}}) (model.*f.set)(3, refused);
    EXPECT_EQ((model.*f.get)(3), f.highest);
  }
  // The ROM display radix (6) needs the group's permission byte, else it becomes HEX.
  for (auto [permission, radix] : {std::pair<int16_t, int16_t>{0, 0}, {2, 0}, {1, 6}}) {
    model.SetGroupByte(0, SetupModel::kRom, permission);
    model.SetDisplayRadix(0, 6);
    EXPECT_EQ(model.GetDisplayRadix(0), radix) << permission;
  }
}

// Trigger position, polarity words and the two order tables, at their bytes of the image.
TEST_F(SetupModelTest, TriggerPolarityAndOrderBytes) {
  const std::pair<uint8_t, int16_t> codes[] = {{0, 16},  {1, 128}, {2, 256}, {3, 384},
                                               {4, 496}, {5, 0},   {255, 0}};
  for (auto [code, samples] : codes) {
    images.SetupMem[0] = code;
    EXPECT_EQ(model.TrigPosition(), samples) << int{code};
  }
  model.SetPolarity(3, 8, false);
  model.SetPolarity(3, 4, true);  // already set
  EXPECT_EQ(images.SetupMem[471 + 6] + 256 * images.SetupMem[472 + 6], 0xFF);
  EXPECT_EQ(model.PolarityWord(3), 0xFF);
  EXPECT_FALSE(model.GetPolarity(3, 8));
  EXPECT_TRUE(model.GetPolarity(3, 7));
  model.SetOrderA(71, 9, 32);
  model.SetOrderB(11, 6, 15);
  EXPECT_EQ((std::array{images.SetupMem[682], images.SetupMem[683], images.SetupMem[706],
                        images.SetupMem[707]}),
            (std::array<uint8_t, 4>{9, 32, 6, 15}));
  EXPECT_EQ((std::array{model.GetOrderGroup(71), model.GetOrderBit(71), model.GetOrderBGroup(11),
                        model.GetOrderBBit(11)}),
            (std::array<int16_t, 4>{9, 32, 6, 15}));
}

TEST_F(SetupModelTest, ArgumentsOutOfRangeNeverChangeTheImage) {
  const auto before = images.SetupMem;
  model.SetLabel(10, "AB");
  model.SetLabel(-1, "AB");
  model.SetGroupByte(10, 0, 1);
  model.SetGroupByte(0, -1, 1);
  model.SetGroupByte(0, 12, 1);
  model.SetGroupByte(0, 0, 256);
  model.SetGroupByte(0, 0, -1);
  model.SetWidth(-1, 1);
  model.SetDisplayRadix(10, 6);
  for (auto [pod, ch] : {std::pair<int16_t, int16_t>{8, 0}, {-1, 0}, {0, 9}, {0, -1}}) {
    model.SetPolarity(pod, ch, false);
  }
  model.SetChanMap(72, 35);
  model.SetChanMap(-1, 35);
  model.SetOrderA(72, 5, 5);
  model.SetOrderA(-1, 5, 5);
  model.SetOrderA(0, 10, 5);
  model.SetOrderA(0, -1, 5);
  model.SetOrderA(0, 5, 256);
  model.SetOrderB(12, 5, 5);
  model.SetOrderB(0, 10, 5);
  EXPECT_EQ(images.SetupMem, before);
  // Getters out of range read their neutral value.
  EXPECT_EQ(model.GetLabel(10) + model.GetLabel(-1), "");
  EXPECT_EQ(model.GetWidth(10) | model.GetGroupByte(-1, 0) | model.GetGroupByte(0, 12) |
                model.GetChanMap(72) | model.GetChanMap(-1) | model.PolarityWord(-1),
            0);
  images.SetupMem[472] = 0xFE;  // bits above channel 8 set: still no channel 9
  EXPECT_FALSE(model.GetPolarity(8, 0) || model.GetPolarity(0, 9) || model.GetPolarity(0, -1));
  EXPECT_EQ((std::array{model.GetOrderGroup(72), model.GetOrderBit(-1), model.GetOrderBGroup(12),
                        model.GetOrderBBit(-1)}),
            (std::array<int16_t, 4>{-1, -1, -1, -1}));
}
