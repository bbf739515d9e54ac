// The drawing checked on the persistent picture's pixels, read as one letter per pixel.
#include <gtest/gtest.h>

#include "FlatSession.h"

namespace {

using D = DisplayDrawing;

// Column c's centre and the pixel rows of row r's low and high levels.
int ColumnPx(int column) { return (772 + 105 * column) / 15; }
int Low(int row) { return 20 * (row + 1); }
int High(int row) { return 20 * (row + 1) - 8; }

TEST(DisplayDrawingFixed, FrameGridPeriodAndEmptyRows) {
  Drawn d;
  d.session.images().AcqMem[585] = 0;  // nine lines only
  d.build();
  EXPECT_EQ(d.pixels(48, 481, 36, true), std::string(35, 'W') + "K");    // the divider
  EXPECT_EQ(d.pixels(0, 500, 780), std::string(779, 'W') + "K");         // above the strip
  EXPECT_EQ(d.pixels(46, 480, 5) + d.pixels(776, 480, 4), "KKggggggK");  // the last grid line
  EXPECT_GT(d.count('G', 0, 501, 47, 517), 10);                          // "20ns"
  EXPECT_GT(d.count('C', 0, 160, 47, 180), 5);                           // the ninth name
  // Rows 9..23 hold no line: nothing but grid, the cursor line and the divider.
  for (int y = Low(8) + 1; y < 500; ++y) {
    const std::string row = d.pixels(0, y, 780);
    EXPECT_EQ(row.find_first_not_of("Kg", 52), std::string::npos) << y;
    EXPECT_EQ(row.find_first_not_of('K'), 48u) << y;
  }
}

// On a 9-bit card, a high sample whose other bit is set is drawn red and two pixels high;
// a picked line turns magenta but keeps its red marks.
TEST(DisplayDrawingSignals, PairedBitMarkIsRedAndTwoPixelsWide) {
  Drawn d;
  SetDemoSample(d.session.images(), 0, 0, 0, 0xC0);  // sample 256: high, other bit set
  SetDemoSample(d.session.images(), 0, 0, 1, 0x02);  // sample 257: high, other bit clear
  d.build();
  d.place(0, 256);  // (column 0's centre holds the trigger tick and the cursor)
  EXPECT_EQ(d.pixels(52, High(0), 10), "RRRWWWWWWW");
  EXPECT_EQ(d.pixels(52, High(0) - 1, 10), "RRRKKKKKKK");
  d.view.LineTable[0].picked = 1;
  d.drawing.Redraw();
  EXPECT_EQ(d.pixels(52, High(0), 10), "RRRMMMMMMM");
  EXPECT_EQ(d.pixels(62, Low(0), 7), "MMMMMMM");
}

// Columns before a pod's first sample stay empty; a trigger tick stands only where the pod
// has the trigger sample, from 4 pixels below the baseline to 11 above. Pod 2 channel 0
// (line 9) has only sample 5 high (stream bit 7 + s), over pixels 83..89, with no vertical
// edge joining the levels.
TEST(DisplayDrawingSignals, LevelsTicksAndNothingBeforeThePodsFirstSample) {
  Drawn d;
  d.session.images().SetupMem[0] = 0;  // trigger at sample 16
  SetDemoSample(d.session.images(), 2, 0, 1, 0x10);
  d.build();
  d.place(0, 200);  // samples 200..303; pod 0 starts at 256, in column 56
  EXPECT_EQ(d.pixels(52, Low(0), 388), std::string(388, 'g'));
  EXPECT_EQ(d.pixels(440, Low(0), 8), "WWWWWWWW");
  EXPECT_EQ(d.pixels(52, Low(9), 388), std::string(388, 'W'));
  d.place(0, 0);
  EXPECT_EQ(d.pixels(80, High(9), 13) + d.pixels(80, Low(9), 13), "KKKWWWWWWWKKKWWWgggggggWWW");
  EXPECT_EQ(d.pixels(83, High(9), 9, true) + d.pixels(80, Low(10), 4), "WKKKKKKKgWWWW");
  EXPECT_EQ(d.pixels(ColumnPx(16), Low(9) - 13, 19, true), "KK" + std::string(16, 'Y') + "K");
  EXPECT_EQ(d.pixels(ColumnPx(16) - 1, Low(9) + 3, 10), "KYKKKKKKKK");
  EXPECT_EQ(d.pixels(ColumnPx(16), Low(0) + 3, 1), "K");  // pod 0 has no sample 16
  d.session.images().AcqMem[574] = 1;                     // not triggered: no tick
  d.build();
  EXPECT_EQ(d.pixels(ColumnPx(16), Low(9) + 3, 1), "K");
}

// The cursor is drawn exclusive-or: blue over a white segment, stopping short of the strip,
// and a move takes it from the old column to the new. Its readout stands right of it up to
// column 97 and left of it from 98 on, the old one printed away; it counts from the zero
// reference.
TEST(DisplayDrawingCursor, ExclusiveOrLineReadoutsAndMarkers) {
  Drawn d;
  d.build();
  EXPECT_EQ(d.pixels(51, 5, 1) + d.pixels(51, Low(9), 1) + d.pixels(51, 499, 2, true), "YBKW");
  d.view.Form_KeyDown(DisplayView::kRight, DisplayView::kShift);
  d.drawing.MoveCursor();
  EXPECT_EQ(d.pixels(51, 5, 1) + d.pixels(51, Low(9), 1) + d.pixels(ColumnPx(10), 5, 1), "KWY");
  EXPECT_EQ(d.view.PrevCursorX, 772 + 1050);
  d.place(97, 97);
  d.view.Form_KeyDown(DisplayView::kRight, 0);
  d.drawing.MoveCursor();
  EXPECT_GT(d.count('Y', 693, 501, ColumnPx(98), 517), 5);
  EXPECT_EQ(d.count('Y', 600, 501, 693, 517) + d.count('Y', ColumnPx(98), 501, 780, 517), 0);
  d.place(100, 60);  // reads 1200ns
  const QImage at60 = d.drawing.image().copy(600, 501, 180, 16);
  d.view.ZeroSample = 40;
  d.place(100, 100);
  EXPECT_EQ(d.drawing.image().copy(600, 501, 180, 16), at60);

  // A marker is a green exclusive-or line with its letter; on the cursor's column, red.
  d.view.ZeroSample = 0;
  d.place(0, 0);
  d.view.Markers[0] = 0;    // on the cursor's column
  d.view.Markers[1] = 30;   // B
  d.view.Markers[2] = 200;  // off the page
  d.drawing.Redraw();
  const std::string top = d.pixels(0, 5, 780);
  EXPECT_EQ(top.find_first_not_of("K"), 48u);
  EXPECT_EQ(top.substr(48, 4) + top.substr(static_cast<size_t>(ColumnPx(30)), 1), "WKKRG");
  EXPECT_EQ(std::ranges::count(top, 'G'), 1);
  EXPECT_GT(d.count('G', ColumnPx(30) + 3, 487, ColumnPx(30) + 11, 500), 3);  // the letter
}

// Order-table entries that name a group not in use (3), no group at all (12) or a bit beyond
// the group's width (GRPA bit 40) give lines with no channel: no waveform, no pod name, and
// the write-back keeps them channel-less instead of turning "05" into GRPA bit 5.
TEST(DisplayDrawingSignals, LinesWithNoChannelDrawNothing) {
  Drawn d(true);
  auto& setup = d.session.images().SetupMem;
  const uint8_t entries[] = {3, 2, 12, 5, 0, 40};
  std::copy(std::begin(entries), std::end(entries), setup.begin() + 540);
  d.build();
  d.view.GoToEnd(false);  // pod 0's samples: 409..512
  d.drawing.Redraw();
  std::string rows;  // label, pod name, and whether a waveform is drawn
  for (int16_t row = 0; row < 4; ++row) {
    const int white = d.count('W', 52, 20 * row + 1, 779, 20 * (row + 1) + 1);
    rows += d.view.Name(row, false) + "/" + d.view.Name(row, true) +
            (white == 0    ? " empty, "
             : white > 500 ? " drawn, "
                           : " partly, ");
  }
  EXPECT_EQ(rows, "    02/ empty, 05/ empty, GRPA40/ empty, GRPA04/Pod0.4 drawn, ");

  SetupModel model(setup);
  d.view.LineTable[3].picked = 1;  // GRPA04 moves above the three empty lines
  d.view.Form_MouseDown(DisplayView::kRightButton, 0, 100, 40);
  d.view.WriteOrder(model);
  d.build();
  std::string lines = d.view.Name(0, false);
  for (size_t line = 1; line < 4; ++line)
    lines += " " + std::to_string(d.view.LineTable[line].code) + d.view.Name(int16_t(line), true);
  EXPECT_EQ(lines, "GRPA04 -1 -1 -1");
}

}  // namespace
