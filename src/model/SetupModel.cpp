#include "model/SetupModel.h"

#include <cmath>

#include "model/LabelCharset.h"

namespace {
constexpr int kPolarityOffset = 471;
constexpr int kOrderAOffset = 540;
constexpr int kOrderBOffset = 684;
constexpr int kRecordOffset = 710;
constexpr int kRecordSize = 12;
constexpr int kChanMapOffset = 830;

bool validGroup(int16_t g) { return g >= 0 && g < SetupModel::kGroups; }
bool validPod(int16_t pod) { return pod >= 0 && pod <= 7; }
}  // namespace

int16_t SetupModel::TrigPosition() const {
  switch (m_[0]) {
    case 0:
      return 16;
    case 1:
      return 128;
    case 2:
      return 256;
    case 3:
      return 384;
    case 4:
      return 496;
    default:
      return 0;
  }
}

int32_t SetupModel::PolarityWord(int16_t pod) const {
  if (!validPod(pod)) return 0;
  return m_[static_cast<size_t>(kPolarityOffset + 1 + 2 * pod)] * 256 +
         m_[static_cast<size_t>(kPolarityOffset + 2 * pod)];
}

void SetupModel::SetPolarity(int16_t pod, int16_t channel, bool normal) {
  if (!validPod(pod) || channel < 0 || channel > 8) return;
  int32_t w = PolarityWord(pod);
  if (normal) {
    w |= 1 << channel;
  } else {
    w &= ~(1 << channel);
  }
  m_[static_cast<size_t>(kPolarityOffset + 1 + 2 * pod)] = static_cast<uint8_t>(w / 256);
  m_[static_cast<size_t>(kPolarityOffset + 2 * pod)] = static_cast<uint8_t>(w % 256);
}

bool SetupModel::GetPolarity(int16_t pod, int16_t channel) const {
  if (channel < 0 || channel > 8) return false;
  return (PolarityWord(pod) & (1 << channel)) != 0;
}

void SetupModel::SetLabel(int16_t group, std::string_view text) {
  if (!validGroup(group)) return;
  // Left-aligned in four places, blank padded; the editor never passes more than four.
  std::string field(text.substr(0, 4));
  field.resize(4, ' ');
  for (size_t i = 0; i < 4; ++i) {
    const int idx = std::stoi(Char2Idx(std::string_view(&field[i], 1)));
    if (idx < 0) continue;  // outside the set: the stored byte stays as it was
    m_[static_cast<size_t>(kRecordOffset + kRecordSize * group) + i] = static_cast<uint8_t>(idx);
  }
}

std::string SetupModel::GetLabel(int16_t group) const {
  if (!validGroup(group)) return {};
  std::string label;
  for (size_t i = 0; i < 4; ++i) {
    label += Idx2Char(m_[static_cast<size_t>(kRecordOffset + kRecordSize * group) + i]);
  }
  return label;
}

int16_t SetupModel::FindLabel(std::string_view text) const {
  for (int16_t g = 0; g < kGroups; ++g) {
    if (GetLabel(g) == text) return g;
  }
  return 0;
}

void SetupModel::SetGroupByte(int16_t group, int16_t index, int16_t value) {
  if (!validGroup(group) || index < 0 || index >= kRecordSize || value < 0 || value > 255) return;
  m_[static_cast<size_t>(kRecordOffset + kRecordSize * group + index)] =
      static_cast<uint8_t>(value);
}

int16_t SetupModel::GetGroupByte(int16_t group, int16_t index) const {
  if (!validGroup(group) || index < 0 || index >= kRecordSize) return 0;
  return m_[static_cast<size_t>(kRecordOffset + kRecordSize * group + index)];
}

void SetupModel::SetBase(int16_t group, int16_t value) {
  if (value >= 0 && value <= 2) SetGroupByte(group, kBase, value);
}
int16_t SetupModel::GetBase(int16_t group) const { return GetGroupByte(group, kBase); }

void SetupModel::SetWidth(int16_t group, int16_t value) {
  if (value >= 0 && value <= 33) SetGroupByte(group, kWidth, value);
}
int16_t SetupModel::GetWidth(int16_t group) const { return GetGroupByte(group, kWidth); }

