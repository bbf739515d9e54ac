#pragma once
// What a group's label box accepts: only characters of the analyser's label set, entered in
// upper case. Typed keys are filtered one by one; text that arrives otherwise (pasting) is
// checked whole and emptied when any character does not belong.
#include <optional>
#include <string>
#include <string_view>

class LabelRules {
 public:
  static constexpr int kMaxLength = 4;

  // The character to enter for a typed key: control codes (below 32) pass unchanged, other
  // characters in upper case when the set holds them; nullopt: discard the key and beep.
  static std::optional<char32_t> FilterKey(char32_t code);

  // The text in upper case when every character is in the set; nullopt: empty the box and
  // beep. The empty text is valid.
  static std::optional<std::string> CheckText(std::u32string_view text);
};
