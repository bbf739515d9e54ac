#pragma once
// How the acquisition display names and orders its lines, read from the two images. The
// display, the exports and logiremctl all build their lines here, so a capture exported from
// the command line carries the same channels under the same names as the window shows.
#include <array>
#include <cstdint>
#include <string>

class AcqModel;
class SetupModel;

class LineRules {
 public:
  static constexpr int kLines = 72;
  // The channel code of a line that names no pod channel: it draws nothing, has no pod name,
  // and is left out of every export.
  static constexpr int16_t kNoChannel = -1;

  struct Line {
    int16_t code = kNoChannel;  // pod * 10 + channel
    std::string podName;        // "Pod3.5"; empty without a channel
    std::string labelName;      // label and two-digit bit, "GRPA07"
    int16_t group = -1;         // the order-table entry the line came from; -1 in pod order
    int16_t bit = -1;
  };
  using Lines = std::array<Line, kLines>;

  // The configuration was read together with the acquisition and both count the same cards.
  static bool Matched(const AcqModel& acq, bool bCnf, int16_t nNm09, int16_t nNm18);
  // Nine lines per shown pod: one pod per 9-bit card, two per 18-bit card; at most 72.
  static int32_t LastLine(const AcqModel& acq);
  // The highest sample of the time axis: 8 * MaxPodLength - 8, halved without 18-bit cards.
  static int32_t LastSample(const AcqModel& acq);

  // The analyser's own display order (order table A) with label names.
  static Lines MatchedLines(const SetupModel& setup);
  // The pods in ascending order, nine channels each, named by pod in both name sets.
  static Lines PodOrderLines(const AcqModel& acq);

  // The pod channel that carries bit `bit` of group `group`, or kNoChannel when the group is
  // not in use, the bit lies outside its width, or the channel-map entry is empty.
  static int16_t ChannelOf(const SetupModel& setup, int16_t group, int16_t bit);
  static bool GroupInUse(const SetupModel& setup, int16_t group);

  static bool HasChannel(int16_t code) { return code != kNoChannel; }
  static int16_t Pod(int16_t code) { return static_cast<int16_t>(code / 10); }
  static int16_t Channel(int16_t code) { return static_cast<int16_t>(code % 10); }
  static std::string PodName(int16_t code);
  // The label followed by the bit in at least two digits.
  static std::string LabelName(const std::string& label, int16_t bit);
};