void SetupModel::SetFirst(int16_t group, int16_t value) {
  if (value >= 0 && value <= 71) SetGroupByte(group, kFirst, value);
}
int16_t SetupModel::GetFirst(int16_t group) const { return GetGroupByte(group, kFirst); }

void SetupModel::SetInputRadix(int16_t group, int16_t value) {
  if (value >= 0 && value <= 2) SetGroupByte(group, kInputRadix, value);
}
int16_t SetupModel::GetInputRadix(int16_t group) const { return GetGroupByte(group, kInputRadix); }

void SetupModel::SetColumn(int16_t group, int16_t value) {
  if (value >= 0 && value <= 71) SetGroupByte(group, kColumn, value);
}
int16_t SetupModel::GetColumn(int16_t group) const { return GetGroupByte(group, kColumn); }

void SetupModel::SetDisplayRadix(int16_t group, int16_t value) {
  if (value < 0 || value > 6) return;
  if (value == 6 && GetGroupByte(group, kRom) != 1) value = 0;
  SetGroupByte(group, kDisplayRadix, value);
}
int16_t SetupModel::GetDisplayRadix(int16_t group) const {
  return GetGroupByte(group, kDisplayRadix);
}

void SetupModel::SetDigits(int16_t group, int16_t value) { SetGroupByte(group, kDigits, value); }
int16_t SetupModel::GetDigits(int16_t group) const { return GetGroupByte(group, kDigits); }

void SetupModel::SetChanMap(int16_t position, int16_t code) {
  if (position < 0 || position >= kPositions) return;
  // Only pods 0..7 fit in the three pod bits and a pod has channels 0..8; any other code
  // would land on another channel or on the empty marker.
  const bool channel = code >= 0 && code <= 78 && code % 10 <= 8;
  if (code != 255 && !channel) return;
  m_[static_cast<size_t>(kChanMapOffset + position)] =
      code == 255 ? uint8_t{255} : static_cast<uint8_t>((code / 10) * 32 + code % 10);
}

int16_t SetupModel::GetChanMap(int16_t position) const {
  if (position < 0 || position >= kPositions) return 0;
  const int b = m_[static_cast<size_t>(kChanMapOffset + position)];
  return static_cast<int16_t>(std::nearbyint((b / 16) / 2.0 * 10 + b % 16));
}

void SetupModel::SetOrderA(int16_t line, int16_t group, int16_t bit) {
  if (line < 0 || line >= kPositions || !validGroup(group) || bit < 0 || bit > 255) return;
  m_[static_cast<size_t>(kOrderAOffset + 2 * line)] = static_cast<uint8_t>(group);
  m_[static_cast<size_t>(kOrderAOffset + 1 + 2 * line)] = static_cast<uint8_t>(bit);
}

void SetupModel::SetOrderB(int16_t line, int16_t group, int16_t bit) {
  if (line < 0 || line >= kOrderBLines || !validGroup(group) || bit < 0 || bit > 255) return;
  m_[static_cast<size_t>(kOrderBOffset + 2 * line)] = static_cast<uint8_t>(group);
  m_[static_cast<size_t>(kOrderBOffset + 1 + 2 * line)] = static_cast<uint8_t>(bit);
}

int16_t SetupModel::GetOrderGroup(int16_t line) const {
  if (line < 0 || line >= kPositions) return -1;
  return m_[static_cast<size_t>(kOrderAOffset + 2 * line)];
}

int16_t SetupModel::GetOrderBit(int16_t line) const {
  if (line < 0 || line >= kPositions) return -1;
  return m_[static_cast<size_t>(kOrderAOffset + 1 + 2 * line)];
}

int16_t SetupModel::GetOrderBGroup(int16_t line) const {
  if (line < 0 || line >= kOrderBLines) return -1;
  return m_[static_cast<size_t>(kOrderBOffset + 2 * line)];
}

int16_t SetupModel::GetOrderBBit(int16_t line) const {
  if (line < 0 || line >= kOrderBLines) return -1;
  return m_[static_cast<size_t>(kOrderBOffset + 1 + 2 * line)];
}
