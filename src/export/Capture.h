#pragma once
// What an export writes, read from one acquisition image: the channels in the order and
// under the names chosen for them, the groups whose values go with them, the time axis and
// the clock. Every writer of this folder takes a Capture, so the formats cannot disagree on
// a single sample. Any image will do: a crafted header only gives strange levels.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/AcqModel.h"
#include "model/ImageSizes.h"

class SetupModel;

class Capture {
 public:
  // A line reads its channel; its paired channel reads the earlier bit of each pair of a
  // two-bit pod, which the Data window draws in red; the trigger channel is low before the
  // trigger sample and high from it on, so readers without a trigger marker still show it.
  enum Kind : int16_t { kLine, kPaired, kTrigger };
  struct Channel {
    std::string name;  // as the display shows it; a paired channel has its line's name
    int16_t pod = 0;
    int16_t channel = 0;
    Kind kind = kLine;
  };
  // PulseView 0.4 aborts on a session of more channels than this; sigrok-cli reads them.
  static constexpr size_t kSigrokChannels = 64;
  // Display radixes of a group record.
  enum Radix : int16_t { kHex = 0, kOct = 1, kBin = 2, kOff = 3, kAsc = 4, kEbc = 5, kRom = 6 };
  struct Group {
    std::string name;
    int16_t radix = kHex;
    std::vector<int16_t> codes;  // channel code of bit 0, bit 1, ...; LineRules::kNoChannel
    int16_t column = 0;          // where the analyser's state listing puts the group
  };

  // The image must outlive the capture. The time axis is the display's: 0 to LastSample.
  Capture(std::span<const uint8_t, kAcqImageSize> acq, std::string source);

  // Every channel of each present pod, ascending pod then channel, named PodP.C.
  void AddAllPods();
  // The lines the display shows when its view is Matched, under their label names, and
  // one group per group in use; lines with no channel are left out.
  void AddMatchedLines(const SetupModel& setup);
  void AddGroups(const SetupModel& setup);
  // One group by hand: the pod columns of a listing without a setup, say.
  void AddGroup(Group group) { groups_.push_back(std::move(group)); }
  // One channel by its code; a code naming no channel is ignored.
  void AddChannel(const std::string& name, int16_t code);
  // Keeps the lines at these 0-based positions, in the order given; call before the rest.
  void KeepLines(const std::vector<size_t>& positions);
  // After each line of a two-bit pod, its paired channel.
  void AddPairedChannels();
  // "TRIG" after the rest, when the trigger sample is known; false when it is not.
  bool AddTriggerChannel();
  // Drops the last lines (with their paired channels) until at most `count` channels are
  // left and returns the names dropped.
  std::vector<std::string> LimitChannels(size_t count);
  size_t lineCount() const;
  // Whether any line lies on a pod that recorded samples: without one there is nothing to
  // export, and sigrok refuses a session without channels.
  bool HoldsSamples() const;
  // Names for readers whose channel syntax takes no punctuation (sigrok's "-P dec:ch=NAME",
  // VCD references): every character but letters, digits, '_' and '.' becomes '_', an empty
  // name "_", and a name repeating an earlier one gets "_2", "_3", ...
  static std::vector<std::string> ReaderNames(const std::vector<std::string>& names);
  // The channels' names so, a paired channel with "_p" appended, then with `groups` the
  // groups' (a dump's buses).
  std::vector<std::string> ReaderNames(bool groups = false) const;

  // The trigger sample is the setup's trigger position, when the acquisition triggered.
  void SetTrigger(const SetupModel& setup);
  void SetTrigger(std::optional<int32_t> sample) { triggerSample_ = sample; }

  const std::vector<Channel>& channels() const { return channels_; }
  const std::vector<Group>& groups() const { return groups_; }
  int32_t lastSample() const { return lastSample_; }
  int32_t period() const { return period_; }  // ns; 0 for the synchronous clock
  bool triggered() const { return triggered_; }
  // Nothing when the acquisition did not trigger or the setup was not given.
  std::optional<int32_t> triggerSample() const { return triggerSample_; }
  const std::string& source() const { return source_; }

  // The channel's level at s: 1 or 0, or -1 where its pod has no such sample.
  int Level(const Channel& channel, int32_t s) const;
  // The group's value at s (bit b from the channel of bit b), or nothing when any of its
  // channels has no level there.
  std::optional<uint64_t> GroupValue(const Group& group, int32_t s) const;
  // The value in the group's display radix: HEX (and ROM), OCT or BIN with as many digits as
  // the width needs, ASC or EBC as the character or "." where it is not printable.
  static std::string GroupText(const Group& group, uint64_t value);

 private:
  AcqModel acq_;
  std::string source_;
  std::vector<Channel> channels_;
  std::vector<Group> groups_;
  int32_t lastSample_ = -1;
  int32_t period_ = 0;
  bool triggered_ = false;
  std::optional<int32_t> triggerSample_;
};
