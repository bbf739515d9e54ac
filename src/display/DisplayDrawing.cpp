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
constexpr int32_t kRowHeight = 300;
constexpr int32_t kHigh = 120;          // a high level sits this far above the row's baseline
constexpr int32_t kReadoutWidth = 730;  // the readout moves left of a cursor this near the edge

// The levels of one channel along the time axis, read a byte at a time: a zoomed-out page
// reads every sample of the capture, and the header is the same for all of them.
class ChannelReader {
 public:
  ChannelReader(const AcqModel& acq, int16_t pod, int16_t channel)
      : acq_(acq),
        pod_(pod),
        channel_(channel),
        lo_(acq.PodStart(pod)),
        hi_(acq.PodEnd(pod)),
        f_(acq.PodTwoBit(pod) ? 2 : 1) {}
  int32_t lo() const { return lo_; }
  int32_t hi() const { return hi_; }
  // What samples from..to-1 (inside lo..hi) hold: bit 0 a low one, bit 1 a high one, bit 2 a
  // high one whose pair bit is set too. Whole bytes of one level count at once: a fitted page
  // reads every sample of the capture.
  int Range(int64_t from, int64_t to) {
    const int shift = f_ == 1 ? 3 : 2;  // samples a byte: 8 or 4
    const int n = 1 << shift;
    const int64_t base = 7 / f_ - int64_t{lo_};
    int seen = 0;
    for (int64_t s = from; s < to && seen != 7;) {
      const int64_t a = base + s;
      const int r = static_cast<int>(a & (n - 1));
      const int byte = Byte(a >> shift);
      if (r == 0 && to - s >= n && f_ == 1 && (byte == 0 || byte == 255)) {
        seen |= byte == 0 ? 1 : 2;
        s += n;
        continue;
      }
      const int mask = f_ == 1 ? 1 << r : 1 << (2 * r + 1);
      if ((byte & mask) != mask) {
        seen |= 1;
      } else {
        seen |= (f_ == 2 && (byte & (mask / 2)) == mask / 2) ? 6 : 2;
      }
      ++s;
    }
    return seen;
  }

 private:
  const AcqModel& acq_;
  int16_t pod_, channel_;
  int32_t lo_, hi_;
  int f_;
  int Byte(int64_t k) {
    if (k != index_) {
      index_ = k;
      byte_ = static_cast<int>(acq_.PodSampleByte(pod_, channel_, static_cast<int32_t>(k)));
    }
    return byte_;
  }

  int64_t index_ = -1;
  int byte_ = 0;
};
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
      image_(view.Axis.WidthPx(), view.Axis.HeightPx(), QImage::Format_RGB32),
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

void DisplayDrawing::Resize(int widthPx, int heightPx) {
  view_.Resize(widthPx, heightPx);
  if (image_.size() != QSize(view_.Axis.WidthPx(), view_.Axis.HeightPx())) {
    image_ = QImage(view_.Axis.WidthPx(), view_.Axis.HeightPx(), QImage::Format_RGB32);
    image_.setDotsPerMeterX(3780);
    image_.setDotsPerMeterY(3780);
  }
  Redraw();
}

void DisplayDrawing::Redraw() {
  // A clean picture holds no old cursor or readout to take away.
  view_.CursorDrawn();
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
  VLine(p, kDivider, 0, view_.Axis.AreaHeight(), kWhite);
  HLine(p, 0, view_.Axis.AreaWidth(), view_.Axis.StripY(), kWhite);
}

void DisplayDrawing::DrawPeriod(QPainter& p) {
  const std::string text =
      DisplayView::PeriodText(view_.Period) + DisplayView::PeriodUnit(view_.Period);
  Text(p, 30, view_.Axis.StripY(), QString::fromStdString(text), kGreen);
}

