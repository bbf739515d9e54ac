#include "memory/HexCodec.h"

#include <algorithm>
#include <array>
#include <cstring>

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

// Decodes `pairs` complete two-character fields from src into dst and returns the sum of the
// bytes. The common case, two hex digits, costs two table reads; a pair with a non-hex
// character falls back to the read-up-to-the-first-non-digit rule.
uint32_t decodePairs(const char* src, uint8_t* dst, size_t pairs) {
  uint32_t sum = 0;
  for (size_t n = 0; n < pairs; ++n) {
    const uint8_t hi = digitOf(src[2 * n]);
    const uint8_t lo = digitOf(src[2 * n + 1]);
    uint8_t b;
    if (((hi | lo) & kNotHex) == 0) [[likely]] {
      b = static_cast<uint8_t>(hi << 4 | lo);
    } else {
      b = hi == kNotHex ? 0 : hi;  // "7," reads 7; ",7" reads 0
    }
    dst[n] = b;
    sum += b;
  }
  return sum;
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
  auto fail = [&] {
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
  while (p < end) {
    const void* marker = std::memchr(text + p, 'H', end - p);
    if (marker == nullptr) break;
    const auto h0 = static_cast<size_t>(static_cast<const char*>(marker) - text);
    p = h0 + 1;
    if (p >= end) break;
    const int32_t count = fieldValue(Text, p, 2);
    uint32_t S = static_cast<uint32_t>(count);
    ++frame;
    p += 2;
    if (p >= end) break;
    const int32_t A = fieldValue(Text, p, 6);
    if (!firstAddressSeen && A != Base) return fail();
    firstAddressSeen = true;
    S += static_cast<uint32_t>(fieldValue(Text, p, 2) + fieldValue(Text, p + 2, 2) +
                               fieldValue(Text, p + 4, 2));
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
    if (fieldValue(Text, p, 2) != E && op != nullptr) {
      op->message(checksumMessage(frame, Text.substr(p, 2), E, Text.substr(h0, 20)), "",
                  MsgIcon::None, MsgButtons::Ok);
    }
    p += 2;
  }
  // Frames may overwrite one another, so the count of stored bytes can exceed the image;
  // the length must still describe bytes inside it.
  return static_cast<int16_t>(std::min<int64_t>(stored, static_cast<int64_t>(image.size())));
}
