#include "editor/LabelRules.h"

#include "model/LabelCharset.h"

namespace {
// Only ASCII letters have upper-case forms in the set; anything beyond ASCII is refused.
std::optional<char> Upper(char32_t c) {
  if (c >= U'a' && c <= U'z') c = c - U'a' + U'A';
  if (c < 32 || c > 126) return std::nullopt;
  const char ch = static_cast<char>(c);
  if (!IsLabelChar(std::string_view(&ch, 1))) return std::nullopt;
  return ch;
}
}  // namespace

std::optional<char32_t> LabelRules::FilterKey(char32_t code) {
  if (code < 32) return code;
  if (const auto c = Upper(code)) return static_cast<char32_t>(*c);
  return std::nullopt;
}

std::optional<std::string> LabelRules::CheckText(std::u32string_view text) {
  std::string out;
  for (const char32_t c : text) {
    const auto u = Upper(c);
    if (!u) return std::nullopt;
    out += *u;
  }
  return out;
}
