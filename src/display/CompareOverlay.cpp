#include "display/CompareOverlay.h"

#include <QPainter>
#include <algorithm>

#include "display/DisplayDrawing.h"
#include "display/DisplayView.h"
#include "display/Twips.h"
#include "memory/MemoryImages.h"
#include "model/LineRules.h"

const QColor CompareOverlay::kMark(255, 128, 0);

CompareOverlay::CompareOverlay() = default;
CompareOverlay::~CompareOverlay() = default;

void CompareOverlay::Start(const DisplayView& view, std::span<const uint8_t, kAcqImageSize> acq,
                           std::unique_ptr<MemoryImages> other) {
  other_ = std::move(other);
  std::vector<CaptureCompare::Line> lines;
  for (int32_t i = 0; i <= view.LastLine; ++i) {
    const int16_t code = view.LineTable[static_cast<size_t>(i)].code;
    if (!LineRules::HasChannel(code)) continue;
    // A line moved on screen is still the same pod channel: compare each channel once.
    if (std::any_of(lines.begin(), lines.end(), [code](const auto& l) { return l.code == code; }))
      continue;
    lines.push_back({view.Name(static_cast<int16_t>(i), view.SignalNames), code});
  }
  result_.emplace(acq, other_->AcqMem, lines,
                  view.IsTriggered ? std::optional<int32_t>(view.TrigPos) : std::nullopt);
  ranges_.clear();
  for (const auto& line : result_->lines()) ranges_[line.code] = line.ranges;
}

void CompareOverlay::Stop() {
  result_.reset();
  other_.reset();
  ranges_.clear();
}

std::optional<int32_t> CompareOverlay::Next(int32_t from, bool forward) const {
  if (!result_) return std::nullopt;
  const std::vector<int32_t>& samples = result_->samples();
  if (forward) {
    const auto it = std::upper_bound(samples.begin(), samples.end(), from);
    return it == samples.end() ? std::nullopt : std::optional<int32_t>(*it);
  }
  const auto it = std::lower_bound(samples.begin(), samples.end(), from);
  return it == samples.begin() ? std::nullopt : std::optional<int32_t>(*std::prev(it));
}

std::string CompareOverlay::StatusText() const {
  if (!result_) return {};
  return std::to_string(result_->samples().size()) + " samples differ";
}

std::string CompareOverlay::HeaderText() const {
  std::string text;
  if (!result_) return text;
  for (const auto& [field, a, b] : result_->header()) text += field + ": " + a + " | " + b + "\n";
  return text;
}

void CompareOverlay::Draw(QImage& image, const DisplayView& view) const {
  if (!result_ || ranges_.empty()) return;
  QPainter p(&image);
  const TimeAxis& axis = view.Axis;
  const int64_t first = view.FirstSample();
  const int64_t last = first + axis.PageSamples() - 1;
  for (int32_t r = 0; r < axis.Rows(); ++r) {
    const int32_t line = view.TopLine + r;
    if (line > view.LastLine || line >= DisplayView::kLines) break;
    const auto found = ranges_.find(view.LineTable[static_cast<size_t>(line)].code);
    if (found == ranges_.end()) continue;
    // A band across the top of the row, clear of both levels and of the trigger tick.
    const int y = twips::ToPixel((r + 1) * 300 - 270);
    for (const auto& [from, to] : found->second) {
      if (to < first || from > last) continue;
      const int64_t a = std::max<int64_t>(from, first), b = std::min<int64_t>(to, last);
      if (axis.DesignScale()) {
        const auto run = twips::LineRun(view.SampleX(static_cast<int32_t>(a)) - 52,
                                        view.SampleX(static_cast<int32_t>(b)) + 53);
        p.fillRect(run.from, y, run.length(), 3, kMark);
        continue;
      }
      // Zoomed out, every pixel column holding a differing sample is marked, so a one-sample
      // difference stays visible however many samples share its column.
      const int64_t x0 = axis.Pixels(a, first).from;
      const TimeAxis::Span end = axis.Pixels(b, first);
      const int64_t x1 = std::max(end.to, end.from + 1);
      p.fillRect(static_cast<int>(TimeAxis::kWaveLeftPx + x0), y, static_cast<int>(x1 - x0), 3,
                 kMark);
    }
  }
}
