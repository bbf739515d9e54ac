#include "display/DisplayDrawing.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "display/Twips.h"
#include "model/LineRules.h"

using twips::LineRun;
using twips::ToPixel;

const QColor DisplayDrawing::kBlack(0, 0, 0);
const QColor DisplayDrawing::kWhite(255, 255, 255);
const QColor DisplayDrawing::kDarkGrey(64, 64, 64);
const QColor DisplayDrawing::kGreen(0, 255, 0);
const QColor DisplayDrawing::kYellow(255, 255, 0);
const QColor DisplayDrawing::kCyan(0, 255, 255);
const QColor DisplayDrawing::kMagenta(255, 0, 255);
const QColor DisplayDrawing::kRed(255, 0, 0);

namespace {
constexpr int32_t kDivider = 720;
constexpr int32_t kStrip = 7500;
constexpr int32_t kRowHeight = 300;
constexpr int32_t kHigh = 120;  // a high level sits this far above the row's baseline
constexpr int32_t kReadoutSwitch = 10962;
}  // namespace

QFont DisplayDrawing::DisplayFont() {
  QFont font(QStringLiteral("Courier New"));
  font.setPixelSize(11);
  font.setStyleHint(QFont::TypeWriter);
  font.setStyleStrategy(QFont::NoAntialias);
  if (QFontInfo(font).family() != QStringLiteral("Courier New")) {
    font.setFamily(QStringLiteral("Liberation Mono"));
  }
  return font;
}

DisplayDrawing::DisplayDrawing(DisplayView& view)
    : view_(view),
      image_(twips::kAreaWidthPx, twips::kAreaHeightPx, QImage::Format_RGB32),
      font_(DisplayFont()) {
  // 96 dots per inch, the screen the layout was made for.
  image_.setDotsPerMeterX(3780);
  image_.setDotsPerMeterY(3780);
  image_.fill(kBlack);
  ascent_ = QFontMetrics(font_, &image_).ascent();
}

void DisplayDrawing::HLine(QPainter& p, int32_t x1, int32_t x2, int32_t y, const QColor& colour,
                           int width) {
  const auto run = LineRun(x1, x2);
  // A wider pen grows upward, so a low level's mark stays inside its own row.
  p.fillRect(run.from, ToPixel(y) - (width - 1), run.length(), width, colour);
}

void DisplayDrawing::VLine(QPainter& p, int32_t x, int32_t y1, int32_t y2, const QColor& colour) {
  // In pieces: Qt hands a fill of more than a few dozen rows to its thread pool, which for a
  // one-pixel column costs far more than drawing it here.
  constexpr int kPiece = 48;
  const auto run = LineRun(y1, y2);
  for (int y = run.from; y < run.to; y += kPiece) {
    p.fillRect(ToPixel(x), y, 1, std::min(kPiece, run.to - y), colour);
  }
}

