// The drawing checked on the persistent picture's pixels: fixed parts, waveform levels, the
// paired-bit mark, empty columns, trigger ticks, exclusive-or cursor and markers, readouts.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QPainter>

#include "DemoImages.h"
#include "display/DisplayDrawing.h"
#include "display/Twips.h"
#include "model/SetupModel.h"

namespace {

using twips::ToPixel;

struct Drawn {
  HandSession session;
  DisplayView view;
  DisplayDrawing drawing{view};

  // Pod order: lines 0..8 are pod 0, lines 9..17 pod 2, and so on.
  explicit Drawn(bool matched = false) { session.cnf = matched; }
  void build() {
    SetupModel setup(session.images().SetupMem);
    view.BuildView(setup, session.images().AcqMem, session.cnf, session.cards09, session.cards18);
    drawing.Redraw();
  }
  void place(int16_t column, int16_t sample) {
    view.CursorX = static_cast<int16_t>(772 + 105 * column);
    view.CursorSample = sample;
    view.RelSample = static_cast<int16_t>(sample - view.ZeroSample);
    view.CursorDrawn();
    drawing.Redraw();
  }
  QColor at(int32_t x, int32_t y) const {
    return drawing.image().pixelColor(ToPixel(x), ToPixel(y));
  }
  QColor px(int x, int y) const { return drawing.image().pixelColor(x, y); }
  // Pixels of one colour inside a pixel rectangle.
  int count(const QColor& c, int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) n += px(x, y) == c ? 1 : 0;
    }
    return n;
  }
};

int32_t ColumnX(int column) { return 772 + 105 * column; }
int32_t Baseline(int row) { return 300 * (row + 1); }

const QColor kBlue(0, 0, 255);  // white under the yellow exclusive-or pen

TEST(TwipsArithmetic, PixelsOfTwipPositions) {
  EXPECT_EQ(twips::kAreaWidthPx, 780);
  EXPECT_EQ(twips::kAreaHeightPx, 517);
  EXPECT_EQ(ToPixel(772), 51);
  EXPECT_EQ(ToPixel(14), 0);
  EXPECT_EQ(ToPixel(15), 1);
  EXPECT_EQ(ToPixel(-1), -1);
  // One sample's segment covers seven pixels, so neighbouring samples touch but never overlap.
  for (int c = 0; c < 104; ++c) {
    const auto run = twips::LineRun(ColumnX(c) - 52, ColumnX(c) + 53);
    EXPECT_EQ(run.from, 48 + 7 * c);
    EXPECT_EQ(run.length(), 7);
  }
  const auto up = twips::LineRun(3060, 2820);  // a trigger tick, drawn upward
  EXPECT_EQ(up.from, 189);
  EXPECT_EQ(up.to, 205);
  EXPECT_EQ(twips::LineRun(300, 300).length(), 1);
}

TEST(DisplayDrawingFixed, FrameGridPeriodAndEmptyRows) {
  Drawn d;
  SetAcqByte(d.session.images(), 585, 0);  // nine lines only
  d.build();
  EXPECT_EQ(d.at(720, 100), DisplayDrawing::kWhite);
  EXPECT_EQ(d.at(720, 7700), DisplayDrawing::kWhite);
  EXPECT_EQ(d.at(5000, 7500), DisplayDrawing::kWhite);
  EXPECT_EQ(d.at(100, 7500), DisplayDrawing::kWhite);
  EXPECT_EQ(d.at(5000, 300), DisplayDrawing::kDarkGrey);
  EXPECT_EQ(d.at(11680, 7200), DisplayDrawing::kDarkGrey);
  EXPECT_EQ(d.at(5000, 450), DisplayDrawing::kBlack);
  EXPECT_GT(d.count(DisplayDrawing::kGreen, 0, 501, 47, 517), 10);  // "20ns"
  EXPECT_GT(d.count(DisplayDrawing::kCyan, 0, 0, 47, 20), 5);       // the first name
  EXPECT_GT(d.count(DisplayDrawing::kCyan, 0, 160, 47, 180), 5);    // the ninth
  // Rows 9..23 hold no line: nothing but grid, the cursor line and the divider.
  const int cursor = ToPixel(d.view.CursorX);
  for (int y = ToPixel(Baseline(8)) + 1; y < 499; ++y) {
    for (int x = 0; x < 780; ++x) {
      const QColor c = d.px(x, y);
      if (x == cursor) {
        const QColor onGrid(64 ^ 255, 64 ^ 255, 64);
        EXPECT_TRUE(c == DisplayDrawing::kYellow || c == onGrid) << x << "," << y;
      } else if (x == 48 && c == DisplayDrawing::kWhite) {
        continue;
      } else if (c != DisplayDrawing::kBlack && c != DisplayDrawing::kDarkGrey) {
        ADD_FAILURE() << "stray pixel at " << x << "," << y;
        return;
      }
    }
  }
}

