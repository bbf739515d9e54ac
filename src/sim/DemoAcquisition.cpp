#include "sim/DemoAcquisition.h"

#include <algorithm>
#include <string_view>

#include "model/AcqLayout.h"

using namespace AcqLayout;

namespace {

// Serial line: 8 data bits, no parity, one stop bit, then a bit of idle; 4 samples a bit.
constexpr int32_t kSamplesPerBit = 4;
constexpr int32_t kBitsPerCharacter = 11;
constexpr std::string_view kMessages[2] = {"TEK 124X DEMO ", "LOGIREM REF "};

void putWord(std::span<uint8_t, kAcqImageSize> m, int32_t at, int32_t value) {
  m[static_cast<size_t>(at)] = static_cast<uint8_t>(value & 0xFF);
  m[static_cast<size_t>(at + 1)] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

int32_t floorDiv(int32_t a, int32_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// The level of the serial line at sample s (relative to the trigger), and the character
// and its bit position at that moment.
struct SerialState {
  bool line = true;
  bool stopBit = false;
  int character = -1;  // index of the last completed character, -1 before the first
};

SerialState serialAt(int32_t s, int variant) {
  SerialState st;
  if (s < 0) return st;
  const std::string_view message = kMessages[variant & 1];
  const int32_t bit = s / kSamplesPerBit;
  const int32_t index = bit / kBitsPerCharacter;
  const int32_t within = bit % kBitsPerCharacter;
  const auto c = static_cast<uint8_t>(message[static_cast<size_t>(index) % message.size()]);
  st.character = index - 1;
  if (within == 0) {
    st.line = false;  // start bit
  } else if (within <= 8) {
    st.line = ((c >> (within - 1)) & 1) != 0;
  } else {
    st.line = true;
    st.stopBit = within == 9;
    if (within == 9) st.character = index;
  }
  return st;
}

uint8_t serialCharacter(int index, int variant) {
  if (index < 0) return 0;
  const std::string_view message = kMessages[variant & 1];
  return static_cast<uint8_t>(message[static_cast<size_t>(index) % message.size()]);
}

// Level of channel c of the kind-th present pod at half-sample t (2 * sample, or one less
// for the earlier sample of a double-rate pair), relative to the trigger sample.
bool level(int kind, int c, int32_t t, int variant) {
  const int32_t s = floorDiv(t, 2);
  switch (kind % 4) {
    case 0: {  // an 8-bit counter that passes 0 at the trigger, and its clock
      const int32_t n = s + 3 * variant;
      if (c == 8) return (t & 2) == 0;
      return ((n >> c) & 1) != 0;
    }
    case 1: {  // an address count stepping every 8 samples, with its strobe
      const int32_t step = floorDiv(s, 8);
      if (c == 8) return s - step * 8 < 2;
      return (((step + 0x40 + variant) >> c) & 1) != 0;
    }
    case 2: {  // a serial line, its byte strobe and the last byte received
      const SerialState st = serialAt(s, variant);
      if (c == 0) return st.line;
      if (c == 8) return st.stopBit;
      if (c == 1) return s >= 0;  // transmitter enabled from the trigger on
      return ((serialCharacter(st.character, variant) >> (c - 2)) & 1) != 0;
    }
    default: {  // a request/acknowledge handshake and a slow status word
      const int32_t phase = ((s % 48) + 48) % 48;
      if (c == 0) return phase < 20;                // request
      if (c == 1) return phase >= 4 && phase < 24;  // acknowledge, 4 samples later
      if (c == 8) return s >= 0;                    // armed at the trigger
      return (((floorDiv(s, 48) + variant) >> (c - 2)) & 1) != 0;
    }
  }
}

void setBit(std::span<uint8_t, kAcqImageSize> m, int32_t at, int32_t bit, bool on) {
  if (on)
    m[static_cast<size_t>(at)] = static_cast<uint8_t>(m[static_cast<size_t>(at)] | (1 << bit));
}
}  // namespace

int32_t DemoAcquisition::FrameTextLength(int32_t bytes) {
  if (bytes <= 0) return 0;
  const int32_t full = bytes / 48;
  const int32_t rest = bytes % 48;
  // "#H", count, address, data, checksum and terminator.
  return full * (2 + 2 + 6 + 96 + 2 + 1) + (rest > 0 ? 2 + 2 + 6 + 2 * rest + 2 + 1 : 0);
}

int32_t DemoAcquisition::PodLengthFor(int pods) {
  int32_t L = kMaxPodLength;
  // Headed replies add "REFMEM " and a line feed around the frames.
  constexpr int32_t kHeadedExtra = 8;
  while (L > 1 && FrameTextLength(kHeaderBytes + 9 * pods * L) > kMaxReply - kHeadedExtra) --L;
  return L;
}

int16_t DemoAcquisition::Build(const std::array<int, 4>& slots, int32_t trigger, int variant,
                               std::span<uint8_t, kAcqImageSize> memory) {
  std::fill(memory.begin(), memory.end(), uint8_t{0});
  const auto n9 = static_cast<int32_t>(std::count(slots.begin(), slots.end(), 1));
  const auto n18 = static_cast<int32_t>(std::count(slots.begin(), slots.end(), 2));
  // The 9-bit cards' pods come first, one pod in each pair; then both pods of each
  // 18-bit card.
  std::array<bool, 8> present{};
  for (int32_t c = 0; c < n9; ++c) present[static_cast<size_t>(2 * c)] = true;
  for (int32_t c = 0; c < n18; ++c) {
    present[static_cast<size_t>(2 * (n9 + c))] = true;
    present[static_cast<size_t>(2 * (n9 + c) + 1)] = true;
  }
  const auto pods = static_cast<int>(std::count(present.begin(), present.end(), true));
  const int32_t L = PodLengthFor(pods);
  const bool doubleRate = n9 > 0;

  int32_t offset = 0;
  int kind = 0;
  for (int32_t pod = 0; pod < 8; ++pod) {
    if (!present[static_cast<size_t>(pod)]) {
      memory[static_cast<size_t>(kAbsentTable + pod)] = kAbsentMark;
      continue;
    }
    const bool twoBit = doubleRate && pod < 2 * n9;
    // Every pod ends at sample 8(L-1); a double-rate pod covers the later half of that
    // span at twice the rate.
    const int32_t span = twoBit ? 4 * (L - 1) : 8 * (L - 1);
    const int32_t podStart = 8 * (L - 1) - span;
    putWord(memory, kPodLengthTable + 2 * pod, L);
    putWord(memory, kStartTable + 2 * pod, (65536 - span) % 65536);
    putWord(memory, kEndTable + 2 * pod, 0);
    for (int c = 0; c < 9; ++c) {
      const int32_t row = kHeaderBytes + offset + c * L;
      if (twoBit) {
        for (int32_t a = 0; a < 4 * L; ++a) {
          const int32_t s = a - 3 + podStart - trigger;
          setBit(memory, row + a / 4, 2 * (a % 4) + 1, level(kind, c, 2 * s, variant));
          setBit(memory, row + a / 4, 2 * (a % 4), level(kind, c, 2 * s - 1, variant));
        }
      } else {
        for (int32_t a = 0; a < 8 * L; ++a) {
          const int32_t s = a - 7 + podStart - trigger;
          setBit(memory, row + a / 8, a % 8, level(kind, c, 2 * s, variant));
        }
      }
    }
    offset += 9 * L;
    ++kind;
  }
  memory[kNoTrigger] = 0;
  memory[kDoubleRate] = doubleRate ? 1 : 0;
  memory[kClockMode] = 0;
  memory[kTimeBase] = kTimeBase20ns;
  memory[kCards9] = static_cast<uint8_t>(n9);
  memory[kCards18] = static_cast<uint8_t>(n18);
  putWord(memory, kDataLength, offset);
  return static_cast<int16_t>(kHeaderBytes + offset);
}
