#pragma once
// The numeric value of a text box: its leading number, as the settings dialog reads it.
#include <cstdint>
#include <string_view>

// The number at the start of text: blanks, tabs and line feeds anywhere are skipped, then an
// optional sign, digits, an optional decimal point with digits and an optional exponent
// (E or D). Text without a leading number gives 0; "12abc" gives 12.
double LeadingNumber(std::string_view text);

// The nearest 16-bit integer, halves to even; values beyond the range give its nearest end.
int16_t ToInt16Nearest(double value);
