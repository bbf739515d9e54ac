#include <gtest/gtest.h>

#include <array>

#include "memory/DefaultImages.h"
#include "memory/MemoryImages.h"
#include "model/SetupModel.h"

namespace {
using List = std::initializer_list<int16_t>;
class SetupModelTest : public ::testing::Test {
 protected:
  SetupModelTest() { LoadDefaultImages(images, nullptr); }
  MemoryImages images;
  SetupModel model{images.SetupMem};
};

std::string blanks(size_t n) { return std::string(n, ' '); }
}  // namespace

TEST_F(SetupModelTest, DefaultImageReadsAsTheAnalysersDefaultConfiguration) {
  EXPECT_EQ(model.TrigPosition(), 256);
  for (int16_t pod = 0; pod < 8; ++pod) EXPECT_EQ(model.PolarityWord(pod), 0x01FF) << pod;

  struct Group {
    const char* label;
    int16_t base, width, first, inputRadix, column, displayRadix, digits;
  };
  const Group expected[] = {
      {"GRPA", 0, 8, 0, 0, 0, 0, 2},    {"CTL1", 0, 1, 8, 2, 5, 2, 1},
      {"    ", 2, 0, 0, 0, 0, 0, 0},    {"    ", 2, 0, 0, 0, 0, 0, 0},
      {"    ", 2, 0, 0, 0, 0, 0, 0},    {"GRPB", 0, 16, 9, 0, 10, 0, 4},
      {"GRPC", 0, 16, 25, 0, 15, 0, 4}, {"CTL2", 0, 4, 41, 2, 20, 2, 4},
      {"    ", 2, 0, 0, 0, 0, 0, 0},    {"    ", 2, 0, 0, 0, 0, 0, 0},
  };
  for (int16_t g = 0; g < 10; ++g) {
    const Group& e = expected[g];
    SCOPED_TRACE(g);
    EXPECT_EQ(model.GetLabel(g), e.label);
    EXPECT_EQ(model.GetBase(g), e.base);
    if (e.base == 2) continue;  // the other fields of unused groups are whatever was left
    EXPECT_EQ(model.GetWidth(g), e.width);
    EXPECT_EQ(model.GetFirst(g), e.first);
    EXPECT_EQ(model.GetInputRadix(g), e.inputRadix);
    EXPECT_EQ(model.GetColumn(g), e.column);
    EXPECT_EQ(model.GetDisplayRadix(g), e.displayRadix);
    EXPECT_EQ(model.GetDigits(g), e.digits);
  }

  // Pod 0 channels 7..0, then its channel 8, pods 2..5 channels 7..0, their channels 8.
  const int16_t used[] = {7,  6,  5,  4,  3,  2,  1,  0,  8,  27, 26, 25, 24, 23, 22,
                          21, 20, 37, 36, 35, 34, 33, 32, 31, 30, 47, 46, 45, 44, 43,
                          42, 41, 40, 57, 56, 55, 54, 53, 52, 51, 50, 28, 38, 48, 58};
  std::array<int16_t, 72> map{};
  map.fill(90);  // the empty entries
  std::copy(std::begin(used), std::end(used), map.begin());
  for (int16_t pos = 0; pos < 72; ++pos) EXPECT_EQ(model.GetChanMap(pos), map[pos]) << pos;
}

TEST_F(SetupModelTest, ShortLabelsArePaddedAndMatchedExactly) {
  model.SetLabel(3, "AB");
  const int16_t bytes[] = {10, 11, 36, 36};  // "A", "B" and two blanks
  for (int16_t i = 0; i < 4; ++i) EXPECT_EQ(model.GetGroupByte(3, i), bytes[i]);
  EXPECT_EQ(model.GetLabel(3), "AB  ");
  EXPECT_EQ(model.FindLabel("AB"), 0);  // not found reads like group 0
  EXPECT_EQ(model.FindLabel("AB  "), 3);
  EXPECT_EQ(model.FindLabel("GRPA"), 0);
  EXPECT_EQ(model.FindLabel("CTL2"), 7);
  EXPECT_EQ(model.FindLabel("ctl2"), 0);     // case counts
  EXPECT_EQ(model.FindLabel(blanks(4)), 2);  // the lowest unused group

  model.SetLabel(5, "");
  EXPECT_EQ(model.GetLabel(5), blanks(4));

  model.SetLabel(6, "X:$/.");  // longer than the field: only four places exist
  EXPECT_EQ(model.GetLabel(6), "X:$/");
}