TEST(DisplayDrawingSignals, HighAndLowSegmentsAtTheirPixels) {
  Drawn d;
  // Pod 2 channel 0 (line 9): only sample 5 high. Sample s is stream bit 7 + s.
  SetDemoSample(d.session.images(), 2, 0, 1, 0x10);
  d.build();
  const int32_t y0 = Baseline(9);
  const int high = ToPixel(y0 - 120);
  const int low = ToPixel(y0);
  EXPECT_EQ(d.px(82, high), DisplayDrawing::kBlack);
  EXPECT_EQ(d.px(83, high), DisplayDrawing::kWhite);
  EXPECT_EQ(d.px(89, high), DisplayDrawing::kWhite);
  EXPECT_EQ(d.px(90, high), DisplayDrawing::kBlack);
  EXPECT_EQ(d.px(82, low), DisplayDrawing::kWhite);     // sample 4 low
  EXPECT_EQ(d.px(86, low), DisplayDrawing::kDarkGrey);  // nothing low under the high sample
  EXPECT_EQ(d.px(90, low), DisplayDrawing::kWhite);     // sample 6 low
  // No vertical edge joins the levels.
  EXPECT_EQ(d.px(83, (high + low) / 2), DisplayDrawing::kBlack);
  // Channel 1 of the same pod stays low throughout.
  EXPECT_EQ(d.px(86, ToPixel(Baseline(10))), DisplayDrawing::kWhite);
  EXPECT_EQ(d.px(86, ToPixel(Baseline(10) - 120)), DisplayDrawing::kBlack);
}

TEST(DisplayDrawingSignals, PairedBitMarkIsRedAndTwoPixelsWide) {
  Drawn d;
  SetDemoSample(d.session.images(), 0, 0, 0, 0xC0);  // sample 256: high, other bit set
  SetDemoSample(d.session.images(), 0, 0, 1, 0x02);  // sample 257: high, other bit clear
  d.build();
  d.place(0, 256);
  const int high = ToPixel(Baseline(0) - 120);
  // (Column 0's centre holds the trigger tick and the cursor.)
  EXPECT_EQ(d.px(53, high), DisplayDrawing::kRed);
  EXPECT_EQ(d.px(49, high - 1), DisplayDrawing::kRed);
  EXPECT_EQ(d.px(49, high - 2), DisplayDrawing::kBlack);
  EXPECT_EQ(d.px(58, high), DisplayDrawing::kWhite);
  EXPECT_EQ(d.px(58, high - 1), DisplayDrawing::kBlack);
  // A picked line turns magenta but keeps its red marks.
  d.view.LineTable[0].picked = 1;
  d.drawing.Redraw();
  EXPECT_EQ(d.px(58, high), DisplayDrawing::kMagenta);
  EXPECT_EQ(d.px(49, high), DisplayDrawing::kRed);
  EXPECT_EQ(d.px(65, ToPixel(Baseline(0))), DisplayDrawing::kMagenta);
}

