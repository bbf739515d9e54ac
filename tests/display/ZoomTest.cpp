// Zoom, scrolling, clicks, resizing and readouts: the time axis arithmetic alone, then the
// real window offscreen, checked on its picture's pixels.
#include <gtest/gtest.h>

#include <QTest>
#include <QtWidgets>

#include "FlatSession.h"
#include "app/Info.h"
#include "display/DisplayCanvas.h"
#include "display/DisplayIt.h"

namespace {

std::string Levels(const TimeAxis& axis) {
  TimeAxis a = axis;
  std::string s;
  for (int level = 0; level < a.Levels(); ++level) {
    a.SetZoom(level);
    s += std::to_string(a.ScaleSamples()) + "/" + std::to_string(a.ScalePixels()) + " ";
  }
  return s;
}

// Every sample lands in exactly one pixel column, in order, and that column names it back.
TEST(TimeAxis, LevelsSizesAndTheSampleToColumnMapping) {
  TimeAxis axis;
  axis.SetLastSample(512);
  EXPECT_EQ(Levels(axis), "1/7 1/4 1/2 513/728 ");
  axis.SetLastSample(21664);
  EXPECT_EQ(Levels(axis), "1/7 1/4 1/2 1/1 2/1 4/1 8/1 16/1 21665/728 ");
  for (int level = 0; level < axis.Levels(); ++level) {
    axis.SetZoom(level);
    int64_t column = 0;
    for (int64_t s = 30; s < 3000; ++s) {
      const TimeAxis::Span px = axis.Pixels(s, 30);
      const TimeAxis::Span back = axis.Samples(px.from, 30);
      ASSERT_TRUE(px.from >= column && px.from <= column + 1 && back.from <= s && s < back.to)
          << level << " " << s;
      column = std::max(px.from, px.to - 1);
    }
  }
  axis.SetZoom(0);
  EXPECT_EQ(std::tuple(axis.SampleX(40, 30), axis.SampleX(133, 30)), std::tuple(1822, 11587));

  // Size: rows and samples grow, never below the design's; a fitted view stays fitted.
  axis.SetZoom(axis.Levels() - 1);
  std::string sizes;
  for (const auto& [w, h] : {std::pair{780, 517}, {1200, 818}, {400, 300}}) {
    axis.Resize(w, h);
    sizes += std::to_string(axis.Rows()) + " rows " + std::to_string(axis.Columns()) +
             " columns strip " + std::to_string(axis.StripY()) + " fit " +
             std::to_string(axis.PageSamples()) + "; ";
  }
  EXPECT_EQ(sizes,
            "24 rows 104 columns strip 7500 fit 21665; 39 rows 164 columns strip 12015 fit 21665; "
            "24 rows 104 columns strip 7500 fit 21665; ");
}

// The window offscreen on the flat images; pod 2 (lines 9..17) can be given a longer row.
struct Window {
  FlatSession session;
  Info info;
  DisplayIt display{session, info, nullptr};
  Window() {
    display.BuildView();
    display.show();
    QApplication::processEvents();
  }
  DisplayView& view() { return display.view(); }
  QImage picture() const { return display.picture().copy(); }
  void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) { QTest::keyClick(&display, k, m); }
  void type(char c) { QTest::keyClicks(&display, QString(QChar(c))); }
  void wheel(int notches, Qt::KeyboardModifiers m = Qt::NoModifier) {
    QWheelEvent event(QPointF(300, 100), QPointF(300, 100), QPoint(), QPoint(0, 120 * notches),
                      Qt::NoButton, m, Qt::NoScrollPhase, false);
    QApplication::sendEvent(display.canvas(), &event);
  }
  // Pod order, not triggered; pod 2 a row of `length` bytes from sample 0, channel 0 (line 9)
  // high at `pulses`.
  void longPod2(int length, std::initializer_list<int> pulses) {
    session.cnf = false;
    auto& acq = session.images().AcqMem;
    acq[574] = 1;
    const auto word = [&](int at, int v) {
      acq[static_cast<size_t>(at)] = static_cast<uint8_t>(v & 255);
      acq[static_cast<size_t>(at + 1)] = static_cast<uint8_t>(v >> 8);
    };
    word(518, length);
    word(534, 65536 - (length - 1) * 8);  // start count: first sample 0
    word(550, 0);
    for (int s : pulses)
      acq[static_cast<size_t>(614 + 585 + (7 + s) / 8)] |= uint8_t(1 << ((7 + s) % 8));
    display.BuildView();
  }
};

