#pragma once
// Sizes and analyser base addresses of the two memory images.
#include <cstddef>
#include <cstdint>

inline constexpr std::size_t kSetupImageSize = 2501;
inline constexpr std::size_t kAcqImageSize = 25001;
inline constexpr int32_t kSetupBase = 65536;
inline constexpr int32_t kAcqBase = 0;
