#pragma once
// Two captures compared sample by sample on a common time axis, line by line, each line read
// by its pod channel in both. A sample differs where the two levels differ or where only one
// capture has a level. The header fields that make a capture (cards, period, trigger, each
// pod's presence, start and end) are compared as well, so two captures recorded differently
// never pass as identical.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "model/ImageSizes.h"

class SetupModel;

class CaptureCompare {
 public:
  using Image = std::span<const uint8_t, kAcqImageSize>;
  struct Line {
    std::string name;
    int16_t code = 0;  // pod * 10 + channel
  };
  struct HeaderDifference {
    std::string field, a, b;
  };
  struct LineDifference {
    std::string name;
    int16_t code = 0;
    std::vector<std::pair<int32_t, int32_t>> ranges;  // inclusive, ascending, merged
  };

  // Every channel of every pod present in either capture, ascending, named PodP.C.
  static std::vector<Line> AllPods(Image a, Image b);
  // The display's Matched lines under label names, as many as either capture shows; lines
  // that name no channel are left out.
  static std::vector<Line> MatchedLines(Image a, Image b, const SetupModel& setup);

  // The trigger sample, when known, is the setup's trigger position for both captures.
  CaptureCompare(Image a, Image b, const std::vector<Line>& lines,
                 std::optional<int32_t> triggerPosition = std::nullopt);

  bool identical() const { return header_.empty() && lines_.empty(); }
  const std::vector<HeaderDifference>& header() const { return header_; }
  const std::vector<LineDifference>& lines() const { return lines_; }
  // The samples where any line differs, ascending.
  const std::vector<int32_t>& samples() const { return samples_; }
  // "identical", or the count line, the header differences and one line per differing line.
  std::string Text() const;

  static std::string PeriodText(int32_t period);  // "20ns", "2us", "SYNC"

 private:
  std::vector<HeaderDifference> header_;
  std::vector<LineDifference> lines_;
  std::vector<int32_t> samples_;
};
