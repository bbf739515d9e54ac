#pragma once
// An Ethernet adapter's TCP socket, or (for the emulator) a socket a server accepted.
#include <QTcpSocket>
#include <cstdint>
#include <memory>

#include "adapter/ByteStream.h"

class TcpStream : public ByteStream {
 public:
  TcpStream(std::string host, uint16_t port);
  explicit TcpStream(std::unique_ptr<QTcpSocket> accepted);
  ~TcpStream() override;

  bool open(std::string& why) override;
  void close() override;
  bool write(std::string_view bytes, int timeoutMs) override;
  std::string read(int timeoutMs) override;
  bool failed() const override;

  static constexpr int kConnectTimeoutMs = 3000;

 private:
  std::string host_;
  uint16_t port_ = 0;
  std::unique_ptr<QTcpSocket> socket_;
};
