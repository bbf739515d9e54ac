#include "export/CaptureCompare.h"

#include <algorithm>

#include "export/Capture.h"
#include "model/AcqModel.h"
#include "model/LineRules.h"
#include "model/SetupModel.h"

namespace {
std::string CardsText(const AcqModel& acq) {
  return std::to_string(static_cast<int>(acq.Cards9())) + " 9-bit, " +
         std::to_string(static_cast<int>(acq.Cards18())) + " 18-bit";
}

std::string TriggerText(const AcqModel& acq, std::optional<int32_t> position) {
  if (!acq.Triggered()) return "none";
  return position ? "sample " + std::to_string(*position) : "triggered";
}
}  // namespace

std::string CaptureCompare::PeriodText(int32_t period) {
  if (period <= 0) return "SYNC";
  static const struct {
    int64_t scale;
    const char* unit;
  } kUnits[] = {{1000000000, "s"}, {1000000, "ms"}, {1000, "us"}, {1, "ns"}};
  for (const auto& [scale, unit] : kUnits) {
    // The analyser's periods are whole numbers of their unit; any other stays in ns.
    if (period >= scale && period % scale == 0) return std::to_string(period / scale) + unit;
  }
  return std::to_string(period) + "ns";
}

std::vector<CaptureCompare::Line> CaptureCompare::AllPods(Image a, Image b) {
  const AcqModel ma(a), mb(b);
  std::vector<Line> lines;
  for (int16_t pod = 0; pod < 8; ++pod) {
    if (ma.PodAbsent(pod) && mb.PodAbsent(pod)) continue;
    for (int16_t c = 0; c < 9; ++c) {
      const auto code = static_cast<int16_t>(pod * 10 + c);
      lines.push_back({LineRules::PodName(code), code});
    }
  }
  return lines;
}

std::vector<CaptureCompare::Line> CaptureCompare::MatchedLines(Image a, Image b,
                                                               const SetupModel& setup) {
  const int32_t last = std::max(LineRules::LastLine(AcqModel(a)), LineRules::LastLine(AcqModel(b)));
  const LineRules::Lines all = LineRules::MatchedLines(setup);
  std::vector<Line> lines;
  for (int32_t i = 0; i <= last; ++i) {
    const LineRules::Line& line = all[static_cast<size_t>(i)];
    if (LineRules::HasChannel(line.code)) lines.push_back({line.labelName, line.code});
  }
  return lines;
}

CaptureCompare::CaptureCompare(Image a, Image b, const std::vector<Line>& lines,
                               std::optional<int32_t> triggerPosition) {
  const AcqModel ma(a), mb(b);
  const auto differ = [this](std::string field, std::string va, std::string vb) {
    if (va != vb) header_.push_back({std::move(field), std::move(va), std::move(vb)});
  };
  differ("cards", CardsText(ma), CardsText(mb));
  differ("period", PeriodText(ma.SamplePeriod()), PeriodText(mb.SamplePeriod()));
  differ("trigger", TriggerText(ma, triggerPosition), TriggerText(mb, triggerPosition));
  for (int16_t pod = 0; pod < 8; ++pod) {
    const std::string name = "pod" + std::to_string(pod);
    if (ma.PodAbsent(pod) || mb.PodAbsent(pod)) {
      differ(name, ma.PodAbsent(pod) ? "absent" : "present",
             mb.PodAbsent(pod) ? "absent" : "present");
      continue;
    }
    differ(name + " start", std::to_string(ma.PodStart(pod)), std::to_string(mb.PodStart(pod)));
    differ(name + " end", std::to_string(ma.PodEnd(pod)), std::to_string(mb.PodEnd(pod)));
  }

  Capture ca(a, "a"), cb(b, "b");
  const int32_t lastA = ca.lastSample(), lastB = cb.lastSample();
  const int32_t last = std::max(lastA, lastB);
  std::vector<bool> differs(static_cast<size_t>(std::max(last + 1, 0)), false);
  for (const Line& line : lines) {
    const Capture::Channel channel{line.name, LineRules::Pod(line.code),
                                   LineRules::Channel(line.code)};
    LineDifference found{line.name, line.code, {}};
    for (int32_t s = 0; s <= last; ++s) {
      const int la = s <= lastA ? ca.Level(channel, s) : -1;
      const int lb = s <= lastB ? cb.Level(channel, s) : -1;
      if (la == lb) continue;
      differs[static_cast<size_t>(s)] = true;
      if (!found.ranges.empty() && found.ranges.back().second == s - 1) {
        found.ranges.back().second = s;
      } else {
        found.ranges.emplace_back(s, s);
      }
    }
    if (!found.ranges.empty()) lines_.push_back(std::move(found));
  }
  for (size_t s = 0; s < differs.size(); ++s) {
    if (differs[s]) samples_.push_back(static_cast<int32_t>(s));
  }
}

std::string CaptureCompare::Text() const {
  if (identical()) return "identical\n";
  // One wording whatever the counts, for scripts that read it.
  std::string text = std::to_string(samples_.size()) + " samples differ on " +
                     std::to_string(lines_.size()) + " lines\n";
  for (const auto& [field, a, b] : header_) text += field + ": " + a + " | " + b + "\n";
  for (const LineDifference& line : lines_) {
    text += line.name + ": ";
    for (size_t i = 0; i < line.ranges.size(); ++i) {
      const auto [from, to] = line.ranges[i];
      text += (i > 0 ? "," : "") + std::to_string(from);
      if (to != from) text += "-" + std::to_string(to);
    }
    text += "\n";
  }
  return text;
}