TEST(DisplayDrawingSignals, ColumnsBeforeThePodsFirstSampleStayEmpty) {
  Drawn d;
  d.build();
  d.place(0, 200);  // samples 200..303; pod 0 starts at 256
  const int low0 = ToPixel(Baseline(0));
  const int low9 = ToPixel(Baseline(9));
  for (int c = 0; c < 56; ++c) {
    const int x = 48 + 7 * c + 2;
    EXPECT_NE(d.px(x, low0), DisplayDrawing::kWhite) << c;
    EXPECT_EQ(d.px(x, low9), DisplayDrawing::kWhite) << c;
  }
  EXPECT_EQ(d.at(ColumnX(56) + 20, Baseline(0)), DisplayDrawing::kWhite);
  EXPECT_EQ(d.at(ColumnX(56) - 60, Baseline(0)), DisplayDrawing::kDarkGrey);
}

TEST(DisplayDrawingSignals, TriggerTickOnlyWherethePodHasTheSample) {
  Drawn d;
  d.session.images().SetupMem[0] = 0;  // trigger at sample 16
  d.build();
  const int32_t x = ColumnX(16);
  EXPECT_EQ(d.at(x, Baseline(9) + 45), DisplayDrawing::kYellow);
  EXPECT_EQ(d.at(x, Baseline(9) - 165), DisplayDrawing::kYellow);
  EXPECT_EQ(d.at(x, Baseline(9) - 195), DisplayDrawing::kBlack);
  EXPECT_EQ(d.at(x + 105, Baseline(9) + 45), DisplayDrawing::kBlack);
  EXPECT_EQ(d.at(x, Baseline(0) + 45), DisplayDrawing::kBlack);  // pod 0 starts at 256

  SetAcqByte(d.session.images(), 574, 1);
  d.build();
  EXPECT_EQ(d.at(x, Baseline(9) + 45), DisplayDrawing::kBlack);
}

TEST(DisplayDrawingCursor, ExclusiveOrLineAndMove) {
  Drawn d;
  d.build();
  const int x = ToPixel(772);
  const int low9 = ToPixel(Baseline(9));
  EXPECT_EQ(d.px(x, 5), DisplayDrawing::kYellow);
  EXPECT_EQ(d.px(x, low9), kBlue);                  // white segment under the yellow pen
  EXPECT_EQ(d.px(x, 499), DisplayDrawing::kBlack);  // the line stops short of the strip
  EXPECT_EQ(d.px(x, 500), DisplayDrawing::kWhite);

  const QImage withCursor = d.drawing.image().copy();
  d.drawing.DrawCursor(d.view.CursorX);  // twice at the same x: gone
  EXPECT_EQ(d.px(x, 5), DisplayDrawing::kBlack);
  EXPECT_EQ(d.px(x, low9), DisplayDrawing::kWhite);
  const QImage column = d.drawing.image().copy(x, 0, 1, 500);
  d.drawing.DrawCursor(d.view.CursorX);
  EXPECT_EQ(d.drawing.image(), withCursor);

  d.view.Form_KeyDown(DisplayView::kRight, DisplayView::kShift);
  d.drawing.MoveCursor();
  EXPECT_EQ(d.drawing.image().copy(x, 0, 1, 500), column);
  EXPECT_EQ(d.at(ColumnX(10), 75), DisplayDrawing::kYellow);
  EXPECT_EQ(d.drawing.cursorTimeText(), "200ns");
  EXPECT_EQ(d.view.PrevCursorX, ColumnX(10));
}

