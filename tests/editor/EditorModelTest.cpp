// The editor's logic without a window: pool numbering and home cells, loading damaged or
// partial setup images into group tables, and writing the tables back.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "editor/ChannelPool.h"
#include "editor/EditorModel.h"
#include "editor/LabelRules.h"
#include "memory/DefaultImages.h"
#include "memory/MemoryImages.h"

namespace {

class EditorModelTest : public ::testing::Test {
 protected:
  EditorModelTest() { LoadDefaultImages(images, nullptr); }

  SetupModel setup() { return SetupModel(images.SetupMem); }
  // Captions of the labels on group g's strip, left to right.
  std::vector<std::string> Strip(const EditorModel& m, int16_t g) {
    const EditorModel::Section& x = m.section(EditorModel::SectionOf(g));
    std::vector<std::string> out;
    for (const int16_t idx : x.table.at(static_cast<size_t>(EditorModel::RowOf(g)))) {
      if (idx < 0) break;
      out.push_back(x.pool.label(idx).caption);
    }
    return out;
  }
  void ClearGroups() {
    for (int16_t g = 0; g < 10; ++g) setup().SetWidth(g, 0);
  }

  MemoryImages images;
  int beeps = 0;
  EditorModel model{images.SetupMem, [this] { ++beeps; }};
};

std::vector<std::string> Captions(std::initializer_list<int> pods, int from, int to) {
  std::vector<std::string> out;
  for (const int pod : pods) {
    for (int ch = from; from <= to ? ch <= to : ch >= to; ch += from <= to ? 1 : -1) {
      out.push_back(std::to_string(pod) + std::to_string(ch));
    }
  }
  return out;
}

TEST(ChannelPoolTest, CaptionsAndHomeCellsFollowCardsAndPods) {
  ChannelPool a;
  a.BuildPool(1, 9, 0);
  ASSERT_EQ(a.count(), 9);
  EXPECT_EQ(a.label(0).caption, "00");
  EXPECT_EQ(a.label(8).caption, "08");

  ChannelPool b;
  b.BuildPool(2, 18, 1);
  ASSERT_EQ(b.count(), 36);
  std::vector<std::string> captions;
  for (int16_t i = 0; i < b.count(); ++i) captions.push_back(b.label(i).caption);
  EXPECT_EQ(captions, Captions({2, 3, 4, 5}, 0, 8));

  // Blocks of nine, 240 apart, 90 between blocks; one row of 36 at 1800.
  EXPECT_EQ(b.label(0).left, 960);
  EXPECT_EQ(b.label(8).left, 960 + 8 * 240);
  EXPECT_EQ(b.label(9).left, 960 + 9 * 240 + 90);
  EXPECT_EQ(b.label(35).left, 960 + 35 * 240 + 3 * 90);
  for (int16_t i = 0; i < b.count(); ++i) {
    EXPECT_EQ(b.label(i).top, 1800);
    EXPECT_TRUE(b.AtHome(i));
    EXPECT_TRUE(b.label(i).bold);
  }
  EXPECT_EQ(b.Pod(20), 4);
  EXPECT_EQ(b.Channel(20), 2);
  EXPECT_EQ(b.FindChannel(42), 20);
  EXPECT_EQ(b.FindChannel(90), -1);  // an empty map entry
  EXPECT_EQ(b.FindChannel(29), -1);  // no channel 9 in a pod
  EXPECT_EQ(a.FindChannel(5), 5);    // caption 05 is code 5

  ChannelPool four;
  four.BuildPool(4, 18, 0);
  ASSERT_EQ(four.count(), 72);
  EXPECT_EQ(four.label(35).top, 1800);
  EXPECT_EQ(four.label(36).top, 2044);
  EXPECT_EQ(four.label(36).left, 960);
  EXPECT_EQ(four.label(71).left, 960 + 35 * 240 + 3 * 90);
  EXPECT_EQ(four.label(71).caption, "78");
}

TEST(ChannelPoolTest, CardCountsBeyondFourCardsCreateNoPodAboveSeven) {
  ChannelPool b;
  b.BuildPool(3, 18, 3);  // three 9-bit cards before: room for one 18-bit card
  ASSERT_EQ(b.count(), 18);
  EXPECT_EQ(b.label(17).caption, "78");
  ChannelPool none;
  none.BuildPool(2, 18, 5);
  EXPECT_EQ(none.count(), 0);
  none.BuildPool(-1, 9, 0);
  EXPECT_EQ(none.count(), 0);
}

TEST_F(EditorModelTest, LoadSkipsWhatThePoolsCannotShow) {
  // Group 0: width 0 but a valid first position; group 2: the same channel twice and a
  // channel of an absent card; group 3: a label with blanks around it, list values past
  // their last item.
  setup().SetWidth(0, 0);
  setup().SetChanMap(50, 3);
  setup().SetChanMap(51, 3);
  setup().SetChanMap(52, 64);
  setup().SetChanMap(53, 4);
  setup().SetFirst(2, 50);
  setup().SetWidth(2, 4);
  setup().SetLabel(3, "  AB");
  setup().SetGroupByte(3, SetupModel::kBase, 7);
  setup().SetGroupByte(3, SetupModel::kInputRadix, 3);
  setup().SetGroupByte(3, SetupModel::kDisplayRadix, 200);
  model.Load(1, 2);

  EXPECT_TRUE(Strip(model, 0).empty());
  EXPECT_EQ(Strip(model, 2), (std::vector<std::string>{"03", "04"}));
  EXPECT_EQ(model.Assigned(), 1 + 36 + 2);
  EXPECT_EQ(model.group(3).label, "AB");
  EXPECT_EQ(model.group(3).base, 2);
  EXPECT_EQ(model.group(3).input, 2);
  EXPECT_EQ(model.group(3).display, 6);
  // Saved again: the label loses its leading blanks, the skipped entries are gone.
  model.Edit2Mem();
  EXPECT_EQ(setup().GetLabel(3), "AB  ");
  EXPECT_EQ(setup().GetWidth(2), 2);
  EXPECT_EQ(setup().GetChanMap(setup().GetFirst(2)), 3);
  EXPECT_EQ(setup().GetChanMap(static_cast<int16_t>(setup().GetFirst(2) + 1)), 4);
  // Unplaced labels keep the design colours whatever their bit says.
  setup().SetPolarity(0, 5, false);
  model.Load(1, 2);
  EXPECT_EQ(model.section(0).pool.label(5).colour, ChannelPool::Colour::Design);
}

TEST_F(EditorModelTest, CraftedWidthNeverOverfillsAStrip) {
  // Four 18-bit cards; group 5 claims all 72 positions, which hold 72 distinct channels.
  int16_t pos = 0;
  for (int16_t pod = 0; pod < 8; ++pod) {
    for (int16_t ch = 0; ch < 9; ++ch)
      setup().SetChanMap(pos++, static_cast<int16_t>(pod * 10 + ch));
  }
  setup().SetFirst(5, 0);
  setup().SetGroupByte(5, SetupModel::kWidth, 255);  // runs past the map: reads code 0
  model.Load(0, 4);
  EXPECT_EQ(model.RowLength(1, 0), EditorModel::kMaxChannels);
  model.Edit2Mem();
  EXPECT_EQ(setup().GetWidth(5), 33);
}

TEST_F(EditorModelTest, NoCardsDisableTheirSectionAndDropItsChannels) {
  model.Load(0, 2);
  EXPECT_FALSE(model.SectionEnabled(0));
  EXPECT_TRUE(model.SectionEnabled(1));
  // The 18-bit pool now holds pods 0 to 3: of its groups' channels only pods 2 and 3 remain.
  EXPECT_EQ(model.Assigned(), 16 + 2);
  model.Load(0, 0);
  EXPECT_EQ(model.Assigned(), 0);
  EXPECT_FALSE(model.SaveEnabled());
}

TEST_F(EditorModelTest, UnchangedDefaultSavesByteForByte) {
  const auto before = images.SetupMem;
  model.Load(1, 2);
  model.Edit2Mem();
  EXPECT_TRUE(std::equal(before.begin(), before.end(), images.SetupMem.begin()));
  const std::vector<int> widths{8, 1, 0, 0, 0, 16, 16, 4, 0, 0};
  const std::vector<int> firsts{0, 8, 0, 0, 0, 9, 25, 41, 0, 0};
  const std::vector<int> columns{0, 5, 10, 10, 10, 10, 15, 20, 25, 25};
  const std::vector<int> digits{2, 1, 0, 0, 0, 4, 4, 4, 0, 0};
  for (int16_t g = 0; g < 10; ++g) {
    EXPECT_EQ(setup().GetWidth(g), widths[static_cast<size_t>(g)]) << g;
    EXPECT_EQ(setup().GetFirst(g), firsts[static_cast<size_t>(g)]) << g;
    EXPECT_EQ(setup().GetColumn(g), columns[static_cast<size_t>(g)]) << g;
    EXPECT_EQ(setup().GetDigits(g), digits[static_cast<size_t>(g)]) << g;
  }
  const auto once = images.SetupMem;
  model.Edit2Mem();
  EXPECT_EQ(once, images.SetupMem);
}

TEST_F(EditorModelTest, WriteBackPacksGroupsAndCountsColumnsAndDigits) {
  ClearGroups();
  // A channel of a card that is absent now (pod 6) is never placed and vanishes at save.
  setup().SetChanMap(60, 60);
  setup().SetFirst(8, 60);
  setup().SetWidth(8, 1);
  model.Load(1, 2);
  ASSERT_EQ(model.Assigned(), 0);

  // Group 0: 00 01 02 in HEX; group 5: nine channels in BIN.
  for (int16_t idx = 0; idx < 3; ++idx) {
    model.SigClick(0, idx, EditorModel::kLeft);
    ASSERT_EQ(model.AddToGroup(0, 0), idx);
  }
  model.group(0).input = 0;
  model.SigClick(1, 0, EditorModel::kLeft);
  model.AddToGroup(1, 0);
  for (int i = 1; i < 9; ++i) model.AddToGroup(1, 0);  // the automatic advance
  model.group(5).input = 2;
  // Group 1 has no channels but shows T2, OCT, ASC and a label.
  model.group(1).base = 1;
  model.group(1).input = 1;
  model.group(1).display = 4;
  model.group(1).label = "X";
  model.Edit2Mem();

  EXPECT_EQ(setup().GetFirst(0), 0);
  EXPECT_EQ(setup().GetWidth(0), 3);
  EXPECT_EQ(setup().GetColumn(0), 0);
  EXPECT_EQ(setup().GetDigits(0), 1);
  for (const int16_t g : std::initializer_list<int16_t>{1, 2, 3, 4}) {
    EXPECT_EQ(setup().GetFirst(g), 0) << g;
    EXPECT_EQ(setup().GetWidth(g), 0) << g;
    EXPECT_EQ(setup().GetColumn(g), 5) << g;
    EXPECT_EQ(setup().GetDigits(g), 0) << g;
  }
  EXPECT_EQ(setup().GetBase(1), 2);
  EXPECT_EQ(setup().GetInputRadix(1), 0);
  EXPECT_EQ(setup().GetDisplayRadix(1), 0);
  EXPECT_EQ(setup().GetLabel(1), "X   ");
  EXPECT_EQ(setup().GetFirst(5), 3);
  EXPECT_EQ(setup().GetWidth(5), 9);
  EXPECT_EQ(setup().GetColumn(5), 5);
  EXPECT_EQ(setup().GetDigits(5), 9);
  for (const int16_t g : std::initializer_list<int16_t>{6, 7, 8, 9}) {
    EXPECT_EQ(setup().GetWidth(g), 0) << g;
    EXPECT_EQ(setup().GetColumn(g), 15) << g;
  }
  const std::vector<int> codes{0, 1, 2, 20, 21, 22, 23, 24, 25, 26, 27, 28};
  for (int16_t p = 0; p < 72; ++p) {
    const int want = p < 12 ? codes[static_cast<size_t>(p)] : 90;
    EXPECT_EQ(setup().GetChanMap(p), want) << p;
  }
}

TEST_F(EditorModelTest, DigitsFollowTheInputRadix) {
  struct Case {
    int n;
    int16_t radix;
    int digits;
    int advance;
  };
  for (const Case c : {Case{8, 0, 2, 5}, Case{16, 0, 4, 5}, Case{4, 1, 2, 5}, Case{20, 0, 5, 6},
                       Case{9, 2, 9, 10}, Case{33, 2, 33, 34}}) {
    ClearGroups();
    model.Load(0, 2);
    model.SigClick(1, 0, EditorModel::kLeft);
    model.AddToGroup(1, 2);
    for (int i = 1; i < c.n; ++i) model.AddToGroup(1, 2);
    model.AddToGroup(1, 3);  // the next one goes to the following group
    model.group(7).input = c.radix;
    model.Edit2Mem();
    EXPECT_EQ(setup().GetWidth(7), c.n);
    EXPECT_EQ(setup().GetDigits(7), c.digits) << c.n << " " << c.radix;
    EXPECT_EQ(setup().GetColumn(8), c.advance) << c.n << " " << c.radix;
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

}  // namespace
