// The drawing checked on the persistent picture's pixels: fixed parts, waveform levels, the
// paired-bit mark, empty columns, trigger ticks, exclusive-or cursor and markers, readouts.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QPainter>

#include "FlatSession.h"
#include "display/DisplayDrawing.h"
#include "display/Twips.h"
#include "model/SetupModel.h"

namespace {

using twips::ToPixel;
using D = DisplayDrawing;

struct Drawn {
  FlatSession session;
  DisplayView view;
  DisplayDrawing drawing{view};

  // Pod order: lines 0..8 are pod 0, lines 9..17 pod 2, and so on.
  explicit Drawn(bool matched = false) { session.cnf = matched; }
  void build() {
    BuildFrom(view, session);
    drawing.Redraw();
  }
  void place(int16_t column, int16_t sample) {
    PlaceCursor(view, column, sample);
    drawing.Redraw();
  }
  QColor at(int32_t x, int32_t y) const { return px(ToPixel(x), ToPixel(y)); }
  QColor px(int x, int y) const { return drawing.image().pixelColor(x, y); }
  struct Spot {
    int x, y;
    QColor colour;
  };
  // The colour of each spot, given in pixels (`expectPx`) or in twips (`expectAt`).
  void expectPx(std::initializer_list<Spot> spots) const {
    for (const Spot& s : spots) EXPECT_EQ(px(s.x, s.y), s.colour) << s.x << "," << s.y;
  }
  void expectAt(std::initializer_list<Spot> spots) const {
    for (const Spot& s : spots) EXPECT_EQ(at(s.x, s.y), s.colour) << s.x << "," << s.y;
  }
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

TEST(TwipsArithmetic, PixelsOfTwipPositions) {
  const std::pair<int32_t, int> pixels[] = {{772, 51}, {14, 0}, {15, 1}, {-1, -1}};
  for (const auto& [t, p] : pixels) EXPECT_EQ(ToPixel(t), p) << t;
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
  d.expectAt({{720, 100, D::kWhite},
              {720, 7700, D::kWhite},
              {5000, 7500, D::kWhite},
              {100, 7500, D::kWhite},
              {5000, 300, D::kDarkGrey},
              {11680, 7200, D::kDarkGrey},
              {5000, 450, D::kBlack}});
  EXPECT_GT(d.count(D::kGreen, 0, 501, 47, 517), 10);  // "20ns"
  EXPECT_GT(d.count(D::kCyan, 0, 0, 47, 20), 5);       // the first name
  EXPECT_GT(d.count(D::kCyan, 0, 160, 47, 180), 5);    // the ninth
  // Rows 9..23 hold no line: nothing but grid, the cursor line and the divider.
  const int cursor = ToPixel(d.view.CursorX);
  for (int y = ToPixel(Baseline(8)) + 1; y < 499; ++y) {
    for (int x = 0; x < 780; ++x) {
      const QColor c = d.px(x, y);
      if (x == cursor) {
        const QColor onGrid(64 ^ 255, 64 ^ 255, 64);
        EXPECT_TRUE(c == D::kYellow || c == onGrid) << x << "," << y;
      } else if (x == 48 && c == D::kWhite) {
        continue;
      } else if (c != D::kBlack && c != D::kDarkGrey) {
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
  // Sample 5 high over pixels 83..89; samples 4 and 6 low either side, nothing low under the
  // high sample, no vertical edge joining the levels; channel 1 (line 10) low throughout.
  d.expectPx({{82, high, D::kBlack},
              {83, high, D::kWhite},
              {89, high, D::kWhite},
              {90, high, D::kBlack},
              {82, low, D::kWhite},
              {86, low, D::kDarkGrey},
              {90, low, D::kWhite},
              {83, (high + low) / 2, D::kBlack},
              {86, ToPixel(Baseline(10)), D::kWhite},
              {86, ToPixel(Baseline(10) - 120), D::kBlack}});
}

TEST(DisplayDrawingSignals, PairedBitMarkIsRedAndTwoPixelsWide) {
  Drawn d;
  SetDemoSample(d.session.images(), 0, 0, 0, 0xC0);  // sample 256: high, other bit set
  SetDemoSample(d.session.images(), 0, 0, 1, 0x02);  // sample 257: high, other bit clear
  d.build();
  d.place(0, 256);
  const int high = ToPixel(Baseline(0) - 120);
  const int low = ToPixel(Baseline(0));
  // (Column 0's centre holds the trigger tick and the cursor.)
  d.expectPx({{53, high, D::kRed},
              {49, high - 1, D::kRed},
              {49, high - 2, D::kBlack},
              {58, high, D::kWhite},
              {58, high - 1, D::kBlack}});
  // A picked line turns magenta but keeps its red marks.
  d.view.LineTable[0].picked = 1;
  d.drawing.Redraw();
  d.expectPx({{58, high, D::kMagenta}, {49, high, D::kRed}, {65, low, D::kMagenta}});
}

TEST(DisplayDrawingSignals, ColumnsBeforeThePodsFirstSampleStayEmpty) {
  Drawn d;
  d.build();
  d.place(0, 200);  // samples 200..303; pod 0 starts at 256
  const int low0 = ToPixel(Baseline(0));
  const int low9 = ToPixel(Baseline(9));
  for (int c = 0; c < 56; ++c) {
    const int x = 48 + 7 * c + 2;
    EXPECT_NE(d.px(x, low0), D::kWhite) << c;
    EXPECT_EQ(d.px(x, low9), D::kWhite) << c;
  }
  d.expectAt(
      {{ColumnX(56) + 20, Baseline(0), D::kWhite}, {ColumnX(56) - 60, Baseline(0), D::kDarkGrey}});
}

TEST(DisplayDrawingSignals, TriggerTickOnlyWherethePodHasTheSample) {
  Drawn d;
  d.session.images().SetupMem[0] = 0;  // trigger at sample 16
  d.build();
  const int32_t x = ColumnX(16);
  const int32_t y = Baseline(9);
  // Pod 0 starts at sample 256, so line 0 has no tick.
  d.expectAt({{x, y + 45, D::kYellow},
              {x, y - 165, D::kYellow},
              {x, y - 195, D::kBlack},
              {x + 105, y + 45, D::kBlack},
              {x, Baseline(0) + 45, D::kBlack}});

  SetAcqByte(d.session.images(), 574, 1);
  d.build();
  EXPECT_EQ(d.at(x, y + 45), D::kBlack);
}

TEST(DisplayDrawingCursor, ExclusiveOrLineAndMove) {
  Drawn d;
  d.build();
  const int x = ToPixel(772);
  const int low9 = ToPixel(Baseline(9));
  // Blue over line 9's white segment; the line stops short of the strip.
  d.expectPx(
      {{x, 5, D::kYellow}, {x, low9, QColor(0, 0, 255)}, {x, 499, D::kBlack}, {x, 500, D::kWhite}});

  const QImage withCursor = d.drawing.image().copy();
  d.drawing.DrawCursor(d.view.CursorX);  // twice at the same x: gone
  d.expectPx({{x, 5, D::kBlack}, {x, low9, D::kWhite}});
  const QImage column = d.drawing.image().copy(x, 0, 1, 500);
  d.drawing.DrawCursor(d.view.CursorX);
  EXPECT_EQ(d.drawing.image(), withCursor);

  d.view.Form_KeyDown(DisplayView::kRight, DisplayView::kShift);
  d.drawing.MoveCursor();
  EXPECT_EQ(d.drawing.image().copy(x, 0, 1, 500), column);
  EXPECT_EQ(d.at(ColumnX(10), 75), D::kYellow);
  EXPECT_EQ(d.view.PrevCursorX, ColumnX(10));
}

TEST(DisplayDrawingCursor, ReadoutMovesLeftFromColumn98AndOldOneIsErased) {
  Drawn d;
  d.build();
  const int strip0 = 501;
  d.place(97, 97);
  EXPECT_EQ(d.count(D::kYellow, 600, strip0, ToPixel(10987), 517), 0);
  EXPECT_GT(d.count(D::kYellow, ToPixel(10987), strip0, 780, 517), 5);

  d.view.Form_KeyDown(DisplayView::kRight, 0);
  d.drawing.MoveCursor();
  ASSERT_EQ(d.view.Column(), 98);
  const int left = ToPixel(10402);
  EXPECT_GT(d.count(D::kYellow, left, strip0, ToPixel(ColumnX(98)), 517), 5);
  EXPECT_EQ(d.count(D::kYellow, 600, strip0, left, 517), 0);
  EXPECT_EQ(d.count(D::kYellow, ToPixel(ColumnX(98)), strip0, 780, 517), 0);

  // Back to 97: the label on the left is printed away in black.
  d.view.Form_KeyDown(DisplayView::kLeft, 0);
  d.drawing.MoveCursor();
  EXPECT_EQ(d.count(D::kYellow, 600, strip0, ToPixel(10987), 517), 0);
}

TEST(DisplayDrawingCursor, ReadoutsCountFromZeroReference) {
  Drawn d;
  d.build();
  d.view.ZeroSample = 40;
  d.place(100, 100);
  // The label left of the cursor reads 1200ns: the strip there looks exactly like that text
  // printed under the strip line.
  QImage expected(60, 17, QImage::Format_RGB32);
  expected.setDotsPerMeterX(3780);
  expected.setDotsPerMeterY(3780);
  expected.fill(Qt::black);
  {
    QPainter p(&expected);
    p.fillRect(0, 0, 60, 1, D::kWhite);
    p.setFont(DisplayDrawing::DisplayFont());
    p.setPen(D::kYellow);
    p.drawText(0, QFontMetrics(DisplayDrawing::DisplayFont(), &expected).ascent(),
               QStringLiteral("1200ns"));
  }
  EXPECT_EQ(d.drawing.image().copy(ToPixel(ColumnX(100) - 660), 500, 60, 17), expected);
}

TEST(DisplayDrawingMarkers, LinesLettersAndCombinationWithTheCursor) {
  Drawn d;
  d.build();
  d.view.Markers[0] = 0;    // on the cursor's column
  d.view.Markers[1] = 30;   // B
  d.view.Markers[2] = 200;  // off the page
  d.drawing.Redraw();
  EXPECT_EQ(d.at(772, 75), D::kRed);  // yellow ^ green
  EXPECT_EQ(d.at(ColumnX(30), 75), D::kGreen);
  EXPECT_GT(d.count(D::kGreen, ToPixel(ColumnX(30) + 52), 487, ToPixel(ColumnX(30) + 52) + 8, 500),
            3);  // the letter B
  int greenColumns = 0;
  for (int x = 49; x < 780; ++x) greenColumns += d.px(x, 5) == D::kGreen;
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

// Order-table entries that name a group not in use (3), no group at all (12) or a bit beyond
// the group's width (GRPA bit 40) give lines with no channel: no waveform, no pod name, and
// the write-back keeps them channel-less instead of turning "05" into GRPA bit 5.
TEST(DisplayDrawingSignals, LinesWithNoChannelDrawNothing) {
  Drawn d(true);
  auto& setup = d.session.images().SetupMem;
  const std::pair<uint8_t, uint8_t> entries[] = {{3, 2}, {12, 5}, {0, 40}};
  for (size_t line = 0; line < 3; ++line) {
    setup[540 + 2 * line] = entries[line].first;
    setup[541 + 2 * line] = entries[line].second;
  }
  d.build();
  d.view.GoToEnd(false);  // pod 0's samples: 409..512
  d.drawing.Redraw();
  const char* const labels[] = {"    02", "05", "GRPA40", "GRPA04"};
  for (int16_t row = 0; row < 4; ++row) {
    SCOPED_TRACE(row);
    EXPECT_EQ(d.view.Name(row, false), labels[row]);
    EXPECT_EQ(d.view.Name(row, true), row < 3 ? "" : "Pod0.4");
    const int white = d.count(D::kWhite, 52, 20 * row + 1, 779, 20 * (row + 1) + 1);
    if (row < 3) {
      EXPECT_EQ(white, 0);
    } else {
      EXPECT_GT(white, 500);
    }
  }

  SetupModel model(setup);
  d.view.LineTable[3].picked = 1;  // GRPA04 moves above the three empty lines
  d.view.Form_MouseDown(DisplayView::kRightButton, 0, 100, 40);
  ASSERT_TRUE(d.view.OrderModified);
  d.view.WriteOrder(model);
  d.build();
  EXPECT_EQ(d.view.Name(0, false), "GRPA04");
  for (int16_t line = 1; line < 4; ++line) {
    EXPECT_EQ(d.view.LineTable[static_cast<size_t>(line)].code, -1) << line;
    EXPECT_EQ(d.view.Name(line, true), "") << line;
  }
}
