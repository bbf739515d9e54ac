#pragma once
// Moves one memory between the analyser and its image, showing the progress on the
// analyser's own screen.
#include <cstdint>
#include <utility>
#include <vector>

class DeviceConnection;
class Operator;
struct MemoryImages;

class Transfer {
 public:
  Transfer(DeviceConnection& connection, MemoryImages& images, Operator& op)
      : dev_(connection), images_(images), op_(op) {}

  bool Tek2Mem(int32_t Config);  // opens and closes its own connection
  bool Mem2Tek(int32_t Config);
  bool ReadMemFromTek(int32_t Config);  // inside an open connection
  bool WriteMemToTek(int32_t Config);

  // Whether the last transfer failed because the analyser did not answer or take the data
  // (rather than because of what the data held).
  bool LinkFailed = false;

  // The stretches of the image (start, count) that a write of Config sends.
  static std::vector<std::pair<int32_t, int32_t>> WrittenRanges(int32_t Config,
                                                                const MemoryImages& images);

 private:
  DeviceConnection& dev_;
  MemoryImages& images_;
  Operator& op_;
};