// One letter per pixel down column x from the row's high level to its low level (pod 2
// channel 0 is line 9, row 9 at the top).
std::string Column(const QImage& image, int x) {
  std::string s;
  for (int y = 192; y <= 200; ++y)
    s += image.pixelColor(x, y) == DisplayDrawing::kWhite ? 'W' : 'K';
  return s;
}

TEST(DisplayZoom, DesignPictureComesBackAfterZoomAndResize) {
  Window w;
  SetDemoSample(w.session.images(), 0, 0, 1, 0x03);  // Pod0.0 (line 7): 257 high, pair bit set
  w.display.BuildView();
  const QImage design = w.picture();
  w.type('-');
  EXPECT_NE(w.picture(), design);
  w.type('F');  // the paired-bit mark stays at every zoom: sample 257 in pixel column 364
  EXPECT_EQ(std::tuple(w.display.picture().pixelColor(48 + 364, 151),
                       w.display.picture().pixelColor(48 + 364, 152)),
            std::tuple(DisplayDrawing::kRed, DisplayDrawing::kRed));
  w.display.resize(1100, 800);
  QApplication::processEvents();
  EXPECT_EQ(w.display.picture().size(), w.display.canvas()->size());
  EXPECT_GT(w.view().Axis.Rows(), 24);
  w.display.resize(780, 517 + w.display.statusBar()->height());
  QApplication::processEvents();
  w.type('1');
  EXPECT_EQ(w.picture(), design);
  // The cursor's sample stays where it was on screen, in the nearest column: sample 10 in
  // pixel 40 at a quarter sample a pixel comes back in column 5.
  w.key(Qt::Key_Right, Qt::ShiftModifier);
  w.type('-');
  w.type('1');
  EXPECT_EQ(std::tuple(w.view().Axis.Zoom(), w.view().CursorSample, w.view().FirstSample()),
            std::tuple(0, 10, 5));
}

// Fitted, a column holding several samples shows a pulse of one sample as a bar over its
// column; the bars' columns are those of the pulses, and nothing else rises.
TEST(DisplayZoom, FitShowsOneSamplePulsesAsBars) {
  Window w;
  w.longPod2(300, {100, 1001, 2000});
  w.type('f');
  w.key(Qt::Key_End);  // the cursor in the last column, away from the pulses
  ASSERT_EQ(std::tuple(w.view().Axis.ScaleSamples(), w.view().Axis.ScalePixels()),
            std::tuple(2393, 728));
  const QImage fit = w.picture();
  std::string bars;
  for (int x = 49; x < 775; ++x) {  // right of the name column's divider
    const std::string column = Column(fit, x);
    if (column == "WWWWWWWWW")
      bars += std::to_string(x - 48) + " ";
    else
      EXPECT_EQ(column, "KKKKKKKKW") << x;
  }
  EXPECT_EQ(bars, std::to_string(100 * 728 / 2393) + " " + std::to_string(1001 * 728 / 2393) + " " +
                      std::to_string(2000 * 728 / 2393) + " ");
  // Zoomed in one step the pulse is a level again, on a sample of its own.
  w.type('+');
  EXPECT_EQ(w.view().Axis.ScaleSamples(), 2);
}