TEST(DisplayDrawingCursor, ReadoutMovesLeftFromColumn98AndOldOneIsErased) {
  Drawn d;
  d.build();
  const int strip0 = 501;
  d.place(97, 97);
  EXPECT_EQ(d.count(DisplayDrawing::kYellow, 600, strip0, ToPixel(10987), 517), 0);
  EXPECT_GT(d.count(DisplayDrawing::kYellow, ToPixel(10987), strip0, 780, 517), 5);

  d.view.Form_KeyDown(DisplayView::kRight, 0);
  d.drawing.MoveCursor();
  ASSERT_EQ(d.view.Column(), 98);
  const int left = ToPixel(10402);
  EXPECT_GT(d.count(DisplayDrawing::kYellow, left, strip0, ToPixel(ColumnX(98)), 517), 5);
  EXPECT_EQ(d.count(DisplayDrawing::kYellow, 600, strip0, left, 517), 0);
  EXPECT_EQ(d.count(DisplayDrawing::kYellow, ToPixel(ColumnX(98)), strip0, 780, 517), 0);

  // Back to 97: the label on the left is printed away in black.
  d.view.Form_KeyDown(DisplayView::kLeft, 0);
  d.drawing.MoveCursor();
  EXPECT_EQ(d.count(DisplayDrawing::kYellow, 600, strip0, ToPixel(10987), 517), 0);
}

TEST(DisplayDrawingCursor, ReadoutsCountFromZeroReference) {
  Drawn d;
  d.build();
  d.view.ZeroSample = 40;
  d.place(100, 100);
  EXPECT_EQ(d.drawing.cursorTimeText(), "2000ns");
  // The label left of the cursor reads 1200ns: the strip there looks exactly like that text
  // printed under the strip line.
  QImage expected(60, 17, QImage::Format_RGB32);
  expected.setDotsPerMeterX(3780);
  expected.setDotsPerMeterY(3780);
  expected.fill(Qt::black);
  {
    QPainter p(&expected);
    p.fillRect(0, 0, 60, 1, DisplayDrawing::kWhite);
    p.setFont(DisplayDrawing::DisplayFont());
    p.setPen(DisplayDrawing::kYellow);
    p.drawText(0, QFontMetrics(DisplayDrawing::DisplayFont(), &expected).ascent(),
               QStringLiteral("1200ns"));
  }
  EXPECT_EQ(d.drawing.image().copy(ToPixel(ColumnX(100) - 660), 500, 60, 17), expected);

  d.session.images().AcqMem[580] = 1;  // synchronous clock: plain sample counts
  d.build();
  d.place(100, 100);
  EXPECT_EQ(d.drawing.cursorTimeText(), "100");
}

TEST(DisplayDrawingMarkers, LinesLettersAndCombinationWithTheCursor) {
  Drawn d;
  d.build();
  d.view.Markers[0] = 0;    // on the cursor's column
  d.view.Markers[1] = 30;   // B
  d.view.Markers[2] = 200;  // off the page
  d.drawing.Redraw();
  EXPECT_EQ(d.at(772, 75), DisplayDrawing::kRed);  // yellow ^ green
  EXPECT_EQ(d.at(ColumnX(30), 75), DisplayDrawing::kGreen);
  EXPECT_GT(d.count(DisplayDrawing::kGreen, ToPixel(ColumnX(30) + 52), 487,
                    ToPixel(ColumnX(30) + 52) + 8, 500),
            3);  // the letter B
  int greenColumns = 0;
  for (int x = 49; x < 780; ++x) greenColumns += d.px(x, 5) == DisplayDrawing::kGreen;
  EXPECT_EQ(greenColumns, 1);
}

TEST(DisplayDrawingNames, SwitchingSetsLeavesNoTrace) {
  Drawn d(true);
  d.build();
  const QImage labels = d.drawing.image().copy(0, 0, 48, 500);
  d.view.SignalNames = true;
  d.drawing.RedrawNames();
  const QImage switched = d.drawing.image().copy(0, 0, 48, 500);
  EXPECT_NE(switched, labels);
  d.drawing.Redraw();
  EXPECT_EQ(d.drawing.image().copy(0, 0, 48, 500), switched);
  d.view.SignalNames = false;
  d.drawing.RedrawNames();
  EXPECT_EQ(d.drawing.image().copy(0, 0, 48, 500), labels);
}

}  // namespace
