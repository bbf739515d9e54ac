// The display's state rules without a window: building the lines from the images, the period
// and trigger texts, the cursor and page keys, markers, the name column's mouse rules and the
// display order written back.
#include <gtest/gtest.h>

#include "DemoImages.h"
#include "display/DisplayView.h"
#include "model/SetupModel.h"

namespace {

using Effect = DisplayView::Effect;

struct Built {
  HandSession session;
  DisplayView view;
  void build() {
    SetupModel setup(session.images().SetupMem);
    view.BuildView(setup, session.images().AcqMem, session.cnf, session.cards09, session.cards18);
  }
};

// Puts the cursor in `column` on `sample` keeping the page invariant.
void PlaceCursor(DisplayView& v, int16_t column, int16_t sample) {
  v.CursorX = static_cast<int16_t>(772 + 105 * column);
  v.CursorSample = sample;
  v.RelSample = static_cast<int16_t>(sample - v.ZeroSample);
  v.CursorDrawn();
}

TEST(DisplayViewBuild, DemoImagesGiveLinesSamplesAndTrigger) {
  Built b;
  b.build();
  EXPECT_EQ(b.view.LastLine, 44);
  EXPECT_EQ(b.view.LastSample, 512);
  EXPECT_EQ(b.view.TriggerText, "TRIG@5120ns");
  EXPECT_TRUE(b.view.Matched);
  EXPECT_EQ(b.view.CursorSample, 0);
  EXPECT_EQ(b.view.CursorX, 772);
  EXPECT_EQ(b.view.TopLine, 0);
  for (int32_t m : b.view.Markers) EXPECT_EQ(m, -1);

  b.view.GoToEnd(false);
  EXPECT_EQ(b.view.CursorSample, 512);
  EXPECT_EQ(b.view.CursorX, 11587);
  EXPECT_EQ(b.view.FirstSample(), 409);
  EXPECT_EQ(b.view.PrevCursorX, 11587);
  EXPECT_EQ(b.view.PrevCursorSample, 512);
}

TEST(DisplayViewBuild, NoEighteenBitCardHalvesTheLastSample) {
  Built b;
  SetAcqByte(b.session.images(), 585, 0);
  b.session.cards18 = 0;
  b.build();
  EXPECT_EQ(b.view.LastSample, 256);
  EXPECT_EQ(b.view.LastLine, 8);
}

TEST(DisplayViewBuild, TriggerTextFollowsPeriodAndPosition) {
  Built b;
  SetAcqByte(b.session.images(), 580, 1);  // synchronous clock
  b.build();
  EXPECT_EQ(b.view.TriggerText, "TRIG@256");

  SetAcqByte(b.session.images(), 580, 0);
  SetAcqByte(b.session.images(), 581, 7);  // 2000 ns
  b.build();
  EXPECT_EQ(b.view.TriggerText, "TRIG@512us");

  SetAcqByte(b.session.images(), 581, 24);  // 1 s
  b.session.images().SetupMem[0] = 4;       // 496
  b.build();
  EXPECT_EQ(b.view.TriggerText, "TRIG@496s");

  SetAcqByte(b.session.images(), 574, 1);
  b.build();
  EXPECT_EQ(b.view.TriggerText, "NO TRIG");
  SetAcqByte(b.session.images(), 580, 1);
  b.build();
  EXPECT_EQ(b.view.TriggerText, "NO TRIG");
}

TEST(DisplayViewBuild, PeriodTextsAndUnits) {
  EXPECT_EQ(DisplayView::PeriodText(0), "SYNC");
  EXPECT_EQ(DisplayView::PeriodUnit(0), "");
  EXPECT_EQ(DisplayView::PeriodText(10), "10");
  EXPECT_EQ(DisplayView::PeriodText(1000), "1");
  EXPECT_EQ(DisplayView::PeriodText(2000), "2");
  EXPECT_EQ(DisplayView::PeriodText(500000), "500");
  EXPECT_EQ(DisplayView::PeriodText(1000000000), "1");
  EXPECT_EQ(DisplayView::PeriodUnit(999), "ns");
  EXPECT_EQ(DisplayView::PeriodUnit(1000), "us");
  EXPECT_EQ(DisplayView::PeriodUnit(999999), "us");
  EXPECT_EQ(DisplayView::PeriodUnit(1000000), "ms");
  EXPECT_EQ(DisplayView::PeriodUnit(1000000000), "s");
}

TEST(DisplayViewBuild, MatchedLinesFollowTheAnalysersOrderWithLabelNames) {
  Built b;
  b.build();
  EXPECT_EQ(b.view.LineTable[0].code, 7);
  EXPECT_EQ(b.view.Name(0, false), "GRPA07");
  EXPECT_EQ(b.view.Name(0, true), "Pod0.7");
  EXPECT_EQ(b.view.Name(8, false), "CTL100");
  EXPECT_EQ(b.view.Name(8, true), "Pod0.8");
  EXPECT_EQ(b.view.Name(9, false), "GRPB15");
  EXPECT_EQ(b.view.Name(9, true), "Pod2.7");
  EXPECT_EQ(b.view.Name(44, false), "CTL200");
  EXPECT_EQ(b.view.Name(44, true), "Pod5.8");
  for (int16_t i = 0; i < 72; ++i) EXPECT_EQ(b.view.LineTable[static_cast<size_t>(i)].nameIndex, i);
}

TEST(DisplayViewBuild, UnmatchedLinesFollowThePodsWithPodNamesOnly) {
  for (int variant = 0; variant < 3; ++variant) {
    Built b;
    if (variant == 0) b.session.cnf = false;
    if (variant == 1) b.session.cards09 = 2;
    if (variant == 2) b.session.cards18 = 1;
    b.build();
    EXPECT_FALSE(b.view.Matched) << variant;
    for (int i = 0; i <= 8; ++i) {
      EXPECT_EQ(b.view.Name(static_cast<int16_t>(i), true), "Pod0." + std::to_string(i));
    }
    EXPECT_EQ(b.view.Name(9, true), "Pod2.0");
    EXPECT_EQ(b.view.Name(44, true), "Pod5.8");
    EXPECT_EQ(b.view.LineTable[44].code, 58);
    for (int16_t i = 0; i < 72; ++i) EXPECT_EQ(b.view.Name(i, true), b.view.Name(i, false));
  }
}

TEST(DisplayViewBuild, ReopeningKeepsNameSetZeroAndOrderFlagButRebuildsTheRest) {
  Built b;
  b.build();
  b.view.SignalNames = true;
  b.view.ZeroSample = 30;
  b.view.OrderModified = true;
  b.view.Markers[0] = 5;
  b.view.TopLine = 3;
  b.view.LineTable[4].picked = 1;
  b.build();
  EXPECT_TRUE(b.view.SignalNames);
  EXPECT_EQ(b.view.ZeroSample, 30);
  EXPECT_TRUE(b.view.OrderModified);
  EXPECT_EQ(b.view.Markers[0], -1);
  EXPECT_EQ(b.view.TopLine, 0);
  EXPECT_EQ(b.view.FindPickedLine(), -1);
  EXPECT_EQ(b.view.RelSample, -30);
}

TEST(DisplayViewBuild, CraftedHeadersStayInsideTheTables) {
  Built b;
  SetAcqByte(b.session.images(), 583, 255);
  SetAcqByte(b.session.images(), 585, 255);
  SetAcqWord(b.session.images(), 514, 65535);  // pod 0 claims a row of 65535 bytes
  b.build();
  EXPECT_EQ(b.view.LastLine, 71);
  EXPECT_EQ(b.view.LastSample, 32767);
  b.view.GoToEnd(false);
  EXPECT_EQ(b.view.CursorSample, 32767);
  for (int i = 0; i < 100; ++i) b.view.Form_KeyDown(DisplayView::kDown, DisplayView::kShift);
  EXPECT_EQ(b.view.TopLine, 48);  // rows 48..71: the last row shows line 71
  // A pick below the last row of the table is refused.
  EXPECT_EQ(b.view.Form_MouseDown(DisplayView::kRightButton, 0, 100, 7349), Effect::kNothing);
  EXPECT_EQ(b.view.FindPickedLine(), -1);

  Built none;
  for (int pod = 0; pod < 8; ++pod) SetAcqByte(none.session.images(), 562 + pod, 1);
  SetAcqByte(none.session.images(), 583, 0);
  SetAcqByte(none.session.images(), 585, 0);
  none.build();
  EXPECT_EQ(none.view.LastLine, -1);
  EXPECT_EQ(none.view.LastSample, -4);
  EXPECT_EQ(none.view.Form_MouseDown(DisplayView::kRightButton, 0, 100, 200), Effect::kNothing);
  EXPECT_EQ(none.view.FindPickedLine(), -1);
}

TEST(DisplayViewKeys, CursorLeftRules) {
  Built b;
  b.build();
  PlaceCursor(b.view, 1, 50);
  EXPECT_EQ(b.view.Form_KeyDown(DisplayView::kLeft, 0), Effect::kRedraw);
  EXPECT_EQ(b.view.CursorSample, 0);
  EXPECT_EQ(b.view.CursorX, 772);

  PlaceCursor(b.view, 1, 500);
  EXPECT_EQ(b.view.Form_KeyDown(DisplayView::kLeft, 0), Effect::kMoveCursor);
  EXPECT_EQ(b.view.CursorSample, 500);
  EXPECT_EQ(b.view.CursorX, 877);

  PlaceCursor(b.view, 5, 300);  // x 1297: ten columns back would reach 247
  EXPECT_EQ(b.view.Form_KeyDown(DisplayView::kLeft, DisplayView::kShift), Effect::kMoveCursor);
  EXPECT_EQ(b.view.CursorX, 1192);
  EXPECT_EQ(b.view.CursorSample, 299);
  EXPECT_EQ(b.view.RelSample, 299);

  PlaceCursor(b.view, 50, 300);
  b.view.Form_KeyDown(DisplayView::kLeft, DisplayView::kShift);
  EXPECT_EQ(b.view.Column(), 40);
  EXPECT_EQ(b.view.CursorSample, 290);
  EXPECT_EQ(b.view.FirstSample(), 250);
}

TEST(DisplayViewKeys, CursorRightRules) {
  Built b;
  b.build();
  PlaceCursor(b.view, 103, 512 - 50);
  EXPECT_EQ(b.view.Form_KeyDown(DisplayView::kRight, 0), Effect::kRedraw);
  EXPECT_EQ(b.view.CursorSample, 512);
  EXPECT_EQ(b.view.CursorX, 11587);

  PlaceCursor(b.view, 103, 512 - 200);
  EXPECT_EQ(b.view.Form_KeyDown(DisplayView::kRight, 0), Effect::kMoveCursor);
  EXPECT_EQ(b.view.CursorSample, 312);

  PlaceCursor(b.view, 0, 0);
  b.view.Form_KeyDown(DisplayView::kRight, DisplayView::kShift);
  EXPECT_EQ(b.view.Column(), 10);
  PlaceCursor(b.view, 95, 95);
  b.view.Form_KeyDown(DisplayView::kRight, DisplayView::kShift);
  EXPECT_EQ(b.view.Column(), 96);
  PlaceCursor(b.view, 102, 102);
  b.view.Form_KeyDown(DisplayView::kRight, 0);
  EXPECT_EQ(b.view.Column(), 103);  // a right move reaches the last column
  EXPECT_EQ(b.view.CursorSample, 103);
}

TEST(DisplayViewKeys, PagingWithControl) {
  Built b;
  b.build();
  PlaceCursor(b.view, 20, 25);
  EXPECT_EQ(b.view.Form_KeyDown(DisplayView::kLeft, DisplayView::kControl), Effect::kNothing);
  EXPECT_EQ(b.view.CursorSample, 25);
  PlaceCursor(b.view, 20, 30);
  EXPECT_EQ(b.view.Form_KeyDown(DisplayView::kLeft, DisplayView::kControl | DisplayView::kShift),
            Effect::kRedraw);
  EXPECT_EQ(b.view.CursorSample, 20);
  EXPECT_EQ(b.view.Column(), 20);
  EXPECT_EQ(b.view.FirstSample(), 0);

  // Right paging stops where the page would run past the last sample.
  PlaceCursor(b.view, 0, 399);  // page 399..502
  EXPECT_EQ(b.view.Form_KeyDown(DisplayView::kRight, DisplayView::kControl), Effect::kRedraw);
  EXPECT_EQ(b.view.FirstSample(), 409);
  EXPECT_EQ(b.view.Form_KeyDown(DisplayView::kRight, DisplayView::kControl), Effect::kNothing);
  EXPECT_EQ(b.view.FirstSample(), 409);

  EXPECT_EQ(b.view.Form_KeyDown(DisplayView::kP, 0), Effect::kNothing);
  EXPECT_EQ(b.view.Form_KeyDown(DisplayView::kP, DisplayView::kControl), Effect::kPrint);
  EXPECT_EQ(b.view.Form_KeyDown(65, 0), Effect::kNothing);
  EXPECT_EQ(b.view.Form_KeyDown(DisplayView::kEnd, 0), Effect::kRedraw);
  EXPECT_EQ(b.view.CursorSample, 512);
  EXPECT_EQ(b.view.Form_KeyDown(DisplayView::kHome, DisplayView::kControl), Effect::kRedraw);
  EXPECT_EQ(b.view.CursorSample, 0);
}

TEST(DisplayViewKeys, ScrollingTheRows) {
  Built b;
  b.build();
  for (int i = 0; i < 40; ++i) {
    EXPECT_EQ(b.view.Form_KeyDown(DisplayView::kDown, 0), Effect::kRedraw);
  }
  EXPECT_EQ(b.view.TopLine, 21);  // rows show lines 21..44
  b.view.TopLine = 5;
  b.view.Form_KeyDown(DisplayView::kUp, DisplayView::kShift);
  EXPECT_EQ(b.view.TopLine, 4);
  b.view.TopLine = 0;
  b.view.Form_KeyDown(DisplayView::kDown, DisplayView::kShift);
  EXPECT_EQ(b.view.TopLine, 10);
  b.view.Form_KeyDown(DisplayView::kDown, DisplayView::kShift);
  EXPECT_EQ(b.view.TopLine, 20);
  b.view.Form_KeyDown(DisplayView::kDown, DisplayView::kShift);
  EXPECT_EQ(b.view.TopLine, 21);  // 30 is not below 22, 21 is

  Built small;
  SetAcqByte(small.session.images(), 585, 0);
  small.build();
  ASSERT_EQ(small.view.LastLine, 8);
  small.view.Form_KeyDown(DisplayView::kDown, 0);
  EXPECT_EQ(small.view.TopLine, 0);
}

TEST(DisplayViewKeys, MarkersZeroAndNameSets) {
  Built b;
  b.build();
  PlaceCursor(b.view, 3, 3);
  EXPECT_EQ(b.view.Form_KeyPress(' '), Effect::kRedraw);
  EXPECT_EQ(b.view.Markers[0], 3);
  EXPECT_EQ(b.view.Form_KeyPress(' '), Effect::kRedraw);
  EXPECT_EQ(b.view.Markers[0], -1);

  for (int16_t s : {int16_t{10}, int16_t{20}, int16_t{30}}) {
    PlaceCursor(b.view, s, s);
    b.view.Form_KeyPress(' ');
  }
  PlaceCursor(b.view, 20, 20);
  b.view.Form_KeyPress(' ');  // deletes B
  PlaceCursor(b.view, 40, 40);
  b.view.Form_KeyPress(' ');
  EXPECT_EQ(b.view.Markers[1], 40);  // the new marker is B again

  for (int16_t s = 50; s < 80; ++s) {
    PlaceCursor(b.view, s, s);
    b.view.Form_KeyPress(' ');
  }
  for (int32_t m : b.view.Markers) EXPECT_NE(m, -1);
  EXPECT_EQ(b.view.Markers[25], 72);  // 26 markers; 73 and later were refused

  PlaceCursor(b.view, 7, 7);
  EXPECT_EQ(b.view.Form_KeyPress('z'), Effect::kRedraw);
  EXPECT_EQ(b.view.ZeroSample, 7);
  EXPECT_EQ(b.view.RelSample, 0);
  for (int i = 0; i < 3; ++i) b.view.Form_KeyDown(DisplayView::kRight, 0);
  EXPECT_EQ(b.view.RelSample, 3);
  EXPECT_EQ(b.view.CursorSample, 10);

  EXPECT_EQ(b.view.Form_KeyPress('s'), Effect::kRedrawNames);
  EXPECT_TRUE(b.view.SignalNames);
  EXPECT_EQ(b.view.Form_KeyPress('G'), Effect::kRedrawNames);
  EXPECT_FALSE(b.view.SignalNames);
  EXPECT_EQ(b.view.Form_KeyPress('x'), Effect::kNothing);
}

TEST(DisplayViewKeys, CursorTimes) {
  Built b;
  b.build();  // 20 ns
  EXPECT_EQ(b.view.CursorTimeText(100), "2000ns");
  EXPECT_EQ(b.view.CursorTimeText(60), "1200ns");
  EXPECT_EQ(b.view.CursorTimeText(-3), "-60ns");
  SetAcqByte(b.session.images(), 581, 7);  // 2 us
  b.build();
  EXPECT_EQ(b.view.CursorTimeText(3), "6us");
  SetAcqByte(b.session.images(), 581, 14);  // 500 us: 512 samples is more than 16 bits count
  b.build();
  EXPECT_EQ(b.view.CursorTimeText(512), "256000us");
  SetAcqByte(b.session.images(), 580, 1);
  b.build();
  EXPECT_EQ(b.view.CursorTimeText(100), "100");
}

TEST(DisplayViewMouse, PickingAndDroppingLines) {
  const auto codes = [](const DisplayView& v) {
    std::vector<int16_t> c;
    for (const auto& l : v.LineTable) c.push_back(l.code);
    return c;
  };
  Built b;
  b.build();
  const auto before = codes(b.view);

  EXPECT_EQ(b.view.Form_MouseDown(DisplayView::kRightButton, 0, 100, 1050), Effect::kRedraw);
  EXPECT_EQ(b.view.FindPickedLine(), 3);
  EXPECT_FALSE(b.view.OrderModified);
  EXPECT_EQ(b.view.Form_MouseDown(DisplayView::kRightButton, 0, 100, 2500), Effect::kRedraw);
  EXPECT_EQ(b.view.FindPickedLine(), -1);
  EXPECT_TRUE(b.view.OrderModified);
  const auto after = codes(b.view);
  for (int i = 3; i <= 6; ++i)
    EXPECT_EQ(after[static_cast<size_t>(i)], before[static_cast<size_t>(i + 1)]);
  EXPECT_EQ(after[7], before[3]);
  EXPECT_EQ(after[8], before[8]);
  EXPECT_EQ(b.view.Name(7, false), "GRPA04");  // the name travels with the line

  Built c;
  c.build();
  c.view.Form_MouseDown(DisplayView::kRightButton, 0, 100, 3150);  // line 10
  ASSERT_EQ(c.view.FindPickedLine(), 10);
  c.view.Form_MouseDown(DisplayView::kRightButton, 0, 100, 700);  // dest 2
  EXPECT_EQ(c.view.LineTable[2].code, before[10]);
  for (int i = 3; i <= 10; ++i) {
    EXPECT_EQ(c.view.LineTable[static_cast<size_t>(i)].code, before[static_cast<size_t>(i - 1)]);
  }
  EXPECT_EQ(c.view.LineTable[11].code, before[11]);

  // Clicking the picked line's own row again unpicks it without a move.
  Built d;
  d.build();
  d.view.Form_MouseDown(DisplayView::kRightButton, 0, 100, 1050);
  d.view.Form_MouseDown(DisplayView::kRightButton, 0, 100, 1000);
  EXPECT_EQ(d.view.FindPickedLine(), -1);
  EXPECT_FALSE(d.view.OrderModified);
  EXPECT_EQ(codes(d.view), before);
}

TEST(DisplayViewMouse, EdgesOfTheNameColumn) {
  Built b;
  b.build();
  b.view.TopLine = 5;
  b.view.Form_MouseDown(DisplayView::kRightButton, 0, 100, 100);
  EXPECT_EQ(b.view.FindPickedLine(), 4);  // the line above the top row
  b.view.LineTable[4].picked = 0;
  b.view.TopLine = 0;
  EXPECT_EQ(b.view.Form_MouseDown(DisplayView::kRightButton, 0, 100, 100), Effect::kNothing);
  EXPECT_EQ(b.view.Form_MouseDown(DisplayView::kRightButton, 0, 100, 37), Effect::kNothing);
  EXPECT_EQ(b.view.Form_MouseDown(DisplayView::kRightButton, 0, 100, 7350), Effect::kNothing);
  EXPECT_EQ(b.view.FindPickedLine(), -1);

  EXPECT_EQ(b.view.Form_MouseDown(DisplayView::kLeftButton, 0, 719, 3000), Effect::kRedrawNames);
  EXPECT_TRUE(b.view.SignalNames);
  EXPECT_EQ(b.view.Form_MouseDown(DisplayView::kMiddleButton, 0, 0, 3000), Effect::kRedrawNames);
  EXPECT_FALSE(b.view.SignalNames);
  EXPECT_EQ(b.view.Form_MouseDown(DisplayView::kLeftButton, 0, 720, 3000), Effect::kNothing);
  EXPECT_EQ(b.view.Form_MouseDown(DisplayView::kRightButton, 0, 720, 1050), Effect::kNothing);
  EXPECT_FALSE(b.view.SignalNames);
  EXPECT_EQ(b.view.FindPickedLine(), -1);
}

TEST(DisplayViewMouse, NothingBeyondTheLastLineIsPickedOrDisturbed) {
  Built b;
  SetAcqByte(b.session.images(), 585, 0);  // nine lines
  b.build();
  const auto table = b.view.LineTable;
  EXPECT_EQ(b.view.Form_MouseDown(DisplayView::kRightButton, 0, 100, 9 * 300 + 150),
            Effect::kNothing);
  EXPECT_EQ(b.view.FindPickedLine(), -1);

  b.view.Form_MouseDown(DisplayView::kRightButton, 0, 100, 2 * 300 + 150);  // pick line 2
  ASSERT_EQ(b.view.FindPickedLine(), 2);
  EXPECT_EQ(b.view.Form_MouseDown(DisplayView::kRightButton, 0, 100, 15 * 300 + 150),
            Effect::kNothing);  // far below: ignored, still picked
  EXPECT_EQ(b.view.FindPickedLine(), 2);
  for (size_t i = 9; i < 72; ++i) EXPECT_EQ(b.view.LineTable[i].code, table[i].code);

  // Just below the last line: the picked line becomes the last one.
  b.view.Form_MouseDown(DisplayView::kRightButton, 0, 100, 9 * 300 + 10);
  EXPECT_EQ(b.view.LineTable[8].code, table[2].code);
  EXPECT_EQ(b.view.LineTable[2].code, table[3].code);
  for (size_t i = 9; i < 72; ++i) EXPECT_EQ(b.view.LineTable[i].code, table[i].code);
}

TEST(DisplayViewWriteBack, OrderFromLabelNames) {
  Built b;
  b.build();
  // Move GRPA07 (line 0) below CTL100 (line 8).
  b.view.Form_MouseDown(DisplayView::kRightButton, 0, 100, 150);
  b.view.Form_MouseDown(DisplayView::kRightButton, 0, 100, 9 * 300 + 10);
  ASSERT_TRUE(b.view.OfferWriteBack());
  SetupModel setup(b.session.images().SetupMem);
  b.view.WriteOrder(setup);
  EXPECT_EQ(setup.GetOrderGroup(7), 1);  // CTL1
  EXPECT_EQ(setup.GetOrderBit(7), 0);
  EXPECT_EQ(setup.GetOrderGroup(8), 0);  // GRPA bit 7
  EXPECT_EQ(setup.GetOrderBit(8), 7);
  EXPECT_EQ(setup.GetOrderGroup(0), 0);
  EXPECT_EQ(setup.GetOrderBit(0), 6);
  EXPECT_EQ(setup.GetOrderBGroup(8), 0);
  EXPECT_EQ(setup.GetOrderBBit(8), 7);
  EXPECT_EQ(setup.GetOrderBGroup(7), 1);
  EXPECT_EQ(setup.GetOrderGroup(9), 5);
  EXPECT_EQ(setup.GetOrderBit(9), 15);

  // Two groups with the same label: the first one's number is written for both.
  Built twin;
  SetupModel twinSetup(twin.session.images().SetupMem);
  twinSetup.SetLabel(6, "GRPB");
  twin.build();
  twin.view.OrderModified = true;
  twin.view.WriteOrder(twinSetup);
  EXPECT_EQ(twinSetup.GetOrderGroup(25), 5);
  EXPECT_EQ(twinSetup.GetOrderBit(25), 15);

  Built pods;
  pods.session.cnf = false;
  pods.build();
  pods.view.OrderModified = true;
  EXPECT_FALSE(pods.view.OfferWriteBack());
}

}  // namespace
