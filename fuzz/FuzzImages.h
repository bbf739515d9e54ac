#pragma once
// The two images a target works on: the built-in ones (the acquisition zeros unless the
// flag asks for the built-in one), with stretches of the input written over them. Each is a
// heap block of exactly the image's size, so a read past it shows.
#include <algorithm>
#include <array>
#include <memory>

#include "FuzzCheck.h"
#include "memory/DefaultImages.h"
#include "memory/MemoryImages.h"

struct FuzzImages {
  using AcqImage = std::array<uint8_t, kAcqImageSize>;
  using SetupImage = std::array<uint8_t, kSetupImageSize>;

  FuzzImages(FuzzInput& in, bool builtInAcquisition) {
    static const auto defaults = [] {
      auto images = std::make_unique<MemoryImages>();
      LoadDefaultImages(*images, nullptr);
      return images;
    }();
    if (builtInAcquisition) *acq = defaults->AcqMem;
    overwrite(in, *acq, in.word());
    *setup = defaults->SetupMem;
    overwrite(in, *setup, in.byte());
  }

  std::unique_ptr<AcqImage> acq = std::make_unique<AcqImage>();
  std::unique_ptr<SetupImage> setup = std::make_unique<SetupImage>();

 private:
  // Bytes of the input written over an image from a chosen offset.
  template <size_t N>
  static void overwrite(FuzzInput& in, std::array<uint8_t, N>& image, size_t count) {
    const size_t at = in.word() % N;
    const std::string_view bytes = in.bytes(std::min(count, N - at));
    std::copy(bytes.begin(), bytes.end(), image.begin() + static_cast<std::ptrdiff_t>(at));
  }
};