void DisplayDrawing::XorVLine(QPainter& p, int32_t x, int32_t y1, int32_t y2,
                              const QColor& colour) {
  p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  VLine(p, x, y1, y2, colour);
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void DisplayDrawing::Text(QPainter& p, int32_t x, int32_t y, const QString& text,
                          const QColor& colour) {
  p.setPen(colour);
  p.drawText(ToPixel(x), ToPixel(y) + ascent_, text);
}

void DisplayDrawing::Redraw() {
  image_.fill(kBlack);
  QPainter p(&image_);
  p.setFont(font_);
  DrawFrame(p);
  DrawPeriod(p);
  DrawGrid(p);
  RedrawNames(p);
  DrawLines(p, view_.CursorSample);
  DrawCursorAndMarkers(p);
}

void DisplayDrawing::DrawFrame(QPainter& p) {
  VLine(p, kDivider, 0, twips::kAreaHeight, kWhite);
  HLine(p, 0, twips::kAreaWidth, kStrip, kWhite);
}

void DisplayDrawing::DrawPeriod(QPainter& p) {
  const std::string text =
      DisplayView::PeriodText(view_.Period) + DisplayView::PeriodUnit(view_.Period);
  Text(p, 30, kStrip, QString::fromStdString(text), kGreen);
}

void DisplayDrawing::DrawGrid(QPainter& p) {
  for (int32_t i = 0; i < DisplayView::kRows; ++i) {
    HLine(p, kDivider + 1, twips::kAreaWidth, kRowHeight * (i + 1), kDarkGrey);
  }
}

void DisplayDrawing::RedrawNames() {
  QPainter p(&image_);
  p.setFont(font_);
  RedrawNames(p);
}

void DisplayDrawing::RedrawNames(QPainter& p) {
  DrawNames(p, kBlack, !view_.SignalNames);
  DrawNames(p, kCyan, view_.SignalNames);
}

void DisplayDrawing::DrawNames(QPainter& p, const QColor& colour, bool podSet) {
  for (int32_t r = 0; r < DisplayView::kRows; ++r) {
    const int32_t line = view_.TopLine + r;
    if (line > view_.LastLine) break;
    const std::string& name = view_.Name(static_cast<int16_t>(line), podSet);
    // (r + 0.4) * 300
    Text(p, 30, kRowHeight * r + 120, QString::fromStdString(name), colour);
  }
}

void DisplayDrawing::DrawLines(QPainter& p, int32_t cursorSample) {
  const int32_t first = cursorSample - (view_.CursorX - kDivider) / DisplayView::kColumnWidth;
  for (int32_t r = 0; r < DisplayView::kRows; ++r) {
    const int32_t line = view_.TopLine + r;
    if (line > view_.LastLine) break;
    const DisplayView::Line& entry = view_.LineTable[static_cast<size_t>(line)];
    if (!LineRules::HasChannel(entry.code)) continue;  // a line with no channel draws nothing
    DrawSignal(p, line, LineRules::Pod(entry.code), LineRules::Channel(entry.code), first,
               DisplayView::kColumns, entry.picked == 1);
  }
}

void DisplayDrawing::DrawSignal(QPainter& p, int32_t line, int16_t pod, int16_t channel,
                                int32_t first, int32_t count, bool picked) {
  const AcqModel* acq = view_.acq();
  if (acq == nullptr) return;
  const int32_t y0 = (line - view_.TopLine + 1) * kRowHeight;
  const int32_t lo = acq->PodStart(pod);
  const int32_t hi = acq->PodEnd(pod);
  const bool twoBit = acq->PodTwoBit(pod);
  const QColor& plain = picked ? kMagenta : kWhite;

  // Neighbouring segments at the same level and in the same pen touch end to end, so they
  // are drawn as one run: the same pixels in a fraction of the fills.
  struct Run {
    int32_t from = 0, to = 0, level = 0;
    const QColor* colour = nullptr;
    int width = 0;
  } run;
  const auto flush = [&] {
    if (run.colour != nullptr) HLine(p, run.from, run.to, run.level, *run.colour, run.width);
    run.colour = nullptr;
  };

  int32_t x = DisplayView::kFirstColumnX;
  for (int32_t s = first; s < first + count; ++s, x += DisplayView::kColumnWidth) {
    const auto bits = (s < lo || s > hi) ? std::nullopt : acq->SampleAt(pod, channel, s);
    if (!bits) {
      flush();
      continue;
    }
    const int32_t level = bits->high() ? y0 - kHigh : y0;
    const bool paired = twoBit && bits->pairedBit();
    const QColor* colour = paired ? &kRed : &plain;
    const int width = paired ? 2 : 1;
    if (run.colour == colour && run.level == level && run.width == width && run.to == x - 52) {
      run.to = x + 53;
    } else {
      flush();
      run = {x - 52, x + 53, level, colour, width};
    }
    if (view_.IsTriggered && s == view_.TrigPos) {
      // The tick goes over its own segment, as drawn one by one.
      flush();
      VLine(p, x, y0 + 60, y0 - 180, kYellow);
    }
  }
  flush();
}

void DisplayDrawing::DrawCursorAndMarkers(QPainter& p) {
  DrawCursor(p, view_.CursorX);
  MoveCursor(p);
  DrawMarkers(p);
}

void DisplayDrawing::DrawCursor(int16_t x) {
  QPainter p(&image_);
  DrawCursor(p, x);
}

void DisplayDrawing::DrawCursor(QPainter& p, int32_t x) { XorVLine(p, x, 0, kStrip - 1, kYellow); }

void DisplayDrawing::MoveCursor() {
  QPainter p(&image_);
  p.setFont(font_);
  MoveCursor(p);
}

void DisplayDrawing::MoveCursor(QPainter& p) {
  DrawCursor(p, view_.PrevCursorX);
  DrawCursor(p, view_.CursorX);
  ShowCursorTime(p, kBlack, view_.PrevCursorX, view_.PrevCursorSample, view_.PrevRelSample);
  ShowCursorTime(p, kYellow, view_.CursorX, view_.CursorSample, view_.RelSample);
  view_.CursorDrawn();
}

void DisplayDrawing::ShowCursorTime(QPainter& p, const QColor& colour, int32_t x, int32_t sample,
                                    int32_t relSample) {
  cursorTime_ = QString::fromStdString(view_.CursorTimeText(sample));
  const int32_t textX = x <= kReadoutSwitch ? x + 30 : x - 660;
  Text(p, textX, kStrip, QString::fromStdString(view_.CursorTimeText(relSample)), colour);
}

void DisplayDrawing::DrawMarkers(QPainter& p) {
  const int32_t first = view_.FirstSample();
  for (int k = 0; k < DisplayView::kMarkers; ++k) {
    const int32_t s = view_.Markers[static_cast<size_t>(k)];
    if (s == -1 || s < first || s >= first + DisplayView::kColumns) continue;
    const int32_t x = SampleX(view_, s);
    XorVLine(p, x, 0, kStrip - 1, kGreen);
    Text(p, x + 52, 7305, QString(QChar(65 + k)), kGreen);
  }
}
