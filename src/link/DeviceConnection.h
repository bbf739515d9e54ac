#pragma once
// The connection with the analyser that every identification and transfer opens, uses for a
// few commands and closes again.
#include <cstdint>
#include <string>

class GpibDriver;
class Operator;

class DeviceConnection {
 public:
  DeviceConnection(GpibDriver& driver, Operator& op) : driver_(driver), op_(op) {}

  bool DevOpen();
  bool DevWrite(const std::string& Data);
  // The whole reply, read up to its END however many reads that takes; empty text on any
  // failure, on a reply that stops without END and on one longer than kLongestReply.
  std::string DevRead();
  void DevClose();

  GpibDriver& driver() { return driver_; }

  int16_t Board = 0;
  int16_t PAd = 7;
  int16_t SAd = 0;
  int16_t Dev = 0;
  bool Connected = false;
  bool DriverMissing = false;  // set once the driver library proved unusable; never cleared

  static constexpr int16_t kTimeout10s = 13;
  static constexpr int32_t kReadBuffer = 10000;  // bytes asked for by each read
  // The largest memory's frame text is about 57,000 characters.
  static constexpr int32_t kLongestReply = 65536;

 private:
  GpibDriver& driver_;
  Operator& op_;
};
