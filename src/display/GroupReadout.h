#pragma once
// The value of every group in use at the cursor, each in its display radix, written as the
// exports write it: the window shows the same digits a CSV of the capture holds.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "export/Capture.h"
#include "model/ImageSizes.h"

class SetupModel;

class GroupReadout {
 public:
  // The groups of `setup` over the capture; the image must outlive the readout.
  void Build(const SetupModel& setup, std::span<const uint8_t, kAcqImageSize> acq);
  void Clear() { capture_.reset(); }
  // "GRPA=3F CTL1=1 ...", a group whose channels do not all have a sample there as "-";
  // empty without groups.
  std::string Text(int32_t sample) const;

 private:
  std::optional<Capture> capture_;
};
