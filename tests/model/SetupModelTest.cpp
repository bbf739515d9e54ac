#include <gtest/gtest.h>

#include "memory/DefaultImages.h"
#include "memory/MemoryImages.h"
#include "model/LabelCharset.h"
#include "model/SetupModel.h"

namespace {
class SetupModelTest : public ::testing::Test {
 protected:
  SetupModelTest() { LoadDefaultImages(images, nullptr); }
  MemoryImages images;
  SetupModel model{images.SetupMem};
};
}  // namespace

TEST(LabelCharset, IndexOfEachCharacterAndBack) {
  const std::string set = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ .,/:^$";
  for (int i = 0; i < 43; ++i) {
    const std::string c(1, set[static_cast<size_t>(i)]);
    EXPECT_TRUE(IsLabelChar(c) && Char2Idx(c) == std::to_string(i) && Idx2Char(i) == c) << c;
  }
  for (const char* c : {"a", "-", "_", "\t"}) EXPECT_FALSE(IsLabelChar(c) || Char2Idx(c) != "-1");
  EXPECT_TRUE(IsLabelChar("") && Char2Idx("") == "0");  // the empty text is valid, as index 0
  for (int outside : {43, -1}) EXPECT_EQ(Idx2Char(outside), "") << outside;
}

// Labels are padded to four places and matched exactly; characters outside the set keep the
// old bytes, indices outside it shorten the text.
TEST_F(SetupModelTest, Labels) {
  model.SetLabel(3, "AB");
  EXPECT_EQ(model.GetGroupByte(3, 0) * 100 + model.GetGroupByte(3, 2), 1036);
  for (const auto& [text, group] : {std::pair<const char*, int16_t>{"AB", 0},
                                    {"AB  ", 3},
                                    {"CTL2", 7},
                                    {"ctl2", 0},
                                    {"    ", 2}}) {
    EXPECT_EQ(model.FindLabel(text), group) << text;
  }
  model.SetLabel(6, "X:$/.");
  model.SetLabel(0, "zQ");
  model.SetGroupByte(1, 1, 43);
  model.SetGroupByte(1, 3, 200);
  EXPECT_EQ(model.GetLabel(6) + "|" + model.GetLabel(0) + "|" + model.GetLabel(1), "X:$/|GQ  |CL");
}

// Pod * 10 + channel in, pod * 32 + channel stored; 255 (none) reads 90. Codes that name no
// pod channel would alias another one: they change nothing.
TEST_F(SetupModelTest, ChannelMapCodes) {
  const std::pair<int16_t, int> codes[] = {{0, 0},     {8, 8},     {10, 32},   {42, 130}, {78, 232},
                                           {255, 255}, {9, 101},   {19, 101},  {79, 101}, {80, 101},
                                           {99, 101},  {254, 101}, {256, 101}, {-1, 101}};
  for (const auto& [code, stored] : codes) {
    model.SetChanMap(71, 35);
    model.SetChanMap(71, code);
    EXPECT_EQ(images.SetupMem[830 + 71], stored) << code;
    EXPECT_EQ(model.GetChanMap(71), stored == 101 ? 35 : code == 255 ? 90 : code) << code;
  }
}

TEST_F(SetupModelTest, RecordFieldsAcceptOnlyTheirRanges) {
  const std::tuple<void (SetupModel::*)(int16_t, int16_t), int16_t (SetupModel::*)(int16_t) const,
                   int16_t, int16_t>
      fields[] = {{&SetupModel::SetBase, &SetupModel::GetBase, 2, 3},
                  {&SetupModel::SetWidth, &SetupModel::GetWidth, 33, 34},
                  {&SetupModel::SetFirst, &SetupModel::GetFirst, 71, 72},
                  {&SetupModel::SetInputRadix, &SetupModel::GetInputRadix, 2, 3},
                  {&SetupModel::SetColumn, &SetupModel::GetColumn, 71, 72},
                  {&SetupModel::SetDisplayRadix, &SetupModel::GetDisplayRadix, 5, 7},
                  {&SetupModel::SetDigits, &SetupModel::GetDigits, 255, 256}};
  for (const auto& [set, get, highest, refused] : fields) {
    for (int16_t value : {highest, refused, int16_t{-1}}) (model.*set)(3, value);
    EXPECT_EQ((model.*get)(3), highest);
  }
  // The ROM display radix (6) needs the group's permission byte, else it becomes HEX.
  for (auto [permission, radix] : {std::pair<int16_t, int16_t>{0, 0}, {2, 0}, {1, 6}}) {
    model.SetGroupByte(0, SetupModel::kRom, permission);
    model.SetDisplayRadix(0, 6);
    EXPECT_EQ(model.GetDisplayRadix(0), radix) << permission;
  }
}

// Out of range, setters change nothing and getters read their neutral value.
TEST_F(SetupModelTest, ArgumentsOutOfRangeNeverChangeTheImage) {
  const auto before = images.SetupMem;
  for (const int16_t g : {int16_t{10}, int16_t{-1}}) model.SetLabel(g, "AB");
  for (auto [g, at, v] : {std::tuple<int16_t, int16_t, int16_t>{10, 0, 1},
                          {0, -1, 1},
                          {0, 12, 1},
                          {0, 0, 256},
                          {0, 0, -1}}) {
    model.SetGroupByte(g, at, v);
  }
  model.SetWidth(-1, 1);
  model.SetDisplayRadix(10, 6);
  for (auto [pod, ch] : {std::pair<int16_t, int16_t>{8, 0}, {-1, 0}, {0, 9}, {0, -1}}) {
    model.SetPolarity(pod, ch, false);
  }
  for (const int16_t at : {int16_t{72}, int16_t{-1}}) model.SetChanMap(at, 35);
  for (auto [line, g, bit] : {std::tuple<int16_t, int16_t, int16_t>{72, 5, 5},
                              {-1, 5, 5},
                              {0, 10, 5},
                              {0, -1, 5},
                              {0, 5, 256}}) {
    model.SetOrderA(line, g, bit);
  }
  model.SetOrderB(12, 5, 5);
  model.SetOrderB(0, 10, 5);
  EXPECT_EQ(images.SetupMem, before);
  EXPECT_EQ(model.GetLabel(10) + model.GetLabel(-1), "");
  EXPECT_EQ(model.GetWidth(10) | model.GetGroupByte(-1, 0) | model.GetGroupByte(0, 12) |
                model.GetChanMap(72) | model.GetChanMap(-1) | model.PolarityWord(-1),
            0);
  images.SetupMem[472] = 0xFE;  // bits above channel 8 set: still no channel 9
  EXPECT_FALSE(model.GetPolarity(8, 0) || model.GetPolarity(0, 9) || model.GetPolarity(0, -1));
  EXPECT_EQ(model.GetOrderGroup(72) + model.GetOrderBit(-1) + model.GetOrderBGroup(12) +
                model.GetOrderBBit(-1),
            -4);
}
