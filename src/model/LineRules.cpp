#include "model/LineRules.h"

#include <algorithm>
#include <cmath>

#include "model/AcqModel.h"
#include "model/SetupModel.h"

namespace {
// A code made of a pod 0..7 and a channel 0..8; anything else names no data.
int16_t ValidCode(int32_t pod, int32_t channel) {
  if (pod < 0 || pod > 7 || channel < 0 || channel > 8) return LineRules::kNoChannel;
  return static_cast<int16_t>(pod * 10 + channel);
}
}  // namespace

bool LineRules::Matched(const AcqModel& acq, bool bCnf, int16_t nNm09, int16_t nNm18) {
  return bCnf && nNm09 == acq.Cards9() && nNm18 == acq.Cards18();
}

int32_t LineRules::LastLine(const AcqModel& acq) {
  // The card counts come from the image: a damaged header can claim 255 cards of each kind,
  // far more lines than the table holds.
  const double lines = std::nearbyint((2 * acq.Cards18() + acq.Cards9()) * 9 - 1);
  return static_cast<int32_t>(std::clamp(lines, -1.0, double{kLines - 1}));
}

int32_t LineRules::LastSample(const AcqModel& acq) {
  const int32_t last = 8 * acq.MaxPodLength() - 8;  // always a multiple of 8: halving is exact
  return acq.Cards18() == 0 ? last / 2 : last;
}

bool LineRules::GroupInUse(const SetupModel& setup, int16_t group) {
  return group >= 0 && group < SetupModel::kGroups && setup.GetBase(group) != 2;
}

int16_t LineRules::ChannelOf(const SetupModel& setup, int16_t group, int16_t bit) {
  if (!GroupInUse(setup, group) || bit < 0 || bit >= setup.GetWidth(group)) return kNoChannel;
  const int32_t position = setup.GetFirst(group) + setup.GetWidth(group) - 1 - bit;
  if (position >= SetupModel::kPositions) return kNoChannel;
  const int16_t code = setup.GetChanMap(static_cast<int16_t>(position));
  return ValidCode(code / 10, code % 10);
}

std::string LineRules::PodName(int16_t code) {
  if (!HasChannel(code)) return {};
  return "Pod" + std::to_string(Pod(code)) + "." + std::to_string(Channel(code));
}

std::string LineRules::LabelName(const std::string& label, int16_t bit) {
  std::string digits = std::to_string(bit < 0 ? -bit : bit);
  if (digits.size() < 2) digits.insert(0, 2 - digits.size(), '0');
  return label + (bit < 0 ? "-" : "") + digits;
}

LineRules::Lines LineRules::MatchedLines(const SetupModel& setup) {
  Lines lines;
  for (int16_t i = 0; i < kLines; ++i) {
    const int16_t g = setup.GetOrderGroup(i);
    const int16_t b = setup.GetOrderBit(i);
    const int16_t code = ChannelOf(setup, g, b);
    lines[static_cast<size_t>(i)] = {code, PodName(code), LabelName(setup.GetLabel(g), b), g, b};
  }
  return lines;
}

LineRules::Lines LineRules::PodOrderLines(const AcqModel& acq) {
  Lines lines;
  const double cards9 = acq.Cards9();
  int32_t pod = 0;
  int32_t channel = 0;
  int32_t k = 0;
  for (auto& line : lines) {
    const int16_t code = ValidCode(pod, channel);
    line = {code, PodName(code), PodName(code)};
    if (++channel > 8) {
      channel = 0;
      pod += k < cards9 ? 2 : 1;
      ++k;
    }
  }
  return lines;
}
