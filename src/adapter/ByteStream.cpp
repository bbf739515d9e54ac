#include "adapter/ByteStream.h"

#include "adapter/PortName.h"
#include "adapter/SerialStream.h"
#include "adapter/TcpStream.h"

std::unique_ptr<ByteStream> ByteStream::For(const PortName& name) {
  if (name.kind == PortName::Kind::Tcp) return std::make_unique<TcpStream>(name.host, name.port);
  return std::make_unique<SerialStream>(name.device);
}
