#pragma once
// The program's one copy of the analyser's setup and acquisition memories. The application
// creates one object and passes it down; nothing else holds image bytes.
#include <array>
#include <cstdint>
#include <span>

#include "model/ImageSizes.h"

// Memory kinds: 1 configuration, 2 acquisition, 3 reference (2 and 3 share AcqMem).
enum ConfigKind : int32_t { kConfiguration = 1, kAcquisition = 2, kReference = 3 };

struct MemoryImages {
  std::array<uint8_t, kSetupImageSize> SetupMem{};
  std::array<uint8_t, kAcqImageSize> AcqMem{};
  int16_t SetupLen = 0;  // bytes last decoded; 0 nothing, -1 wrong start address
  int16_t AcqLen = 0;

  std::span<uint8_t> image(int32_t kind) {
    return kind == kConfiguration ? std::span<uint8_t>(SetupMem) : std::span<uint8_t>(AcqMem);
  }
  int16_t& length(int32_t kind) { return kind == kConfiguration ? SetupLen : AcqLen; }
  static int32_t base(int32_t kind) { return kind == kConfiguration ? kSetupBase : kAcqBase; }
};
