#include "model/LabelCharset.h"

bool IsLabelChar(std::string_view c) { return LabelCharset.find(c) != std::string_view::npos; }

std::string Char2Idx(std::string_view c) {
  if (c.empty()) return "0";
  const auto p = LabelCharset.find(c);
  return p == std::string_view::npos ? "-1" : std::to_string(p);
}

std::string Idx2Char(int i) {
  if (i < 0 || i >= static_cast<int>(LabelCharset.size())) return {};
  return std::string(1, LabelCharset[static_cast<size_t>(i)]);
}
