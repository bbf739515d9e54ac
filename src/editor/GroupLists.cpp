#include "editor/GroupLists.h"

namespace {
constexpr std::array<std::string_view, 3> kBaseItems{"T1", "T2", "   "};
constexpr std::array<std::string_view, 3> kInputItems{"HEX", "OCT", "BIN"};
constexpr std::array<std::string_view, 7> kDisplayItems{"HEX", "OCT", "BIN", "OFF",
                                                        "ASC", "EBC", "ROM"};
}  // namespace

std::span<const std::string_view> GroupLists::Items(int kind) {
  switch (kind) {
    case kBase:
      return kBaseItems;
    case kInput:
      return kInputItems;
    default:
      return kDisplayItems;
  }
}

int16_t GroupLists::ShownItem(int kind, int16_t stored) {
  const int16_t last = static_cast<int16_t>(Count(kind) - 1);
  if (stored < 0) return 0;
  return stored > last ? last : stored;
}
