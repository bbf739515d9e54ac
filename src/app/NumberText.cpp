#include "app/NumberText.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

double LeadingNumber(std::string_view text) {
  std::string packed;
  for (const char c : text) {
    if (c != ' ' && c != '\t' && c != '\n') packed += c;
  }
  // Collect the longest prefix that forms a number, then let strtod read exactly that.
  std::string number;
  size_t i = 0;
  if (i < packed.size() && (packed[i] == '+' || packed[i] == '-')) number += packed[i++];
  size_t digits = 0;
  while (i < packed.size() && IsDigit(packed[i])) number += packed[i++], ++digits;
  if (i < packed.size() && packed[i] == '.') {
    number += packed[i++];
    while (i < packed.size() && IsDigit(packed[i])) number += packed[i++], ++digits;
  }
  if (digits == 0) return 0.0;
  if (i < packed.size() && std::strchr("EeDd", packed[i]) != nullptr) {
    std::string exponent = "e";
    size_t j = i + 1;
    if (j < packed.size() && (packed[j] == '+' || packed[j] == '-')) exponent += packed[j++];
    size_t expDigits = 0;
    while (j < packed.size() && IsDigit(packed[j])) exponent += packed[j++], ++expDigits;
    if (expDigits > 0) number += exponent;
  }
  return std::strtod(number.c_str(), nullptr);
}

int16_t ToInt16Nearest(double value) {
  if (std::isnan(value)) return 0;
  const double rounded = std::nearbyint(value);
  if (rounded <= -32768.0) return INT16_MIN;
  if (rounded >= 32767.0) return INT16_MAX;
  return static_cast<int16_t>(rounded);
}
