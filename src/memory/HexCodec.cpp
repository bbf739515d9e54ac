#include "memory/HexCodec.h"

#include <algorithm>
#include <array>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "link/Operator.h"

namespace {
constexpr char kDigits[] = "0123456789ABCDEF";
constexpr uint8_t kNotHex = 16;

// Digit value of every character, kNotHex for anything that is not a hex digit (either case).
constexpr std::array<uint8_t, 256> kHexValue = [] {
  std::array<uint8_t, 256> table{};
  for (auto& v : table) v = kNotHex;
  for (int c = 0; c < 10; ++c) table[static_cast<size_t>('0' + c)] = static_cast<uint8_t>(c);
  for (int c = 0; c < 6; ++c) {
    table[static_cast<size_t>('A' + c)] = static_cast<uint8_t>(10 + c);
    table[static_cast<size_t>('a' + c)] = static_cast<uint8_t>(10 + c);
  }
  return table;
}();

inline uint8_t digitOf(char c) { return kHexValue[static_cast<unsigned char>(c)]; }

// Value of the field of `width` characters at p, read up to its first non-hex character; a
// field cut short by the end of the text is read as far as it goes.
int32_t fieldValue(std::string_view text, size_t p, size_t width) {
  int32_t value = 0;
  for (size_t i = p; i < std::min(text.size(), p + width); ++i) {
    const uint8_t d = digitOf(text[i]);
    if (d == kNotHex) break;
    value = value * 16 + d;
  }
  return value;
}

std::string checksumMessage(int32_t frame, std::string_view actual, int32_t needed,
                            std::string_view start) {
  std::string text = "Checksum Error on Frame:" + std::to_string(frame);
  text += "\r\nActual: ";
  text += actual;
  text += "\r\nNeeded: ";
  text += HexPad(static_cast<uint32_t>(needed), 1);
  text += "\r\nStart:  ";
  text += start;
  return text;
}

// Value of the two characters at src, both present, by the read-up-to-the-first-non-digit
// rule; `valid` tells whether both were hex digits.
inline uint32_t pairValue(const char* src, bool& valid) {
  const uint8_t hi = digitOf(src[0]);
  const uint8_t lo = digitOf(src[1]);
  valid = ((hi | lo) & kNotHex) == 0;
  if (valid) [[likely]] {
    return static_cast<uint32_t>(hi << 4 | lo);
  }
  return hi == kNotHex ? 0u : hi;  // "7," reads 7; ",7" reads 0
}

uint32_t decodePairsScalar(const char* src, uint8_t* dst, size_t pairs) {
  uint32_t sum = 0;
  bool valid = true;
  for (size_t n = 0; n < pairs; ++n) {
    const auto b = static_cast<uint8_t>(pairValue(src + 2 * n, valid));
    dst[n] = b;
    sum += b;
  }
  return sum;
}

// Decodes `pairs` complete two-character fields from src into dst and returns the sum of the
// bytes. Sixteen characters at a time while they are all hex digits; the rest, and any
// stretch with another character in it, one pair at a time.
uint32_t decodePairs(const char* src, uint8_t* dst, size_t pairs) {
  uint32_t sum = 0;
  size_t n = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i lowByte = _mm_set1_epi16(0x00FF);
  for (; n + 8 <= pairs; n += 8) {
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 2 * n));
    // '0'..'9' and, folded to lower case, 'a'..'f' (no other character folds into them).
    const __m128i isDigit = _mm_and_si128(_mm_cmpgt_epi8(c, _mm_set1_epi8('0' - 1)),
                                          _mm_cmplt_epi8(c, _mm_set1_epi8('9' + 1)));
    const __m128i folded = _mm_or_si128(c, _mm_set1_epi8(0x20));
    const __m128i isLetter = _mm_and_si128(_mm_cmpgt_epi8(folded, _mm_set1_epi8('a' - 1)),
                                           _mm_cmplt_epi8(folded, _mm_set1_epi8('f' + 1)));
    if (_mm_movemask_epi8(_mm_or_si128(isDigit, isLetter)) != 0xFFFF) break;
    const __m128i digits = _mm_and_si128(isDigit, _mm_sub_epi8(c, _mm_set1_epi8('0')));
    const __m128i letters =
        _mm_andnot_si128(isDigit, _mm_sub_epi8(folded, _mm_set1_epi8('a' - 10)));
    const __m128i v = _mm_or_si128(digits, letters);
    // Each 16-bit lane holds the high digit in its low byte and the low digit above it.
    const __m128i joined = _mm_or_si128(_mm_slli_epi16(v, 4), _mm_srli_epi16(v, 8));
    const __m128i bytes = _mm_packus_epi16(_mm_and_si128(joined, lowByte), zero);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + n), bytes);
    sum += static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_sad_epu8(bytes, zero)));
  }
