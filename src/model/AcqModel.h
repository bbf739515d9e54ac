#pragma once
// Reads the header and the samples of the acquisition image. Nothing here reports an error:
// a pod, channel or byte outside its range reads as absent or 0, and no read leaves the
// image, whatever its header says.
#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "model/AcqLayout.h"
#include "model/ImageSizes.h"

class AcqModel {
 public:
  // Builds the pod offsets at once, so the sample reads are valid from the start.
  explicit AcqModel(std::span<const uint8_t, kAcqImageSize> image);

  int32_t AcqWord(int16_t pod, int32_t tableOffset) const;
  int32_t PodLength(int16_t pod) const;
  int32_t PodStart(int16_t pod) const;
  int32_t PodEnd(int16_t pod) const;
  bool PodAbsent(int16_t pod) const;
  bool PodTwoBit(int16_t pod) const;
  bool Triggered() const;
  int32_t SamplePeriod() const;  // nanoseconds; 0 for the synchronous clock
  double Cards9() const;
  double Cards18() const;
  int32_t BuildPodOffsets();  // fills PodOffset; returns the data length word
  int32_t MaxPodLength() const;
  double PodSampleByte(int16_t pod, int16_t channel, int32_t k) const;
  // The bytes the header says the capture holds: the header, then the sample area up to the
  // data length or to the end of the last pod block, whichever reaches further. An image that
  // holds fewer was cut off, and its missing samples read as 0.
  int64_t AnnouncedBytes() const;

  // Start of each pod's block relative to the sample area, -1 for an absent pod. Kept 32-bit:
  // a crafted header can describe blocks far longer than 16 bits can count.
  const std::array<int32_t, 8>& PodOffset() const { return podOffset_; }

  // The byte and mask that hold channel `channel` of `pod` at display sample s, or nothing
  // when the pod has no such sample (outside PodStart..PodEnd, or absent).
  struct SampleBits {
    int byte;
    int mask;
    bool high() const { return (byte & mask) == mask; }
    // On two-bit pods: the other, earlier bit of the pair is set too.
    bool pairedBit() const { return (byte & (mask / 2)) == mask / 2; }
  };
  std::optional<SampleBits> SampleAt(int16_t pod, int16_t channel, int32_t s) const;
  // The level of the channel at s: true high, false low, nothing where there is no sample.
  std::optional<bool> Level(int16_t pod, int16_t channel, int32_t s) const;

  static constexpr int32_t kSampleArea = AcqLayout::kSampleArea;

 private:
  uint8_t byteAt(int64_t offset) const;
  std::span<const uint8_t, kAcqImageSize> m_;
  std::array<int32_t, 8> podOffset_{};
};
