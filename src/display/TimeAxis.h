#pragma once
// Where the samples and rows of the acquisition display stand, for a drawing area of any size
// and at any zoom. At the design's size (780 x 517 pixels) and scale (105 twips, seven pixels,
// a sample) every position is the design's; a larger area gains rows and samples, while the
// name column and the bottom strip keep their size. Zoomed out, a scale is N samples over D
// pixel columns, kept as whole numbers so that every sample lands in exactly one column and
// the drawing, the mouse and the scroll bar never disagree by a rounding.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

class TimeAxis {
 public:
  static constexpr int kDesignWidthPx = 780;
  static constexpr int kDesignHeightPx = 517;
  static constexpr int kWaveLeftPx = 48;  // the first pixel column right of the name column
  static constexpr int32_t kSampleTwips = 105;
  static constexpr int32_t kFirstColumnX = 772;

  // Never smaller than the design's area.
  void Resize(int widthPx, int heightPx);
  int WidthPx() const { return width_; }
  int HeightPx() const { return height_; }
  // In twips, as the design measures them.
  int32_t AreaWidth() const { return 11692 + 15 * (width_ - kDesignWidthPx); }
  int32_t AreaHeight() const { return 7750 + 15 * (height_ - kDesignHeightPx); }
  int32_t StripY() const { return AreaHeight() - 250; }
  int32_t Rows() const { return StripY() / 300 - 1; }
  // Pixel columns of the waveforms, and whole samples of the design's scale in them.
  int32_t WavePixels() const { return width_ - kWaveLeftPx - 4; }
  int32_t Columns() const { return WavePixels() / 7; }
  int32_t LastColumnX() const { return kFirstColumnX + kSampleTwips * (Columns() - 1); }
  // The cursor moves right while it stays left of this x.
  int32_t RightLimit() const { return kFirstColumnX + kSampleTwips * Columns(); }

  // The zoom levels for a time axis 0..last: 0 is the design's scale, then 1/4, 1/2, 1, 2, 4 ...
  // samples a pixel column, and last the scale that fits the whole axis into the waveforms.
  void SetLastSample(int32_t last);
  int Levels() const { return static_cast<int>(scales_.size()); }
  int Zoom() const { return zoom_; }
  void SetZoom(int level);
  bool DesignScale() const { return zoom_ == 0; }
  int64_t ScaleSamples() const { return scales_[static_cast<size_t>(zoom_)].first; }
  int64_t ScalePixels() const { return scales_[static_cast<size_t>(zoom_)].second; }

  struct Span {
    int64_t from;
    int64_t to;  // one past the last
  };
  // The pixel columns of sample s on a page starting at sample `first`, counted from the
  // waveforms' left edge; empty where s shares the column of the samples before it.
  Span Pixels(int64_t s, int64_t first) const;
  // The samples pixel column p shows.
  Span Samples(int64_t p, int64_t first) const;
  // The twips x of the centre of the column showing sample s: 772 + 105 c at the design's
  // scale. Every mark placed on a sample (cursor, markers, trigger) goes through it.
  int32_t SampleX(int64_t s, int64_t first) const;
  // Whole samples a page shows.
  int64_t PageSamples() const;
  // Samples a cursor step covers: one, or those of one pixel column.
  int64_t ColumnSamples() const;

 private:
  void BuildScales();

  int width_ = kDesignWidthPx;
  int height_ = kDesignHeightPx;
  int32_t last_ = 0;
  int zoom_ = 0;
  std::vector<std::pair<int64_t, int64_t>> scales_{{1, 7}};
};