#endif
  return sum + decodePairsScalar(src + 2 * n, dst + n, pairs - n);
}
}  // namespace

std::string HexPad(uint32_t value, int width) {
  std::string digits;
  do {
    digits.insert(digits.begin(), kDigits[value % 16]);
    value /= 16;
  } while (value != 0);
  if (static_cast<int>(digits.size()) < width) {
    digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
  }
  return digits;
}

void ClearMem(std::span<uint8_t> image) {
  if (!image.empty()) std::fill(image.begin(), image.end() - 1, uint8_t{0});
}

std::string Mem2Hex(std::span<const uint8_t> image, int32_t Base, int16_t Start, int16_t Total) {
  if (Total < 1 || Start < 0 || size_t(Start) + size_t(Total) > image.size()) return {};
  // The frame addresses have six digits; an address beyond them could not be read back.
  if (Base < 0 || int64_t{Base} + Start + Total - 1 > 0xFFFFFF) return {};
  const auto total = static_cast<size_t>(Total);
  const size_t frames = (total + 47) / 48;
  // "#H", count, address, checksum, terminator around two digits per byte.
  std::string text(frames * 13 + 2 * total, '\0');
  char* out = text.data();
  auto put2 = [&out](uint32_t v) {
    *out++ = kDigits[(v >> 4) & 15];
    *out++ = kDigits[v & 15];
  };
  const uint8_t* src = image.data() + Start;
  size_t i = 0;
  while (i < total) {
    const size_t n = std::min<size_t>(48, total - i);
    const auto L = static_cast<uint32_t>(n + 4);
    const auto A = static_cast<uint32_t>(Base + Start) + static_cast<uint32_t>(i);
    *out++ = '#';
    *out++ = 'H';
    put2(L);
    put2(A >> 16);
    put2(A >> 8);
    put2(A);
    uint32_t S = L + (A >> 16) + ((A >> 8) & 255) + (A & 255);
    for (size_t k = 0; k < n; ++k) {
      put2(src[i + k]);
      S += src[i + k];
    }
    i += n;
    put2((256 - S % 256) % 256);
    *out++ = i == total ? ';' : ',';
  }
  return text;
}

