#pragma once
// The capture the simulated analyser holds after power-up: every pod of the fitted cards
// carries a recognisable signal (counters with a clock, a slower address count with its
// strobe, a serial line with a byte strobe, a handshake), and the trigger lies inside the
// capture, so that the display has something worth looking at.
#include <array>
#include <cstdint>
#include <span>

#include "model/ImageSizes.h"

class DemoAcquisition {
 public:
  // Writes the header and samples into memory (zeroed first) and returns the number of
  // bytes the analyser holds. slots: 1 a 9-bit card, 2 an 18-bit card, anything else none.
  // trigger: the trigger sample; variant shifts the signals so that two captures differ.
  static int16_t Build(const std::array<int, 4>& slots, int32_t trigger, int variant,
                       std::span<uint8_t, kAcqImageSize> memory);

  // The longest pod (at most 65 bytes per channel row) whose whole memory still goes out as
  // one reply of at most 10000 characters, for the given number of present pods.
  static int32_t PodLengthFor(int pods);
  // Characters of the frame text for a memory of bytes bytes.
  static int32_t FrameTextLength(int32_t bytes);

  static constexpr int32_t kHeaderBytes = 614;
  static constexpr int32_t kMaxPodLength = 65;
  static constexpr int32_t kMaxReply = 10000;
  static constexpr uint8_t kAbsentMark = 0x55;
  static constexpr uint8_t kTimeBase20ns = 1;
};