void DisplayDrawing::DrawGrid(QPainter& p) {
  for (int32_t i = 0; i < view_.Axis.Rows(); ++i) {
    HLine(p, kDivider + 1, view_.Axis.AreaWidth(), kRowHeight * (i + 1), kDarkGrey);
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
  for (int32_t r = 0; r < view_.Axis.Rows(); ++r) {
    const int32_t line = view_.TopLine + r;
    if (line > view_.LastLine) break;
    const std::string& name = view_.Name(static_cast<int16_t>(line), podSet);
    // (r + 0.4) * 300
    Text(p, 30, kRowHeight * r + 120, QString::fromStdString(name), colour);
  }
}

void DisplayDrawing::DrawLines(QPainter& p, int32_t cursorSample) {
  const bool design = view_.Axis.DesignScale();
  const int32_t first = design
                            ? cursorSample - (view_.CursorX - kDivider) / DisplayView::kColumnWidth
                            : view_.FirstSample();
  for (int32_t r = 0; r < view_.Axis.Rows(); ++r) {
    const int32_t line = view_.TopLine + r;
    if (line > view_.LastLine) break;
    const DisplayView::Line& entry = view_.LineTable[static_cast<size_t>(line)];
    if (!LineRules::HasChannel(entry.code)) continue;  // a line with no channel draws nothing
    if (design) {
      DrawSignal(p, line, LineRules::Pod(entry.code), LineRules::Channel(entry.code), first,
                 view_.Axis.Columns(), entry.picked == 1);
    } else {
      DrawZoomed(p, line, LineRules::Pod(entry.code), LineRules::Channel(entry.code), first,
                 entry.picked == 1);
    }
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

void DisplayDrawing::DrawZoomed(QPainter& p, int32_t line, int16_t pod, int16_t channel,
                                int32_t first, bool picked) {
  const AcqModel* acq = view_.acq();
  if (acq == nullptr || acq->PodAbsent(pod)) return;
  const int32_t y0 = (line - view_.TopLine + 1) * kRowHeight;
  const int lowPx = ToPixel(y0);
  const int highPx = ToPixel(y0 - kHigh);
  const QColor& plain = picked ? kMagenta : kWhite;
  ChannelReader reader(*acq, pod, channel);

  // Columns at one level in one pen make one run, as at the design's scale.
  struct Run {
    int from = 0, to = 0, y = 0, height = 0;
    const QColor* colour = nullptr;
  } run;
  const auto flush = [&] {
    if (run.colour != nullptr)
      p.fillRect(run.from, run.y, run.to - run.from, run.height, *run.colour);
    run.colour = nullptr;
  };
  const auto put = [&](int x, int y, int height, const QColor& colour) {
    if (run.colour == &colour && run.y == y && run.height == height && run.to == x) {
      run.to = x + 1;
      return;
    }
    flush();
    run = {x, x + 1, y, height, &colour};
  };

  const int wave = view_.Axis.WavePixels();
  for (int c = 0; c < wave; ++c) {
    const TimeAxis::Span span = view_.Axis.Samples(c, first);
    const int64_t from = std::max<int64_t>(span.from, reader.lo());
    const int64_t to = std::min<int64_t>(span.to, int64_t{reader.hi()} + 1);
    if (from >= to) {
      flush();
      continue;
    }
    const int seen = reader.Range(from, to);
    const int x = TimeAxis::kWaveLeftPx + c;
    if ((seen & 3) == 3) {
      // The level changes inside the column: a bar over the column keeps the shortest pulse
      // in view.
      put(x, highPx, lowPx - highPx + 1, plain);
    } else if (seen & 4) {
      put(x, highPx - 1, 2, kRed);
    } else {
      put(x, (seen & 2) ? highPx : lowPx, 1, plain);
    }
    if ((seen & 3) == 3 && (seen & 4)) {
      flush();
      p.fillRect(x, highPx - 1, 1, 2, kRed);
    }
    if (view_.IsTriggered && view_.TrigPos >= from && view_.TrigPos < to) {
      flush();
      VLine(p, view_.SampleX(view_.TrigPos), y0 + 60, y0 - 180, kYellow);
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

void DisplayDrawing::DrawCursor(QPainter& p, int32_t x) {
  if (x < kDivider) return;  // off the page
  XorVLine(p, x, 0, view_.Axis.StripY() - 1, kYellow);
}

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
  if (x < kDivider) return;
  const int32_t textX = x <= view_.Axis.RightLimit() - kReadoutWidth ? x + 30 : x - 660;
  Text(p, textX, view_.Axis.StripY(), QString::fromStdString(view_.CursorTimeText(relSample)),
       colour);
}

void DisplayDrawing::DrawMarkers(QPainter& p) {
  for (int k = 0; k < DisplayView::kMarkers; ++k) {
    const int32_t s = view_.Markers[static_cast<size_t>(k)];
    if (s == -1 || !view_.OnPage(s)) continue;
    const int32_t x = view_.SampleX(s);
    XorVLine(p, x, 0, view_.Axis.StripY() - 1, kGreen);
    Text(p, x + 52, view_.Axis.StripY() - 195, QString(QChar(65 + k)), kGreen);
  }
}