TEST_F(SetupModelTest, DamagedOrForeignLabelCharacters) {
  model.SetGroupByte(1, 1, 43);
  model.SetGroupByte(1, 3, 200);
  EXPECT_EQ(model.GetLabel(1), "CL");  // indices outside the set shorten the text

  model.SetLabel(0, "GxPb");  // characters outside the set keep their old bytes
  EXPECT_EQ(model.GetLabel(0), "GRPA");
  model.SetLabel(0, "zQ");
  EXPECT_EQ(model.GetLabel(0), "GQ  ");
}

TEST_F(SetupModelTest, ChannelMapCodes) {
  model.SetChanMap(10, 35);
  EXPECT_EQ(images.SetupMem[840], 0x65);
  EXPECT_EQ(model.GetChanMap(10), 35);
  model.SetChanMap(10, 255);
  EXPECT_EQ(images.SetupMem[840], 255);
  EXPECT_EQ(model.GetChanMap(10), 90);

  for (int16_t pod = 0; pod < 8; ++pod) {
    for (int16_t c = 0; c < 9; ++c) {
      const auto code = static_cast<int16_t>(pod * 10 + c);
      model.SetChanMap(71, code);
      EXPECT_EQ(images.SetupMem[830 + 71], pod * 32 + c);
      EXPECT_EQ(model.GetChanMap(71), code);
    }
  }

  // Codes that name no pod channel would alias another one; they change nothing.
  model.SetChanMap(0, 35);
  for (int16_t bad : List{9, 19, 79, 80, 99, 254, 256, -1}) {
    model.SetChanMap(0, bad);
    EXPECT_EQ(model.GetChanMap(0), 35) << bad;
  }
  // A byte written by the analyser in another form still reads by the formula.
  images.SetupMem[830 + 5] = 0x1F;
  EXPECT_EQ(model.GetChanMap(5), 20);  // 1 / 2 * 10 + 15 = 20
}

TEST_F(SetupModelTest, RecordFieldsAcceptOnlyTheirRanges) {
  using Setter = void (SetupModel::*)(int16_t, int16_t);
  using Getter = int16_t (SetupModel::*)(int16_t) const;
  struct Field {
    const char* name;
    Setter set;
    Getter get;
    int16_t highest;
  };
  const Field fields[] = {
      {"base", &SetupModel::SetBase, &SetupModel::GetBase, 2},
      {"width", &SetupModel::SetWidth, &SetupModel::GetWidth, 33},
      {"first", &SetupModel::SetFirst, &SetupModel::GetFirst, 71},
      {"input radix", &SetupModel::SetInputRadix, &SetupModel::GetInputRadix, 2},
      {"column", &SetupModel::SetColumn, &SetupModel::GetColumn, 71},
      {"display radix", &SetupModel::SetDisplayRadix, &SetupModel::GetDisplayRadix, 5},
      {"digits", &SetupModel::SetDigits, &SetupModel::GetDigits, 255},
  };
  for (const Field& f : fields) {
    SCOPED_TRACE(f.name);
    (model.*f.set)(3, f.highest);
    EXPECT_EQ((model.*f.get)(3), f.highest);
    (model.*f.set)(
        3, static_cast<int16_t>(f.name == std::string("display radix") ? 7 : f.highest + 1));
    EXPECT_EQ((model.*f.get)(3), f.highest);
    (model.*f.set)(3, -1);
    EXPECT_EQ((model.*f.get)(3), f.highest);
    (model.*f.set)(3, 0);
    EXPECT_EQ((model.*f.get)(3), 0);
  }
  model.SetGroupByte(3, 12, 1);  // past the record: that would be group 4's first label byte
  EXPECT_EQ(model.GetGroupByte(4, 0), 36);
  EXPECT_EQ(model.GetGroupByte(3, 12), 0);
}