int16_t Hex2Mem(std::string_view Text, std::span<uint8_t> image, int32_t Base, Operator* op) {
  // ClearMem spares the last element, so a failed decode must put back what it held.
  const uint8_t lastBefore = image.empty() ? 0 : image.back();
  ClearMem(image);
  const int reportLimit = op != nullptr ? std::max(0, op->checksumReportLimit()) : 0;
  int32_t badFrames = 0;
  // The bad frames beyond the limit are counted in one last message, whether or not the
  // decode succeeds.
  auto reportUnshown = [&] {
    if (reportLimit == 0 || badFrames <= reportLimit) return;
    const int32_t more = badFrames - reportLimit;
    op->message(std::to_string(more) + (more == 1 ? " more frame had a checksum error"
                                                  : " more frames had checksum errors"),
                "", MsgIcon::None, MsgButtons::Ok);
  };
  auto fail = [&] {
    reportUnshown();
    ClearMem(image);
    if (!image.empty()) image.back() = lastBefore;
    return int16_t{-1};
  };
  const char* const text = Text.data();
  const size_t end = Text.size();
  int64_t stored = 0;
  int32_t frame = 0;
  bool firstAddressSeen = false;
  size_t p = 0;
  // A two-character field at q, possibly cut short by the end of the text.
  auto field2 = [&](size_t q) {
    bool valid = true;
    return q + 2 <= end ? static_cast<int32_t>(pairValue(text + q, valid)) : fieldValue(Text, q, 2);
  };
  while (p < end) {
    // The "H" is normally two characters on, after the terminator and the "#".
    size_t h0 = p;
    while (h0 < end && h0 < p + 3 && text[h0] != 'H') ++h0;
    if (h0 >= end || text[h0] != 'H') {
      const void* marker = std::memchr(text + h0, 'H', end - h0);
      if (marker == nullptr) break;
      h0 = static_cast<size_t>(static_cast<const char*>(marker) - text);
    }
    p = h0 + 1;
    if (p >= end) break;
    const int32_t count = field2(p);
    uint32_t S = static_cast<uint32_t>(count);
    ++frame;
    p += 2;
    if (p >= end) break;
    int32_t A = 0;
    bool v0 = false, v1 = false, v2 = false;
    if (p + 6 <= end) {
      const uint32_t a0 = pairValue(text + p, v0), a1 = pairValue(text + p + 2, v1),
                     a2 = pairValue(text + p + 4, v2);
      A = static_cast<int32_t>(a0 << 16 | a1 << 8 | a2);
      S += a0 + a1 + a2;
    }
    if (!(v0 && v1 && v2)) {  // a field with another character in it, or cut short
      A = fieldValue(Text, p, 6);
      S = static_cast<uint32_t>(count + field2(p) + field2(p + 2) + field2(p + 4));
    }
    if (!firstAddressSeen && A != Base) return fail();
    firstAddressSeen = true;
    p += 6;
    if (p >= end) break;

    // A count below 5 carries no data byte: the frame goes straight to its checksum.
    const auto wanted = static_cast<size_t>(std::max(0, count - 4));
    const size_t left = end - p;
    const size_t present = std::min(wanted, (left + 1) / 2);  // a lone last digit is a byte
    const int64_t index = int64_t{A} - Base;
    if (present > 0 &&
        (index < 0 || index + static_cast<int64_t>(present) > static_cast<int64_t>(image.size()))) {
      // Nothing may land outside the image: the whole decode fails as a format error.
      return fail();
    }
    const size_t pairs = std::min(present, left / 2);
    if (present > 0) {
      uint8_t* dst = image.data() + index;
      S += decodePairs(text + p, dst, pairs);
      p += 2 * pairs;
      if (pairs < present) {  // the text ends inside this byte
        dst[pairs] = static_cast<uint8_t>(fieldValue(Text, p, 1));
        S += dst[pairs];
        ++p;
      }
    }
    stored += static_cast<int64_t>(present);
    if (present < wanted || p >= end) break;  // cut off: its checksum is never compared

    const auto E = static_cast<int32_t>((256 - S % 256) % 256);
    if (field2(p) != E && op != nullptr && (reportLimit == 0 || ++badFrames <= reportLimit)) {
      op->message(checksumMessage(frame, Text.substr(p, 2), E, Text.substr(h0, 20)), "",
                  MsgIcon::None, MsgButtons::Ok);
    }
    p += 2;
  }
  reportUnshown();
  // Frames may overwrite one another, so the count of stored bytes can exceed the image;
  // the length must still describe bytes inside it.
  return static_cast<int16_t>(std::min<int64_t>(stored, static_cast<int64_t>(image.size())));
}
