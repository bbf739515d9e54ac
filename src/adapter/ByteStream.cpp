#include "adapter/ByteStream.h"

#include <QElapsedTimer>
#include <QIODevice>
#include <algorithm>

#include "adapter/PortName.h"
#include "adapter/SerialStream.h"
#include "adapter/TcpStream.h"

std::unique_ptr<ByteStream> ByteStream::For(const PortName& name) {
  if (name.kind == PortName::Kind::Tcp) return std::make_unique<TcpStream>(name.host, name.port);
  return std::make_unique<SerialStream>(name.device);
}

bool ByteStream::WriteAll(QIODevice& device, std::string_view bytes, int timeoutMs) {
  if (device.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
      static_cast<qint64>(bytes.size())) {
    return false;
  }
  QElapsedTimer clock;
  clock.start();
  while (device.bytesToWrite() > 0) {
    const int left = timeoutMs - static_cast<int>(clock.elapsed());
    if (left <= 0 || !device.waitForBytesWritten(left)) return false;
  }
  return true;
}

std::string ByteStream::ReadSome(QIODevice& device, int timeoutMs) {
  // Even without waiting, this is what moves bytes from the system into the device.
  if (device.bytesAvailable() == 0) device.waitForReadyRead(std::max(timeoutMs, 0));
  const QByteArray got = device.readAll();
  return std::string(got.constData(), static_cast<size_t>(got.size()));
}
