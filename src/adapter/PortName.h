#pragma once
// Where an adapter is reached: "tcp:HOST[:PORT]" (an Ethernet adapter, port 1234 when
// omitted) or "serial:DEVICE" (a USB adapter's virtual serial port: serial:/dev/ttyUSB0,
// serial:COM3). A name without a scheme is taken as a serial device.
#include <cstdint>
#include <optional>
#include <string>

struct PortName {
  enum class Kind { Tcp, Serial };
  Kind kind = Kind::Serial;
  std::string host;    // tcp
  uint16_t port = 0;   // tcp
  std::string device;  // serial

  static constexpr uint16_t kDefaultTcpPort = 1234;
  // Nothing, with the reason in why, when the text names no port.
  static std::optional<PortName> Parse(const std::string& text, std::string& why);
  std::string text() const;
};
