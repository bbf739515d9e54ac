// The editor's logic without a window, for what the operator cannot produce (card counts and
// setup images from a damaged store) and for tables of widths and radixes.
#include <gtest/gtest.h>

#include <algorithm>

#include "editor/EditorModel.h"
#include "editor/LabelRules.h"
#include "memory/DefaultImages.h"
#include "memory/MemoryImages.h"
#include "model/LineRules.h"

namespace {

class EditorModelTest : public ::testing::Test {
 protected:
  EditorModelTest() { LoadDefaultImages(images, nullptr); }
  MemoryImages images;
  SetupModel setup{images.SetupMem};
  int beeps = 0;
  EditorModel model{images.SetupMem, [this] { ++beeps; }};
};

TEST_F(EditorModelTest, CardCountsNeverCreateAPodAboveSeven) {
  // 9-bit cards take pods 0, 2, 4, 6; 18-bit cards two pods each after them.
  const struct {
    int16_t cards09, cards18, count09, count18;
    const char *last09, *last18;
    int assigned;
  } cases[] = {{3, 3, 27, 18, "48", "78", 9},
               {5, 2, 36, 0, "68", "", 9},
               {-1, 9, 0, 72, "", "78", 36},
               {0, 0, 0, 0, "", "", 0}};
  const auto last = [](const ChannelPool& p) {
    return p.count() > 0 ? p.label(static_cast<int16_t>(p.count() - 1)).caption : "";
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.cards09 << " x 9, " << c.cards18 << " x 18");
    model.Load(c.cards09, c.cards18);
    EXPECT_EQ(model.section(0).pool.count(), c.count09);
    EXPECT_EQ(model.section(1).pool.count(), c.count18);
    EXPECT_EQ(last(model.section(0).pool), c.last09);
    EXPECT_EQ(last(model.section(1).pool), c.last18);
    EXPECT_EQ(model.Assigned(), c.assigned);
  }
}

// Group 0: width 0 but a valid first position. Group 2: the same channel twice, a channel of
// an absent card, channel 9 of a pod, an empty map entry. Group 3: a label with blanks before
// it, list values past their last item. Unplaced labels keep the design colours.
TEST_F(EditorModelTest, LoadSkipsWhatThePoolsCannotShow) {
  const auto before = images.SetupMem;
  model.Load(1, 2);
  model.Edit2Mem();
  EXPECT_EQ(images.SetupMem, before);  // the unchanged default saves byte for byte

  setup.SetWidth(0, 0);
  const int16_t codes[] = {3, 3, 64, 9, 90, 4};
  for (int16_t j = 0; j < 6; ++j) setup.SetChanMap(static_cast<int16_t>(50 + j), codes[j]);
  setup.SetFirst(2, 50);
  setup.SetWidth(2, 6);
  setup.SetLabel(3, "  AB");
  setup.SetGroupByte(3, SetupModel::kBase, 7);
  setup.SetGroupByte(3, SetupModel::kInputRadix, 3);
  setup.SetGroupByte(3, SetupModel::kDisplayRadix, 200);
  setup.SetPolarity(0, 5, false);
  model.Load(1, 2);
  EXPECT_EQ(model.Assigned(), 36 + 1 + 2);
  const EditorModel::GroupSettings& g3 = model.group(3);
  EXPECT_EQ((std::array{g3.base, g3.input, g3.display}), (std::array<int16_t, 3>{2, 2, 6}));
  EXPECT_EQ(model.section(0).pool.label(5).colour, ChannelPool::Colour::Design);
  model.Edit2Mem();
  EXPECT_EQ(setup.GetLabel(3), "AB  ");
  EXPECT_EQ(setup.GetWidth(0), 0);
  EXPECT_EQ(setup.GetWidth(2), 2);
  EXPECT_EQ(setup.GetChanMap(setup.GetFirst(2)), 3);
  EXPECT_EQ(setup.GetChanMap(static_cast<int16_t>(setup.GetFirst(2) + 1)), 4);
}

