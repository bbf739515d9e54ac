// The display's state rules without a window: the header's times and texts, the lines and
// names, reopening, crafted headers, the cursor and page keys, markers, the name column's
// mouse rules and the display order written back. (That the line table stays a permutation
// and every index in range over any image is replayed by the display fuzz target.)
#include <gtest/gtest.h>

#include <tuple>

#include "FlatSession.h"

namespace {

using E = DisplayView::Effect;
using V = DisplayView;

E RightClick(DisplayView& view, int32_t y) {
  return view.Form_MouseDown(V::kRightButton, 0, 100, y);
}

// The header's cards, clock, period and trigger, and the setup's trigger position, give the
// last sample, the trigger text and the cursor readouts (period codes: 1 is 20 ns, 7 is 2 us,
// 14 is 500 us, 24 is 1 s).
TEST(DisplayViewBuild, HeaderGivesLastSampleTriggerAndTimes) {
  const struct {
    int cards18, clock, period, trigPos, triggered, lastSample, sample;
    const char *trigger, *time;
  } cases[] = {
      {2, 0, 1, 2, 0, 512, 100, "TRIG@5120ns", "2000ns"},
      {0, 0, 1, 2, 0, 256, -3, "TRIG@5120ns", "-60ns"},
      {2, 1, 1, 2, 0, 512, 100, "TRIG@256", "100"},
      {2, 0, 7, 2, 0, 512, 3, "TRIG@512us", "6us"},
      {2, 0, 14, 2, 0, 512, 512, "TRIG@128000us", "256000us"},  // more than 16 bits count
      {2, 0, 24, 4, 1, 512, 2, "NO TRIG", "2s"},
  };
  for (const auto& c : cases) {
    Drawn b(true);
    b.session.cards18 = static_cast<int16_t>(c.cards18);
    if (c.cards18 == 0) b.session.images().AcqMem[585] = 0;  // no 18-bit card
    b.session.images().AcqMem[580] = static_cast<uint8_t>(c.clock);
    b.session.images().AcqMem[581] = static_cast<uint8_t>(c.period);
    b.session.images().AcqMem[574] = static_cast<uint8_t>(c.triggered);
    b.session.images().SetupMem[0] = static_cast<uint8_t>(c.trigPos);
    b.build();
    EXPECT_EQ(std::tuple(b.view.LastSample, b.view.LastLine, b.view.TriggerText,
                         b.view.CursorTimeText(c.sample)),
              std::tuple(c.lastSample, c.cards18 == 0 ? 8 : 44, c.trigger, c.time))
        << &c - cases;
  }
  std::string periods;
  for (int p : {0, 999, 1000, 999999, 1000000, 1000000000})
    periods += V::PeriodText(p) + V::PeriodUnit(p) + " ";
  EXPECT_EQ(periods, "SYNC 999ns 1us 999.999us 1ms 1s ");
}

// Matched (configuration read with the acquisition, same cards): the analyser's display order
// with label and pod names. Otherwise the pods' order with pod names only.
TEST(DisplayViewBuild, LineOrderNamesAndReopening) {
  Drawn b(true);
  b.build();
  ASSERT_TRUE(b.view.Matched);
  std::string names;
  for (const int16_t line : {int16_t{0}, int16_t{8}, int16_t{9}})
    names += b.view.Name(line, false) + b.view.Name(line, true) + " ";
  EXPECT_EQ(names, "GRPA07Pod0.7 CTL100Pod0.8 GRPB15Pod2.7 ");
  for (int variant = 0; variant < 3; ++variant) {
    Drawn u;
    u.session.cnf = variant != 0;
    if (variant == 1) u.session.cards09 = 2;
    if (variant == 2) u.session.cards18 = 1;
    u.build();
    EXPECT_FALSE(u.view.Matched) << variant;
    EXPECT_EQ(u.view.Name(8, false) + u.view.Name(9, true), "Pod0.8Pod2.0") << variant;
    EXPECT_EQ(u.view.LineTable[44].code, 58) << variant;
  }
  // Written back, twin labels give the first group's number (the order reaching the analyser
  // is checked on the window).
  SetupModel setup(b.session.images().SetupMem);
  setup.SetLabel(6, "GRPB");
  b.build();
  b.view.WriteOrder(setup);
  EXPECT_EQ(std::tuple(setup.GetOrderGroup(25), setup.GetOrderBit(25)), std::tuple(5, 15));

  // Reopening keeps the name set, the zero reference and the order flag, and rebuilds the rest.
  b.view.SignalNames = b.view.OrderModified = true;
  b.view.ZeroSample = 30;
  b.view.Markers[0] = 5;
  b.view.TopLine = 3;
  b.view.LineTable[4].picked = 1;
  PlaceCursor(b.view, 7, 40);
  b.build();
  EXPECT_EQ(
      std::tuple(b.view.SignalNames && b.view.OrderModified, b.view.ZeroSample, b.view.Markers[0],
                 b.view.TopLine, b.view.FindPickedLine(), b.view.CursorX, b.view.RelSample),
      std::tuple(true, 30, -1, 0, -1, 772, -30));
}

// A crafted header claiming every card and a pod row of 65535 bytes: the lines stop at the
// table's end and the samples at the largest 16-bit number.
TEST(DisplayViewBuild, CraftedHeadersStayInsideTheTables) {
  Drawn b(true);
  for (int32_t offset : {583, 585, 514, 515}) b.session.images().AcqMem[offset] = 255;
  b.build();
  EXPECT_EQ(std::tuple(b.view.LastLine, b.view.LastSample), std::tuple(71, 32767));
  b.view.GoToEnd(false);
  EXPECT_EQ(b.view.CursorSample, 32767);
  for (int i = 0; i < 100; ++i) b.view.Form_KeyDown(V::kDown, V::kShift);
  EXPECT_EQ(b.view.TopLine, 48);  // rows 48..71: the last row shows line 71
}

// The key rules from a placed cursor and top row; the page starts at sample - column. "Near"
// means within a page of that end, where the key jumps to the end.
TEST(DisplayViewKeys, CursorPageRowAndMarkerRules) {
  constexpr int S = V::kShift, C = V::kControl;
  const struct {
    const char* what;
    int16_t column, sample, top;
    int key, shift;
    E effect;
    int column2, sample2, top2;
  } cases[] = {
      {"left at column 1, near 0", 1, 50, 0, V::kLeft, 0, E::kRedraw, 0, 0, 0},
      {"left at column 1", 1, 500, 0, V::kLeft, 0, E::kMoveCursor, 1, 500, 0},
      {"ten left too far: one", 5, 300, 0, V::kLeft, S, E::kMoveCursor, 4, 299, 0},
      {"right at column 103, near end", 103, 462, 0, V::kRight, 0, E::kRedraw, 103, 512, 0},
      {"right at column 103", 103, 312, 0, V::kRight, 0, E::kMoveCursor, 103, 312, 0},
      {"ten right too far: one", 95, 95, 0, V::kRight, S, E::kMoveCursor, 96, 96, 0},
      {"page left past 0", 20, 25, 0, V::kLeft, C, E::kNothing, 20, 25, 0},
      {"page left", 20, 30, 0, V::kLeft, C | S, E::kRedraw, 20, 20, 0},
      {"page right", 0, 399, 0, V::kRight, C, E::kRedraw, 0, 409, 0},
      {"page right past the end", 0, 409, 0, V::kRight, C, E::kNothing, 0, 409, 0},
      {"rows 21..44: last", 0, 0, 21, V::kDown, 0, E::kRedraw, 0, 0, 21},
      {"ten down too far: one", 0, 0, 20, V::kDown, S, E::kRedraw, 0, 0, 21},
      {"ten up too far: one", 0, 0, 5, V::kUp, S, E::kRedraw, 0, 0, 4},
  };
  Drawn b(true);
  b.build();
  for (const auto& c : cases) {
    PlaceCursor(b.view, c.column, c.sample);
    b.view.TopLine = c.top;
    EXPECT_EQ(b.view.Form_KeyDown(c.key, c.shift), c.effect) << c.what;
    EXPECT_EQ(std::tuple(b.view.Column(), b.view.CursorSample, b.view.RelSample, b.view.TopLine),
              std::tuple(c.column2, c.sample2, c.sample2, c.top2))
        << c.what;
  }
  // A jump to either end counts as drawn where it lands.
  b.view.GoToEnd(false);
  EXPECT_EQ(std::tuple(b.view.PrevCursorX, b.view.PrevCursorSample), std::tuple(11587, 512));

  // Space takes the first free letter up to Z: the second 20 deletes B, the marker at 40 is
  // B again, and 73 and later find no letter.
  std::vector<int16_t> marks{10, 20, 30, 20, 40};
  for (int16_t s = 50; s <= 74; ++s) marks.push_back(s);
  for (int16_t s : marks) {
    PlaceCursor(b.view, s, s);
    EXPECT_EQ(b.view.Form_KeyPress(' '), E::kRedraw);
  }
  EXPECT_EQ(std::tuple(b.view.Markers[1], b.view.Markers[25]), std::tuple(40, 72));
}

// A click picks the line whose name row holds it (the window checks which clicks reach the
// name column); only drawn lines are picked, and a line drops at most just below the last.
TEST(DisplayViewMouse, PickAndDropWithinTheDrawnLines) {
  Drawn b(true);
  b.session.images().AcqMem[585] = 0;  // nine lines
  b.build();
  const auto table = b.view.LineTable;
  b.view.TopLine = 1;
  for (int32_t y : {37, 7350, 9 * 300 + 150}) EXPECT_EQ(RightClick(b.view, y), E::kNothing) << y;
  RightClick(b.view, 100);
  ASSERT_EQ(b.view.FindPickedLine(), 0);  // the line above the top row
  b.view.TopLine = 0;
  EXPECT_EQ(RightClick(b.view, 15 * 300 + 150), E::kNothing);  // far below: ignored, still picked
  EXPECT_FALSE(b.view.OrderModified);
  // Just below the last line: the picked line becomes the last one.
  EXPECT_EQ(RightClick(b.view, 9 * 300 + 10), E::kRedraw);
  EXPECT_TRUE(b.view.OrderModified);
  EXPECT_EQ(std::tuple(b.view.LineTable[8].code, b.view.LineTable[0].code),
            std::tuple(table[0].code, table[1].code));
  // Dropped above: the lines between move down one.
  RightClick(b.view, 8 * 300 + 150);
  RightClick(b.view, 700);
  EXPECT_EQ(std::tuple(b.view.LineTable[2].code, b.view.LineTable[3].code),
            std::tuple(table[0].code, table[3].code));
  EXPECT_EQ(b.view.FindPickedLine(), -1);
}

}  // namespace
