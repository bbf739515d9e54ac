#pragma once
// Where the acquisition image keeps its header fields. Words are stored low byte first; the
// tables hold one word (or byte) per pod 0..7.
#include <cstdint>

namespace AcqLayout {
inline constexpr int32_t kPodLengthTable = 514;  // word per pod: bytes per channel row
inline constexpr int32_t kStartTable = 530;      // word per pod: start count
inline constexpr int32_t kEndTable = 546;        // word per pod: end count
inline constexpr int32_t kAbsentTable = 562;     // byte per pod: nonzero = no data
inline constexpr int32_t kNoTrigger = 574;
inline constexpr int32_t kDoubleRate = 579;
inline constexpr int32_t kClockMode = 580;  // 1 = synchronous clock
inline constexpr int32_t kTimeBase = 581;
inline constexpr int32_t kCards9 = 583;
inline constexpr int32_t kCards18 = 585;
inline constexpr int32_t kDataLength = 600;  // word: bytes in the sample area
inline constexpr int32_t kSampleArea = 614;
}  // namespace AcqLayout
