#pragma once
// A compare of the displayed acquisition with a second one (a file, or the analyser's
// reference memory) held in an image of its own, so the acquisition is never replaced. The
// differing samples of each line are marked on the drawing in a colour nothing else uses,
// drawn as a pass of its own after the display's, at the drawing's own sample positions.
#include <QColor>
#include <QImage>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "export/CaptureCompare.h"

class DisplayView;
struct MemoryImages;

class CompareOverlay {
 public:
  static const QColor kMark;

  CompareOverlay();
  ~CompareOverlay();

  // Compares the view's lines 0..LastLine of `acq` with the other capture, which the overlay
  // keeps from now on.
  void Start(const DisplayView& view, std::span<const uint8_t, kAcqImageSize> acq,
             std::unique_ptr<MemoryImages> other);
  void Stop();
  bool active() const { return result_.has_value(); }
  const CaptureCompare* result() const { return result_ ? &*result_ : nullptr; }

  // The differing sample after (forward) or before `from`, or nothing.
  std::optional<int32_t> Next(int32_t from, bool forward) const;
  // "N samples differ", for the status line.
  std::string StatusText() const;
  // The header differences, one "FIELD: A | B" a line; empty when there are none.
  std::string HeaderText() const;

  // Marks the differing samples of the visible lines on the page the view shows.
  void Draw(QImage& image, const DisplayView& view) const;

 private:
  std::unique_ptr<MemoryImages> other_;
  std::optional<CaptureCompare> result_;
  std::map<int16_t, std::vector<std::pair<int32_t, int32_t>>> ranges_;  // by channel code
};
