#include "memory/HexCodec.h"

#include <algorithm>
#include <array>

#include "link/Operator.h"

namespace {
constexpr char kDigits[] = "0123456789ABCDEF";

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Value of the field of `width` characters at p, read up to its first non-hex character; a
// field cut short by the end of the text is read as far as it goes.
int32_t fieldValue(std::string_view text, size_t p, size_t width) {
  int32_t value = 0;
  for (size_t i = p; i < std::min(text.size(), p + width); ++i) {
    const int d = hexDigit(text[i]);
    if (d < 0) break;
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
  std::string text;
  text.reserve((static_cast<size_t>(Total) / 48 + 1) * 110);
  int32_t i = 0;
  int32_t L = 52;
  while (true) {
    text += "#H";
    if (Total - i + 4 < L) L = Total - i + 4;
    text += HexPad(static_cast<uint32_t>(L), 2);
    const int32_t A = Base + Start + i;
    text += HexPad(static_cast<uint32_t>(A), 6);
    int32_t S = L + A / 65536 + (A / 256) % 256 + A % 256;
    for (int32_t k = 0; k < L - 4; ++k) {
      const uint8_t b = image[static_cast<size_t>(Start + i)];
      text += kDigits[b >> 4];
      text += kDigits[b & 15];
      S = (S + b) % 256;
      ++i;
      if (i == Total) break;
    }
    int32_t K = 256 - S % 256;
    if (K == 256) K = 0;
    text += HexPad(static_cast<uint32_t>(K), 2);
    if (i == Total) {
      text += ';';
      return text;
    }
    text += ',';
  }
}

int16_t Hex2Mem(std::string_view Text, std::span<uint8_t> image, int32_t Base, Operator* op) {
  ClearMem(image);
  int32_t stored = 0;
  int32_t frame = 0;
  bool firstAddressSeen = false;
  size_t p = 0;
  const size_t end = Text.size();
  while (p < end) {
    if (Text[p] != 'H') {
      ++p;
      continue;
    }
    const size_t h0 = p;
    ++p;
    if (p >= end) break;
    const int32_t count = fieldValue(Text, p, 2);
    int32_t S = count;
    ++frame;
    p += 2;
    if (p >= end) break;
    const int32_t A = fieldValue(Text, p, 6);
    if (!firstAddressSeen && A != Base) {
      ClearMem(image);
      return -1;
    }
    firstAddressSeen = true;
    S += fieldValue(Text, p, 2) + fieldValue(Text, p + 2, 2) + fieldValue(Text, p + 4, 2);
    p += 6;
    // A count below 5 carries no data byte: the frame goes straight to its checksum.
    bool cut = false;
    for (int32_t n = 0; n < count - 4; ++n) {
      if (p >= end) {
        cut = true;
        break;
      }
      const int64_t index = int64_t{A} - Base + n;
      if (index < 0 || index >= static_cast<int64_t>(image.size())) {
        // Nothing may land outside the image: the whole decode fails as a format error.
        ClearMem(image);
        return -1;
      }
      const auto b = static_cast<uint8_t>(fieldValue(Text, p, 2));
      image[static_cast<size_t>(index)] = b;
      S = (S + b) % 256;
      ++stored;
      p += 2;
    }
    if (cut || p >= end) break;
    int32_t E = 256 - S % 256;
    if (E == 256) E = 0;
    if (fieldValue(Text, p, 2) != E && op != nullptr) {
      op->message(checksumMessage(frame, Text.substr(p, 2), E, Text.substr(h0, 20)), "",
                  MsgIcon::None, MsgButtons::Ok);
    }
    p += 2;
  }
  return static_cast<int16_t>(std::min<int32_t>(stored, 32767));
}