// The width field holds 33 channels: a damaged width places no more, and a 34th channel,
// added or selected, is refused with the beep; the advance then goes on after it.
TEST_F(EditorModelTest, AGroupHoldsThirtyThreeChannels) {
  int16_t pos = 0;
  for (int16_t pod = 0; pod < 8; ++pod) {
    for (int16_t ch = 0; ch < 9; ++ch) setup.SetChanMap(pos++, static_cast<int16_t>(pod * 10 + ch));
  }
  setup.SetFirst(5, 0);
  setup.SetGroupByte(5, SetupModel::kWidth, 255);  // runs past the map: reads code 0
  model.Load(0, 4);
  EXPECT_EQ(model.RowLength(1, 0), 33);
  EXPECT_EQ(beeps, 0);  // a damaged image is no refused click
  model.Edit2Mem();
  EXPECT_EQ(setup.GetWidth(5), 33);

  for (int16_t g = 0; g < 10; ++g) setup.SetWidth(g, 0);
  model.Load(0, 4);
  model.SigClick(1, 0, EditorModel::kLeft);
  for (int i = 0; i < 34; ++i) model.AddToGroup(1, 0);
  EXPECT_EQ(beeps, 1);
  model.SigClick(1, 41, EditorModel::kLeft);
  model.AddToGroup(1, 2);  // placed elsewhere: the advance below steps over it
  model.SigClick(1, 40, EditorModel::kLeft);
  EXPECT_EQ(model.AddToGroup(1, 0), -1);
  EXPECT_EQ(beeps, 2);
  EXPECT_EQ(model.AddToGroup(1, 1), 40);
  EXPECT_EQ(model.AddToGroup(1, 1), 42);
  EXPECT_TRUE(model.section(1).pool.AtHome(33));
  model.Edit2Mem();
  EXPECT_EQ(setup.GetWidth(5), 33);
  EXPECT_EQ(setup.GetChanMap(32), 35);  // label 32: card 1, pod 3 channel 5
}

// Digits of the group's largest value in its input radix; the next group's column follows
// after at least four digits and a blank.
TEST_F(EditorModelTest, DigitsFollowTheInputRadix) {
  const struct {
    int n;
    int16_t radix;
    int digits, advance;
  } cases[] = {{8, 0, 2, 5},  {16, 0, 4, 5}, {4, 1, 2, 5},
               {20, 0, 5, 6}, {9, 2, 9, 10}, {33, 2, 33, 34}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.n << " channels, radix " << c.radix);
    for (int16_t g = 0; g < 10; ++g) setup.SetWidth(g, 0);
    model.Load(0, 2);
    model.SigClick(1, 0, EditorModel::kLeft);
    for (int i = 0; i < c.n; ++i) model.AddToGroup(1, 2);
    model.AddToGroup(1, 3);  // the next one goes to the following group
    model.group(7).input = c.radix;
    model.Edit2Mem();
    EXPECT_EQ(setup.GetWidth(7), c.n);
    EXPECT_EQ(setup.GetDigits(7), c.digits);
    EXPECT_EQ(setup.GetColumn(8), c.advance);
  }
}

// The label boxes' tests type and paste the common cases; these are the characters a
// keyboard can produce beyond them.
TEST(LabelRulesTest, OnlyAsciiLabelCharactersPass) {
  EXPECT_EQ(LabelRules::FilterKey(U'z'), U'Z');
  EXPECT_FALSE(LabelRules::FilterKey(U'\u00e9'));
  EXPECT_FALSE(LabelRules::FilterKey(U'\u0131'));  // dotless i: not a label character
  EXPECT_EQ(LabelRules::FilterKey(U'\t'), U'\t');  // a control code passes unchanged
  EXPECT_FALSE(LabelRules::CheckText(U"A\tB"));    // but not inside a label
  EXPECT_EQ(LabelRules::CheckText(U".,/:^$ 9"), ".,/:^$ 9");
}

// Removing channel 08 from CTL1 and saving leaves CTL1 empty: its display line (CTL100) has
// no channel and no pod name rather than borrowing pod 0 channel 0 from GRPA00.
TEST_F(EditorModelTest, EmptiedGroupGivesADisplayLineWithNoChannel) {
  model.Load(1, 2);
  model.SigClick(0, 8, EditorModel::kLeft);  // label 08 sits on CTL1's strip
  model.Edit2Mem();
  ASSERT_EQ(setup.GetWidth(1), 0);
  const LineRules::Lines lines = LineRules::MatchedLines(setup);
  EXPECT_EQ(lines[8].labelName, "CTL100");
  EXPECT_EQ(lines[8].code, LineRules::kNoChannel);
  EXPECT_EQ(lines[8].podName, "");
  EXPECT_EQ(lines[7].podName, "Pod0.0");
}

}  // namespace
