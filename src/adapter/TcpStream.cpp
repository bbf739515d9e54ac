#include "adapter/TcpStream.h"

#include <QElapsedTimer>
#include <algorithm>

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
  if (failed()) return false;
  if (socket_->write(bytes.data(), static_cast<qint64>(bytes.size())) !=
      static_cast<qint64>(bytes.size())) {
    return false;
  }
  QElapsedTimer clock;
  clock.start();
  while (socket_->bytesToWrite() > 0) {
    const int left = timeoutMs - static_cast<int>(clock.elapsed());
    if (left <= 0 || !socket_->waitForBytesWritten(left)) return false;
  }
  return !failed();
}

std::string TcpStream::read(int timeoutMs) {
  if (failed()) return {};
  // Even without waiting, this is what moves bytes from the system into the socket.
  if (socket_->bytesAvailable() == 0) socket_->waitForReadyRead(std::max(timeoutMs, 0));
  const QByteArray got = socket_->readAll();
  return std::string(got.constData(), static_cast<size_t>(got.size()));
}

bool TcpStream::failed() const {
  // Bytes that arrived before the peer closed are still to be read.
  return !socket_ ||
         (socket_->state() != QAbstractSocket::ConnectedState && socket_->bytesAvailable() == 0);
}
