#pragma once
// A USB adapter's virtual serial port: 115200 baud, 8N1, no flow control (the USB adapters
// ignore the rate; an AR488 on an Arduino needs it).
#include <QSerialPort>
#include <memory>

#include "adapter/ByteStream.h"

class SerialStream : public ByteStream {
 public:
  explicit SerialStream(std::string device);
  ~SerialStream() override;

  bool open(std::string& why) override;
  void close() override;
  bool write(std::string_view bytes, int timeoutMs) override;
  std::string read(int timeoutMs) override;
  bool failed() const override;

  struct Found {
    std::string name;         // "serial:/dev/ttyUSB0"
    std::string description;  // "FT232R USB UART", may be empty
  };
  // The serial ports of this machine.
  static std::vector<Found> Available();

  static constexpr int kBaudRate = 115200;

 private:
  std::string device_;
  std::unique_ptr<QSerialPort> port_;
};
