#pragma once
// Reads and writes the fields of the setup image that the program interprets. Every
// argument is range-checked: a setter out of range leaves the image unchanged and a getter
// returns its neutral value, so a damaged image can never make a caller index outside it.
#include <cstdint>
#include <span>
#include <string>

#include "model/ImageSizes.h"

class SetupModel {
 public:
  explicit SetupModel(std::span<uint8_t, kSetupImageSize> image) : m_(image) {}

  // Record byte indices of a group record.
  enum RecordByte : int16_t {
    kBase = 4,
    kWidth = 5,
    kFirst = 6,
    kInputRadix = 7,
    kColumn = 8,
    kRom = 9,
    kDisplayRadix = 10,
    kDigits = 11
  };

  int16_t TrigPosition() const;

  void SetPolarity(int16_t pod, int16_t channel, bool normal);
  bool GetPolarity(int16_t pod, int16_t channel) const;
  int32_t PolarityWord(int16_t pod) const;  // the whole word, 0 for a pod outside 0..7

  void SetLabel(int16_t group, std::string_view text);
  std::string GetLabel(int16_t group) const;
  int16_t FindLabel(std::string_view text) const;

  void SetGroupByte(int16_t group, int16_t index, int16_t value);
  int16_t GetGroupByte(int16_t group, int16_t index) const;

  void SetBase(int16_t group, int16_t value);
  int16_t GetBase(int16_t group) const;
  void SetWidth(int16_t group, int16_t value);
  int16_t GetWidth(int16_t group) const;
  void SetFirst(int16_t group, int16_t value);
  int16_t GetFirst(int16_t group) const;
  void SetInputRadix(int16_t group, int16_t value);
  int16_t GetInputRadix(int16_t group) const;
  void SetColumn(int16_t group, int16_t value);
  int16_t GetColumn(int16_t group) const;
  void SetDisplayRadix(int16_t group, int16_t value);
  int16_t GetDisplayRadix(int16_t group) const;
  void SetDigits(int16_t group, int16_t value);
  int16_t GetDigits(int16_t group) const;

  // Channel codes are pod * 10 + channel; 255 marks an empty map entry (it reads back as 90).
  void SetChanMap(int16_t position, int16_t code);
  int16_t GetChanMap(int16_t position) const;

  void SetOrderA(int16_t line, int16_t group, int16_t bit);
  void SetOrderB(int16_t line, int16_t group, int16_t bit);
  int16_t GetOrderGroup(int16_t line) const;  // order table A; -1 outside 0..71
  int16_t GetOrderBit(int16_t line) const;
  int16_t GetOrderBGroup(int16_t line) const;  // order table B; -1 outside 0..11
  int16_t GetOrderBBit(int16_t line) const;

  static constexpr int16_t kGroups = 10;
  static constexpr int16_t kPositions = 72;
  static constexpr int16_t kOrderBLines = 12;

 private:
  std::span<uint8_t, kSetupImageSize> m_;
};
