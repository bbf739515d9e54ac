#pragma once
// Everything the configuration editor knows, without a window: the two sections with their
// channel pools and group tables, the selection and automatic advance of each section, the
// count of placed channels, the settings shown in the ten group rows, the loading from the
// setup image and the writing back into it. The window only mirrors this state.
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "editor/ChannelPool.h"
#include "model/ImageSizes.h"
#include "model/SetupModel.h"

class EditorModel {
 public:
  static constexpr int16_t kSections = 2;
  static constexpr int16_t kRows = 5;          // groups per section
  static constexpr int16_t kSlots = 36;        // labels a strip can hold
  static constexpr int16_t kMaxChannels = 33;  // the most the width field can store
  static constexpr int16_t kGroups = kSections * kRows;

  // Section colours (0x00BBGGRR) of the channel labels and of the label boxes.
  static constexpr std::array<uint32_t, kSections> kSectionColour{0x00C0FFFF, 0x00C0FFC0};
  static constexpr std::array<uint32_t, kSections> kLabelBoxColour{0x0080FFFF, 0x00C0FFC0};

  // Strip geometry in twips within the section frame.
  static constexpr int16_t kStripLeft = 2670;
  static constexpr int16_t kStripWidth = 8640;
  static constexpr int16_t kStripHeight = 220;
  static constexpr int16_t kFirstRowTop = 480;
  static constexpr int16_t kRowStep = 240;
  static int16_t StripTop(int16_t k) { return static_cast<int16_t>(kFirstRowTop + kRowStep * k); }

  // Mouse buttons as the click handlers receive them.
  enum Button : int { kLeft = 1, kRight = 2, kMiddle = 4 };

  struct GroupSettings {
    std::string label;  // at most four characters of the label set
    int16_t base = 0;   // item indices of the three one-line lists
    int16_t input = 0;
    int16_t display = 0;
  };

  using Row = std::array<int16_t, kSlots>;
  struct Section {
    ChannelPool pool;
    std::array<Row, kRows> table{};  // pool indices, packed at the front, -1 = empty
    int16_t sel = -1;                // selected pool label
  };

  EditorModel(std::span<uint8_t, kSetupImageSize> setup, std::function<void()> beep);

  // Reloads everything from the setup image except the last added labels, which keep their
  // values for the life of the object.
  void Load(int16_t nNm09, int16_t nNm18);

  // A click on strip k of section s: appends the selected label, or with nothing selected the
  // next free label after the last added one. Returns the label placed, or -1.
  int16_t AddToGroup(int16_t s, int16_t k);
  // A click on label idx of section s, released with the button (kLeft, kRight, kMiddle).
  void SigClick(int16_t s, int16_t idx, int button);
  void TogglePolarity(int16_t s, int16_t idx);
  void ShowPolarity(int16_t s, int16_t idx);

  // Writes the group settings and the channel map into the setup image.
  void Edit2Mem();

  static int16_t SectionOf(int16_t g) { return g < kRows ? int16_t{0} : int16_t{1}; }
  static int16_t RowOf(int16_t g) { return static_cast<int16_t>(g - kRows * SectionOf(g)); }

  const Section& section(int16_t s) const { return sections_.at(static_cast<size_t>(s)); }
  GroupSettings& group(int16_t g) { return groups_.at(static_cast<size_t>(g)); }
  const GroupSettings& group(int16_t g) const { return groups_.at(static_cast<size_t>(g)); }
  int16_t last(int16_t s) const { return last_.at(static_cast<size_t>(s)); }
  int16_t Assigned() const { return assigned_; }
  bool SaveEnabled() const { return assigned_ >= 1; }
  bool SectionEnabled(int16_t s) const { return section(s).pool.count() > 0; }
  int16_t RowLength(int16_t s, int16_t k) const;

 private:
  Section& sec(int16_t s) { return sections_.at(static_cast<size_t>(s)); }
  int16_t AddToGroup(int16_t s, int16_t& sel, int16_t& last, int16_t k);
  void Remove(int16_t s, int16_t idx);

  SetupModel setup_;
  std::function<void()> beep_;
  std::array<Section, kSections> sections_;
  std::array<GroupSettings, kGroups> groups_;
  std::array<int16_t, kSections> last_{0, 0};  // LastA, LastB
  int16_t assigned_ = 0;
};
