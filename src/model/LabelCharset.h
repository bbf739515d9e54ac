#pragma once
// The analyser's own character set for group labels: a label byte is an index into it.
#include <string>
#include <string_view>

inline constexpr std::string_view LabelCharset = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ .,/:^$";

// True when the one-character text occurs in LabelCharset; the empty text counts as found.
bool IsLabelChar(std::string_view c);
// Index of the character as decimal text, "-1" when absent, "0" for the empty text.
std::string Char2Idx(std::string_view c);
// The character at index i, or the empty text for an index outside the set.
std::string Idx2Char(int i);
