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
  // Why the last failed call failed, as the driver put it; empty when it cannot say.
  std::string Cause;

  static constexpr int16_t kTimeout10s = 13;
  static constexpr int32_t kReadBuffer = 10000;  // bytes asked for by each read
  // The largest memory's frame text is about 57,000 characters.
  static constexpr int32_t kLongestReply = 65536;

 private:
  void noteCause();

  GpibDriver& driver_;
  Operator& op_;
  // The last open failed at this address: writes do not reopen it until the next explicit
  // DevOpen, since a port that was refused or an adapter that does not answer will not do
  // better a moment later. The settings command may mend the address, which is tried.
  bool openFailed_ = false;
  int16_t failedBoard_ = 0, failedPad_ = 0, failedSad_ = 0;
};
