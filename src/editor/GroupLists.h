#pragma once
// The items of a group's three one-line lists. The value of a list is the index of the item
// in its visible line.
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

class GroupLists {
 public:
  enum Kind { kBase = 0, kInput = 1, kDisplay = 2 };
  static constexpr int kKinds = 3;

  static std::span<const std::string_view> Items(int kind);
  static int16_t Count(int kind) { return static_cast<int16_t>(Items(kind).size()); }
  // The item to show for a stored value: a value past the last item shows the last item, so
  // a damaged record still shows (and saves) a legal setting.
  static int16_t ShownItem(int kind, int16_t stored);
};
