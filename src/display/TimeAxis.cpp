#include "display/TimeAxis.h"

#include <algorithm>

namespace {
int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
int64_t CeilDiv(int64_t a, int64_t b) { return -FloorDiv(-a, b); }
// a/b < c/d for positive denominators.
bool Finer(const std::pair<int64_t, int64_t>& a, const std::pair<int64_t, int64_t>& b) {
  return a.first * b.second < b.first * a.second;
}
}  // namespace

void TimeAxis::Resize(int widthPx, int heightPx) {
  width_ = std::max(widthPx, kDesignWidthPx);
  height_ = std::max(heightPx, kDesignHeightPx);
  BuildScales();
}

void TimeAxis::SetLastSample(int32_t last) {
  last_ = std::max(last, 0);
  zoom_ = 0;
  BuildScales();
}

void TimeAxis::SetZoom(int level) { zoom_ = std::clamp(level, 0, Levels() - 1); }

void TimeAxis::BuildScales() {
  const bool fitted = zoom_ > 0 && zoom_ == Levels() - 1;
  const std::pair<int64_t, int64_t> fit{int64_t{last_} + 1, WavePixels()};
  scales_ = {{1, 7}};
  for (std::pair<int64_t, int64_t> s : {std::pair<int64_t, int64_t>{1, 4}, {1, 2}, {1, 1}}) {
    if (Finer(s, fit)) scales_.push_back(s);
  }
  for (int64_t n = 2; Finer({n, 1}, fit); n *= 2) scales_.emplace_back(n, 1);
  if (Finer(scales_.back(), fit)) scales_.push_back(fit);
  // A fitted view stays fitted when the area changes size.
  zoom_ = fitted ? Levels() - 1 : std::min(zoom_, Levels() - 1);
}

TimeAxis::Span TimeAxis::Pixels(int64_t s, int64_t first) const {
  const int64_t d = s - first;
  return {FloorDiv(d * ScalePixels(), ScaleSamples()),
          FloorDiv((d + 1) * ScalePixels(), ScaleSamples())};
}

TimeAxis::Span TimeAxis::Samples(int64_t p, int64_t first) const {
  int64_t from = CeilDiv(p * ScaleSamples(), ScalePixels());
  const int64_t to = CeilDiv((p + 1) * ScaleSamples(), ScalePixels());
  // A sample wider than a pixel: the column lies inside the one that started before it.
  if (from == to) from = to - 1;
  return {first + from, first + to};
}

int32_t TimeAxis::SampleX(int64_t s, int64_t first) const {
  const Span px = Pixels(s, first);
  const int64_t centre = px.to > px.from ? px.from + (px.to - px.from - 1) / 2 : px.from;
  return static_cast<int32_t>(
      std::clamp<int64_t>(15 * (kWaveLeftPx + centre) + 7, INT32_MIN / 2, INT32_MAX / 2));
}

int64_t TimeAxis::PageSamples() const {
  return std::max<int64_t>(1, FloorDiv(WavePixels() * ScaleSamples(), ScalePixels()));
}

int64_t TimeAxis::ColumnSamples() const {
  return std::max<int64_t>(1, CeilDiv(ScaleSamples(), ScalePixels()));
}