TEST_F(SetupModelTest, RomDisplayRadixNeedsThePermissionByte) {
  model.SetDisplayRadix(0, 6);
  EXPECT_EQ(model.GetDisplayRadix(0), 0);
  model.SetGroupByte(0, SetupModel::kRom, 2);
  model.SetDisplayRadix(0, 6);
  EXPECT_EQ(model.GetDisplayRadix(0), 0);
  model.SetGroupByte(0, SetupModel::kRom, 1);
  model.SetDisplayRadix(0, 6);
  EXPECT_EQ(model.GetDisplayRadix(0), 6);
}

TEST_F(SetupModelTest, PolarityBits) {
  model.SetPolarity(3, 4, true);  // already set
  EXPECT_EQ(model.PolarityWord(3), 0x01FF);
  model.SetPolarity(3, 8, false);
  EXPECT_EQ(images.SetupMem[471 + 6], 0xFF);
  EXPECT_EQ(images.SetupMem[472 + 6], 0x00);
  EXPECT_FALSE(model.GetPolarity(3, 8));
  EXPECT_TRUE(model.GetPolarity(3, 7));
  model.SetPolarity(3, 8, !model.GetPolarity(3, 8));
  EXPECT_EQ(model.PolarityWord(3), 0x01FF);
}

TEST_F(SetupModelTest, TriggerPositionCodes) {
  const std::pair<uint8_t, int16_t> codes[] = {{0, 16},  {1, 128}, {2, 256}, {3, 384},
                                               {4, 496}, {5, 0},   {255, 0}};
  for (auto [code, samples] : codes) {
    images.SetupMem[0] = code;
    EXPECT_EQ(model.TrigPosition(), samples) << int{code};
  }
}

TEST_F(SetupModelTest, OrderTables) {
  model.SetOrderA(0, 7, 3);
  EXPECT_EQ(images.SetupMem[540], 7);
  EXPECT_EQ(images.SetupMem[541], 3);
  model.SetOrderA(71, 9, 32);
  EXPECT_EQ(model.GetOrderGroup(71), 9);
  EXPECT_EQ(model.GetOrderBit(71), 32);
  EXPECT_EQ(images.SetupMem[683], 32);
  model.SetOrderB(11, 6, 15);
  EXPECT_EQ(images.SetupMem[684 + 22], 6);
  EXPECT_EQ(images.SetupMem[685 + 22], 15);
  EXPECT_EQ(model.GetOrderBGroup(11), 6);
  EXPECT_EQ(model.GetOrderBBit(11), 15);
}

TEST_F(SetupModelTest, ArgumentsOutOfRangeNeverChangeTheImage) {
  const auto before = images.SetupMem;
  model.SetLabel(10, "AB");
  model.SetLabel(-1, "AB");
  model.SetGroupByte(10, 0, 1);
  model.SetGroupByte(0, -1, 1);
  model.SetGroupByte(0, 0, 256);
  model.SetGroupByte(0, 0, -1);
  model.SetWidth(-1, 1);
  model.SetDisplayRadix(10, 6);
  model.SetPolarity(8, 0, false);
  model.SetPolarity(-1, 0, false);
  model.SetPolarity(0, 9, false);
  model.SetPolarity(0, -1, false);
  model.SetChanMap(72, 0);
  model.SetChanMap(-1, 0);
  model.SetOrderA(72, 0, 0);
  model.SetOrderA(0, 10, 0);
  model.SetOrderA(0, -1, 0);
  model.SetOrderA(0, 0, 256);
  model.SetOrderB(12, 0, 0);
  model.SetOrderB(0, 10, 0);
  EXPECT_EQ(images.SetupMem, before);
  // Getters out of range read their neutral value.
  EXPECT_EQ(model.GetLabel(10) + model.GetLabel(-1), "");
  EXPECT_EQ(model.GetWidth(10) | model.GetGroupByte(-1, 0) | model.GetChanMap(72) |
                model.GetChanMap(-1) | model.PolarityWord(-1),
            0);
  EXPECT_FALSE(model.GetPolarity(8, 0) || model.GetPolarity(0, 9));
  EXPECT_EQ(model.GetOrderGroup(72), -1);
  EXPECT_EQ(model.GetOrderBit(-1), -1);
  EXPECT_EQ(model.GetOrderBGroup(12), -1);
}
