#pragma once
// A byte pipe to an adapter (its serial port or its TCP socket), used with blocking waits so
// that the driver calls stay plain synchronous calls without an event loop.
#include <memory>
#include <string>
#include <string_view>

class QIODevice;
struct PortName;

class ByteStream {
 public:
  virtual ~ByteStream() = default;
  // False, with the reason in why, when the port cannot be opened.
  virtual bool open(std::string& why) = 0;
  virtual void close() = 0;
  // Sends every byte within timeoutMs; false when the link failed or stalled.
  virtual bool write(std::string_view bytes, int timeoutMs) = 0;
  // What arrives within timeoutMs (returns as soon as anything is there; empty when
  // nothing came). Check failed() afterwards.
  virtual std::string read(int timeoutMs) = 0;
  // The link is gone: the socket closed, the device unplugged.
  virtual bool failed() const = 0;

  // The stream for a port name (not opened yet).
  static std::unique_ptr<ByteStream> For(const PortName& name);

 protected:
  // The blocking write and read both Qt-backed streams use.
  static bool WriteAll(QIODevice& device, std::string_view bytes, int timeoutMs);
  static std::string ReadSome(QIODevice& device, int timeoutMs);
};