// Wheel, Shift+wheel, Control+wheel, clicks and both scroll bars at the design's scale and
// fitted; the keys act on what is shown.
TEST(DisplayZoom, WheelClicksScrollBarsAndKeys) {
  Window w;
  using T = std::tuple<int, int, int, int>;  // zoom, first sample, cursor sample, top line
  const auto state = [&] {
    return T(w.view().Axis.Zoom(), w.view().FirstSample(), w.view().CursorSample, w.view().TopLine);
  };
  w.wheel(-2);  // towards the user: later samples, the cursor riding in its column
  EXPECT_EQ(state(), T(0, 20, 20, 0));
  EXPECT_EQ(w.display.pageBar()->value(), 20);
  w.wheel(-1, Qt::ShiftModifier);
  EXPECT_EQ(state(), T(0, 20, 20, 1));
  QTest::mouseClick(w.display.canvas(), Qt::LeftButton, {}, QPoint(48 + 7 * 30 + 3, 100));
  EXPECT_EQ(state(), T(0, 20, 50, 1));
  EXPECT_EQ(w.display.panelText(1), "1000ns");
  w.display.pageBar()->setValue(400);
  EXPECT_EQ(state(), T(0, 400, 430, 1));
  w.display.pageBar()->setValue(500);  // the page ends at the last sample, 512
  w.display.rowBar()->setValue(30);
  EXPECT_EQ(state(), T(0, 409, 439, 21));

  w.wheel(-1, Qt::ControlModifier);
  EXPECT_EQ(w.view().Axis.Zoom(), 1);
  w.key(Qt::Key_F);
  w.key(Qt::Key_Home);
  EXPECT_EQ(state(), T(3, 0, 0, 21));
  QTest::mouseClick(w.display.canvas(), Qt::LeftButton, {}, QPoint(48 + 364, 100));
  EXPECT_EQ(w.view().CursorSample, 364 * 513 / 728 + 1);
  w.key(Qt::Key_Right, Qt::ShiftModifier);
  w.key(Qt::Key_End);
  w.key(Qt::Key_Left);
  EXPECT_EQ(std::tuple(w.view().CursorSample, w.display.pageBar()->maximum()), std::tuple(511, 0));

  w.type('1');
  w.type('-');  // a quarter sample a pixel: pages of 182 samples
  w.key(Qt::Key_Home);
  w.key(Qt::Key_Right, Qt::ControlModifier);  // a tenth of the page, the cursor riding along
  EXPECT_EQ(state(), T(1, 18, 18, 21));
  w.key(Qt::Key_Left, Qt::ControlModifier);
  w.key(Qt::Key_Left, Qt::ControlModifier);
  EXPECT_EQ(state(), T(1, 0, 0, 21));
  // The lines' bar shows only while the pointer is over the waveforms.
  for (QEvent::Type type : {QEvent::Enter, QEvent::Leave}) {
    QEvent event(type);
    QApplication::sendEvent(w.display.canvas(), &event);
    EXPECT_EQ(w.display.rowBar()->isVisible(), type == QEvent::Enter);
  }
}

// The times from the cursor to the markers and between A and B, and the groups' values at
// the cursor in a Matched view (Pod2.0 is GRPB bit 8).
TEST(DisplayReadouts, MarkerTimesAndGroupValues) {
  Window w;
  SetDemoSample(w.session.images(), 2, 0, 1, 0x10);  // sample 5 high
  w.display.BuildView();
  for (int s : {5, 30}) {
    PlaceCursor(w.view(), static_cast<int16_t>(s), static_cast<int16_t>(s));
    w.type(' ');
  }
  w.key(Qt::Key_Home);
  EXPECT_EQ(w.display.panelText(4), "A 100ns B 600ns B-A 500ns");
  EXPECT_EQ(w.display.panelText(5).toStdString(), "GRPA=- CTL1=- GRPB=0000 GRPC=0000 CTL2=0000");
  w.key(Qt::Key_Right, Qt::ShiftModifier);
  w.key(Qt::Key_Left, Qt::ShiftModifier);  // one column at a time from column 10
  for (int i = 0; i < 4; ++i) w.key(Qt::Key_Left);
  EXPECT_EQ(w.view().CursorSample, 5);
  EXPECT_TRUE(w.display.panelText(5).contains("GRPB=0100")) << w.display.panelText(5).toStdString();
  EXPECT_EQ(w.display.panelText(4), "A 0ns B 500ns B-A 500ns");
  w.session.cnf = false;  // pod names: no groups to show
  w.display.BuildView();
  EXPECT_EQ(w.display.panelText(5), "");
}

}  // namespace
