#include "export/Capture.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "model/LineRules.h"
#include "model/SetupModel.h"

namespace {
// Code page 037, the EBCDIC of the analyser's era, for the characters ASCII also has; a dot
// for the rest.
char EbcdicChar(uint64_t value) {
  static constexpr char kPage037[] =
      "................"   // 00
      "................"   // 10
      "................"   // 20
      "................"   // 30
      " ...........<(+|"   // 40
      "&.........!$*);."   // 50
      "-/.........,%_>?"   // 60
      ".........`:#@'=\""  // 70
      ".abcdefghi......"   // 80
      ".jklmnopqr......"   // 90
      ".~stuvwxyz......"   // A0
      "^.........[]...."   // B0
      "{ABCDEFGHI......"   // C0
      "}JKLMNOPQR......"   // D0
      "\\.STUVWXYZ......"  // E0
      "0123456789......";  // F0
  return value < 256 ? kPage037[value] : '.';
}

std::string Digits(uint64_t value, unsigned bitsPerDigit, size_t width) {
  const size_t count = (width + bitsPerDigit - 1) / bitsPerDigit;
  std::string text(count, '0');
  for (size_t i = count; i-- > 0;) {
    text[i] = "0123456789ABCDEF"[value & ((1u << bitsPerDigit) - 1)];
    value >>= bitsPerDigit;
  }
  return text;
}
}  // namespace

Capture::Capture(std::span<const uint8_t, kAcqImageSize> acq, std::string source)
    : acq_(acq), source_(std::move(source)) {
  lastSample_ = LineRules::LastSample(acq_);
  period_ = acq_.SamplePeriod();
  triggered_ = acq_.Triggered();
}

void Capture::AddChannel(const std::string& name, int16_t code) {
  if (!LineRules::HasChannel(code)) return;
  channels_.push_back({name, LineRules::Pod(code), LineRules::Channel(code)});
}

void Capture::AddAllPods() {
  for (int16_t pod = 0; pod < 8; ++pod) {
    if (acq_.PodAbsent(pod)) continue;
    for (int16_t c = 0; c < 9; ++c) {
      const auto code = static_cast<int16_t>(pod * 10 + c);
      AddChannel(LineRules::PodName(code), code);
    }
  }
}

void Capture::AddMatchedLines(const SetupModel& setup) {
  const LineRules::Lines lines = LineRules::MatchedLines(setup);
  const int32_t last = LineRules::LastLine(acq_);
  for (int32_t i = 0; i <= last; ++i) {
    const LineRules::Line& line = lines[static_cast<size_t>(i)];
    AddChannel(line.labelName, line.code);
  }
}

void Capture::AddGroups(const SetupModel& setup) {
  for (int16_t g = 0; g < SetupModel::kGroups; ++g) {
    const int16_t radix = setup.GetDisplayRadix(g);
    const int16_t width = setup.GetWidth(g);
    if (!LineRules::GroupInUse(setup, g) || radix == kOff || width < 1) continue;
    Group group{setup.GetLabel(g), radix, {}, setup.GetColumn(g)};
    for (int16_t b = 0; b < width; ++b) group.codes.push_back(LineRules::ChannelOf(setup, g, b));
    groups_.push_back(std::move(group));
  }
}

void Capture::KeepLines(const std::vector<size_t>& positions) {
  std::vector<Channel> kept;
  for (const size_t p : positions) {
    if (p < channels_.size()) kept.push_back(channels_[p]);
  }
  channels_ = std::move(kept);
}

void Capture::AddPairedChannels() {
  std::vector<Channel> with;
  for (const Channel& channel : channels_) {
    with.push_back(channel);
    if (channel.kind == kLine && acq_.PodTwoBit(channel.pod)) {
      with.push_back({channel.name, channel.pod, channel.channel, kPaired});
    }
  }
  channels_ = std::move(with);
}

bool Capture::AddTriggerChannel() {
  if (!triggerSample_) return false;
  channels_.push_back({"TRIG", 0, 0, kTrigger});
  return true;
}

std::vector<std::string> Capture::LimitChannels(size_t count) {
  std::vector<std::string> dropped;
  for (size_t i = channels_.size(); i-- > 0 && channels_.size() > count;) {
    if (channels_[i].kind != kLine) continue;
    dropped.insert(dropped.begin(), channels_[i].name);
    const size_t end = i + 1 < channels_.size() && channels_[i + 1].kind == kPaired ? i + 2 : i + 1;
    channels_.erase(channels_.begin() + static_cast<std::ptrdiff_t>(i),
                    channels_.begin() + static_cast<std::ptrdiff_t>(end));
  }
  return dropped;
}

size_t Capture::lineCount() const {
  return static_cast<size_t>(std::count_if(channels_.begin(), channels_.end(),
                                           [](const Channel& c) { return c.kind == kLine; }));
}

bool Capture::HoldsSamples() const {
  return std::any_of(channels_.begin(), channels_.end(), [&](const Channel& c) {
    return c.kind == kLine && !acq_.PodAbsent(c.pod) && lastSample_ >= 0;
  });
}

std::vector<std::string> Capture::ReaderNames(const std::vector<std::string>& names) {
  std::vector<std::string> out;
  std::set<std::string> used;
  for (const std::string& name : names) {
    std::string word = name.empty() ? "_" : name;
    for (char& c : word) {
      if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '.') c = '_';
    }
    std::string unique = word;
    for (int n = 2; used.count(unique) != 0; ++n) unique = word + "_" + std::to_string(n);
    used.insert(unique);
    out.push_back(std::move(unique));
  }
  return out;
}

std::vector<std::string> Capture::ReaderNames(bool groups) const {
  std::vector<std::string> names;
  for (const Channel& c : channels_) names.push_back(c.kind == kPaired ? c.name + "_p" : c.name);
  if (groups) {
    for (const Group& group : groups_) names.push_back(group.name);
  }
  return ReaderNames(names);
}

void Capture::SetTrigger(const SetupModel& setup) {
  triggerSample_ = triggered_ ? std::optional<int32_t>(setup.TrigPosition()) : std::nullopt;
}

int Capture::Level(const Channel& channel, int32_t s) const {
  if (channel.kind == kTrigger) return triggerSample_ && s >= *triggerSample_ ? 1 : 0;
  const auto bits = acq_.SampleAt(channel.pod, channel.channel, s);
  if (!bits) return -1;
  return (channel.kind == kPaired ? bits->pairedBit() : bits->high()) ? 1 : 0;
}

std::optional<uint64_t> Capture::GroupValue(const Group& group, int32_t s) const {
  uint64_t value = 0;
  for (size_t b = 0; b < group.codes.size() && b < 64; ++b) {
    const int16_t code = group.codes[b];
    if (!LineRules::HasChannel(code)) return std::nullopt;
    const auto level = acq_.Level(LineRules::Pod(code), LineRules::Channel(code), s);
    if (!level) return std::nullopt;
    if (*level) value |= uint64_t{1} << b;
  }
  return value;
}

std::string Capture::GroupText(const Group& group, uint64_t value) {
  const size_t width = group.codes.size();
  switch (group.radix) {
    case kOct:
      return Digits(value, 3, width);
    case kBin:
      return Digits(value, 1, width);
    case kAsc:
      return std::string(1, value >= 0x20 && value < 0x7F ? static_cast<char>(value) : '.');
    case kEbc:
      return std::string(1, EbcdicChar(value));
    default:  // HEX, and ROM, which a table cannot show
      return Digits(value, 4, width);
  }
}
