#include "adapter/TcpStream.h"

TcpStream::TcpStream(std::string host, uint16_t port) : host_(std::move(host)), port_(port) {}

TcpStream::TcpStream(std::unique_ptr<QTcpSocket> accepted) : socket_(std::move(accepted)) {
  socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
}

TcpStream::~TcpStream() { close(); }

bool TcpStream::open(std::string& why) {
  socket_ = std::make_unique<QTcpSocket>();
  socket_->connectToHost(QString::fromStdString(host_), port_);
  if (!socket_->waitForConnected(kConnectTimeoutMs)) {
    why = "Cannot connect to " + host_ + ":" + std::to_string(port_) + ": " +
          socket_->errorString().toStdString();
    socket_.reset();
    return false;
  }
  // Commands are short lines answered at once; Nagle's delay would sit on every one.
  socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
  return true;
}

void TcpStream::close() {
  if (!socket_) return;
  socket_->abort();
  socket_.reset();
}

bool TcpStream::write(std::string_view bytes, int timeoutMs) {
  return !failed() && WriteAll(*socket_, bytes, timeoutMs) && !failed();
}

std::string TcpStream::read(int timeoutMs) {
  return failed() ? std::string() : ReadSome(*socket_, timeoutMs);
}

bool TcpStream::failed() const {
  // Bytes that arrived before the peer closed are still to be read.
  return !socket_ ||
         (socket_->state() != QAbstractSocket::ConnectedState && socket_->bytesAvailable() == 0);
}
