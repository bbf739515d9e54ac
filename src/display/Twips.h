#pragma once
// The drawing is laid out in twips (1/1440 inch) at 15 twips per screen pixel. Every
// conversion between the two goes through these few functions, so the drawing, the mouse
// and the tests agree on which pixel a twip position lands in.
#include <cstdint>

namespace twips {

inline constexpr int32_t kPerPixel = 15;
inline constexpr int32_t kAreaWidth = 11692;  // the drawing area above the status bar
inline constexpr int32_t kAreaHeight = 7750;

// The pixel that holds twip position t (rounded down, also for negative positions).
constexpr int ToPixel(int32_t t) {
  return static_cast<int>(t >= 0 ? t / kPerPixel : -((-t + kPerPixel - 1) / kPerPixel));
}

// The twip position of the top-left corner of pixel p.
constexpr int32_t FromPixel(int p) { return int32_t{p} * kPerPixel; }

// Pixels needed to hold a length of t twips.
constexpr int PixelsFor(int32_t t) { return static_cast<int>((t + kPerPixel - 1) / kPerPixel); }

inline constexpr int kAreaWidthPx = PixelsFor(kAreaWidth);    // 780
inline constexpr int kAreaHeightPx = PixelsFor(kAreaHeight);  // 517

// The pixels a straight line from a to b covers along its direction, as the half-open range
// [from, to). As on the original screen, the line's end point itself is not drawn, whichever
// way the line runs.
struct PixelRun {
  int from;
  int to;
  int length() const { return to - from; }
};
// A line shorter than a pixel still covers the pixel it starts in.
constexpr PixelRun LineRun(int32_t a, int32_t b) {
  const int pa = ToPixel(a);
  const int pb = ToPixel(b);
  if (pa == pb) return {pa, pa + 1};
  return a < b ? PixelRun{pa, pb} : PixelRun{pb + 1, pa + 1};
}

}  // namespace twips
