// The editor's logic without a window, for what the operator cannot produce (card counts and
// setup images from a damaged store) and for tables of widths and radixes.
#include <gtest/gtest.h>

#include "editor/EditorModel.h"
#include "editor/LabelRules.h"
#include "memory/DefaultImages.h"
#include "memory/MemoryImages.h"
#include "model/LineRules.h"

namespace {
class EditorModelTest : public ::testing::Test {
 protected:
  EditorModelTest() { LoadDefaultImages(images, nullptr); }
  // Empties every group, loads with the cards given, selects a label of section s.
  void Clear(int16_t cards09, int16_t cards18, int16_t s, int16_t label) {
    for (int16_t g = 0; g < 10; ++g) setup.SetWidth(g, 0);
    model.Load(cards09, cards18);
    model.SigClick(s, label, EditorModel::kLeft);
  }
  MemoryImages images;
  SetupModel setup{images.SetupMem};
  int beeps = 0;
  EditorModel model{images.SetupMem, [this] { ++beeps; }};
};

// 9-bit cards take pods 0, 2, 4, 6; 18-bit cards two pods each after them; no pod above 7.
TEST_F(EditorModelTest, CardCountsNeverCreateAPodAboveSeven) {
  const auto last = [](const ChannelPool& p) {
    return p.count() > 0 ? p.label(static_cast<int16_t>(p.count() - 1)).caption : "";
  };
  for (const auto& [cards09, cards18, count09, count18, last09, last18, assigned] :
       {std::tuple<int16_t, int16_t, int, int, std::string, std::string, int>{3, 3, 27, 18, "48",
                                                                              "78", 9},
        {5, 2, 36, 0, "68", "", 9},
        {-1, 9, 0, 72, "", "78", 36},
        {0, 0, 0, 0, "", "", 0}}) {
    model.Load(cards09, cards18);
    EXPECT_EQ(
        std::tuple(model.section(0).pool.count(), model.section(1).pool.count(),
                   last(model.section(0).pool), last(model.section(1).pool), model.Assigned()),
        std::tuple(count09, count18, last09, last18, assigned))
        << cards09 << " " << cards18;
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
  for (const auto& [byte, value] : {std::pair{SetupModel::kBase, 7},
                                    {SetupModel::kInputRadix, 3},
                                    {SetupModel::kDisplayRadix, 200}})
    setup.SetGroupByte(3, byte, static_cast<int16_t>(value));
  setup.SetPolarity(0, 5, false);
  model.Load(1, 2);
  EXPECT_EQ(model.Assigned(), 36 + 1 + 2);
  const EditorModel::GroupSettings& g3 = model.group(3);
  EXPECT_EQ((std::array{g3.base, g3.input, g3.display}), (std::array<int16_t, 3>{2, 2, 6}));
  EXPECT_EQ(model.section(0).pool.label(5).colour, ChannelPool::Colour::Design);
  model.Edit2Mem();
  EXPECT_EQ(std::tuple(setup.GetLabel(3), setup.GetWidth(0), setup.GetWidth(2)),
            std::tuple(std::string("AB  "), 0, 2));
  EXPECT_EQ(setup.GetChanMap(setup.GetFirst(2)), 3);
  EXPECT_EQ(setup.GetChanMap(static_cast<int16_t>(setup.GetFirst(2) + 1)), 4);
}

// The width field holds 33 channels: a damaged width places no more, and a 34th channel,
// added or selected, is refused with the beep; the advance then goes on after it.
TEST_F(EditorModelTest, AGroupHoldsThirtyThreeChannels) {
  for (int16_t pos = 0; pos < 72; ++pos)
    setup.SetChanMap(pos, static_cast<int16_t>(pos / 9 * 10 + pos % 9));
  setup.SetFirst(5, 0);
  setup.SetGroupByte(5, SetupModel::kWidth, 255);  // runs past the map: reads code 0
  model.Load(0, 4);
  EXPECT_EQ(model.RowLength(1, 0), 33);
  EXPECT_EQ(beeps, 0);  // a damaged image is no refused click
  Clear(0, 4, 1, 0);
  for (int i = 0; i < 34; ++i) model.AddToGroup(1, 0);
  EXPECT_EQ(beeps, 1);
  model.SigClick(1, 41, EditorModel::kLeft);
  model.AddToGroup(1, 2);  // placed elsewhere: the advance below steps over it
  model.SigClick(1, 40, EditorModel::kLeft);
  EXPECT_EQ(model.AddToGroup(1, 0), -1);
  EXPECT_EQ(beeps, 2);
  EXPECT_EQ(model.AddToGroup(1, 1), 40);
  EXPECT_EQ(model.AddToGroup(1, 1), 42);
  model.Edit2Mem();
  EXPECT_EQ(setup.GetWidth(5), 33);
  EXPECT_EQ(setup.GetChanMap(32), 35);  // label 32: card 1, pod 3 channel 5
}

// Digits of the group's largest value in its input radix; the next group's column follows
// after at least four digits and a blank.
TEST_F(EditorModelTest, DigitsFollowTheInputRadix) {
  for (const auto& [n, radix, digits, advance] : {std::tuple<int, int16_t, int, int>{8, 0, 2, 5},
                                                  {16, 0, 4, 5},
                                                  {6, 1, 2, 5},
                                                  {20, 0, 5, 6},
                                                  {9, 2, 9, 10},
                                                  {33, 2, 33, 34}}) {
    Clear(0, 2, 1, 0);
    for (int i = 0; i < n; ++i) model.AddToGroup(1, 2);
    model.AddToGroup(1, 3);  // the next one goes to the following group
    model.group(7).input = radix;
    model.Edit2Mem();
    EXPECT_EQ(std::tuple(setup.GetWidth(7), setup.GetDigits(7), setup.GetColumn(8)),
              std::tuple(n, digits, advance))
        << n << " " << radix;
  }
}

// The label boxes' tests type and paste the common cases; these are the characters a
// keyboard can produce beyond them.
TEST(LabelRulesTest, OnlyAsciiLabelCharactersPass) {
  EXPECT_EQ(LabelRules::FilterKey(U'z'), U'Z');
  EXPECT_FALSE(LabelRules::FilterKey(U'\u00e9') || LabelRules::FilterKey(U'\u0131'));  // dotless i
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
  EXPECT_EQ(std::tuple(lines[8].labelName, lines[8].code, lines[8].podName, lines[7].podName),
            std::tuple(std::string("CTL100"), LineRules::kNoChannel, std::string(""),
                       std::string("Pod0.0")));
}
}  // namespace
