#include "display/GroupReadout.h"

void GroupReadout::Build(const SetupModel& setup, std::span<const uint8_t, kAcqImageSize> acq) {
  capture_.emplace(acq, "the Data window");
  capture_->AddGroups(setup);
}

std::string GroupReadout::Text(int32_t sample) const {
  if (!capture_) return {};
  std::string text;
  for (const Capture::Group& group : capture_->groups()) {
    const auto value = capture_->GroupValue(group, sample);
    if (!text.empty()) text += ' ';
    text += group.name + '=' + (value ? Capture::GroupText(group, *value) : std::string("-"));
  }
  return text;
}
