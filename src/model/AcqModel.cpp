#include "model/AcqModel.h"

#include <algorithm>

#include "model/AcqLayout.h"

using namespace AcqLayout;

namespace {

bool validPod(int16_t pod) { return pod >= 0 && pod <= 7; }
}  // namespace

AcqModel::AcqModel(std::span<const uint8_t, kAcqImageSize> image) : m_(image) { BuildPodOffsets(); }

uint8_t AcqModel::byteAt(int64_t offset) const {
  if (offset < 0 || offset >= static_cast<int64_t>(m_.size())) return 0;
  return m_[static_cast<size_t>(offset)];
}

int32_t AcqModel::AcqWord(int16_t pod, int32_t tableOffset) const {
  if (!validPod(pod)) return 0;
  const int64_t at = int64_t{tableOffset} + 2 * pod;
  return byteAt(at) + 256 * byteAt(at + 1);
}

int32_t AcqModel::PodLength(int16_t pod) const { return AcqWord(pod, kPodLengthTable); }

int32_t AcqModel::PodStart(int16_t pod) const {
  return (PodLength(pod) - 1) * 8 - ((65536 - AcqWord(pod, kStartTable)) % 65536);
}

int32_t AcqModel::PodEnd(int16_t pod) const {
  return (PodLength(pod) - 1) * 8 - ((65536 - AcqWord(pod, kEndTable)) % 65536);
}

bool AcqModel::PodAbsent(int16_t pod) const {
  return !validPod(pod) || byteAt(kAbsentTable + pod) != 0;
}

bool AcqModel::PodTwoBit(int16_t pod) const {
  const int cards9 = byteAt(kCards9);
  return cards9 != 0 && byteAt(kDoubleRate) != 0 && 2 * cards9 > pod;
}

bool AcqModel::Triggered() const { return byteAt(kNoTrigger) == 0; }

int32_t AcqModel::SamplePeriod() const {
  if (byteAt(kClockMode) == 1) return 0;
  const int code = byteAt(kTimeBase);
  if (code > 24) return 0;
  static constexpr int32_t kSteps[3] = {1, 2, 5};
  int32_t decade = 10;
  for (int i = 0; i < code / 3; ++i) decade *= 10;
  return decade * kSteps[code % 3];
}

double AcqModel::Cards9() const { return byteAt(kCards9); }
double AcqModel::Cards18() const { return byteAt(kCards18); }

int32_t AcqModel::BuildPodOffsets() {
  int32_t acc = 0;
  for (int16_t pod = 0; pod < 8; ++pod) {
    podOffset_[static_cast<size_t>(pod)] = -1;
    if (!PodAbsent(pod)) {
      podOffset_[static_cast<size_t>(pod)] = acc;
      acc += 9 * PodLength(pod);
    }
  }
  return AcqWord(0, kDataLength);
}

int32_t AcqModel::MaxPodLength() const {
  int32_t longest = 0;
  for (int16_t pod = 0; pod < 8; ++pod) {
    if (!PodAbsent(pod) && PodLength(pod) > longest) longest = PodLength(pod);
  }
  return longest;
}

int64_t AcqModel::AnnouncedBytes() const {
  int64_t blocks = 0;
  for (int16_t pod = 0; pod < 8; ++pod) {
    if (!PodAbsent(pod)) blocks += 9 * int64_t{PodLength(pod)};
  }
  return kSampleArea + std::max<int64_t>(AcqWord(0, kDataLength), blocks);
}

double AcqModel::PodSampleByte(int16_t pod, int16_t channel, int32_t k) const {
  if (!validPod(pod) || channel < 0 || channel > 8 || k < 0) return 0;
  const int32_t length = PodLength(pod);
  const int32_t offset = podOffset_[static_cast<size_t>(pod)];
  if (k > length - 1 || offset < 0) return 0;
  return byteAt(int64_t{kSampleArea} + offset + int64_t{channel} * length + k);
}

std::optional<AcqModel::SampleBits> AcqModel::SampleAt(int16_t pod, int16_t channel,
                                                       int32_t s) const {
  if (PodAbsent(pod) || s < PodStart(pod) || s > PodEnd(pod)) return std::nullopt;
  const int f = PodTwoBit(pod) ? 2 : 1;
  const int n = 8 / f;
  const int64_t a = 7 / f + (int64_t{s} - PodStart(pod));
  const int r = static_cast<int>(a % n);
  int mask = f;
  for (int i = 0; i < r; ++i) mask *= 2 * f;
  const auto byte = static_cast<int>(PodSampleByte(pod, channel, static_cast<int32_t>(a / n)));
  return SampleBits{byte, mask};
}

std::optional<bool> AcqModel::Level(int16_t pod, int16_t channel, int32_t s) const {
  const auto bits = SampleAt(pod, channel, s);
  if (!bits) return std::nullopt;
  return bits->high();
}
