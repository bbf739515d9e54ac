#include "adapter/SerialStream.h"

#include <QSerialPortInfo>

SerialStream::SerialStream(std::string device) : device_(std::move(device)) {}

SerialStream::~SerialStream() { close(); }

bool SerialStream::open(std::string& why) {
  port_ = std::make_unique<QSerialPort>();
  port_->setPortName(QString::fromStdString(device_));
  if (!port_->open(QIODevice::ReadWrite)) {
    why = "Cannot open " + device_ + ": " + port_->errorString().toStdString();
    port_.reset();
    return false;
  }
  port_->setBaudRate(kBaudRate);
  port_->setDataBits(QSerialPort::Data8);
  port_->setParity(QSerialPort::NoParity);
  port_->setStopBits(QSerialPort::OneStop);
  port_->setFlowControl(QSerialPort::NoFlowControl);
  // Boards with native USB (Micro, Leonardo) send nothing until DTR is raised, and Qt does
  // not raise it on every system.
  port_->setDataTerminalReady(true);
  port_->setRequestToSend(true);
  port_->clearError();
  return true;
}

void SerialStream::close() {
  if (!port_) return;
  port_->close();
  port_.reset();
}

bool SerialStream::write(std::string_view bytes, int timeoutMs) {
  return !failed() && WriteAll(*port_, bytes, timeoutMs) && !failed();
}

std::string SerialStream::read(int timeoutMs) {
  return failed() ? std::string() : ReadSome(*port_, timeoutMs);
}

bool SerialStream::failed() const {
  if (!port_ || !port_->isOpen()) return true;
  // A timeout is not a failure; an unplugged adapter shows as a resource error.
  const QSerialPort::SerialPortError e = port_->error();
  return e != QSerialPort::NoError && e != QSerialPort::TimeoutError;
}

std::vector<SerialStream::Found> SerialStream::Available() {
  std::vector<Found> found;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
#ifdef _WIN32
    const QString device = info.portName();
#else
    const QString device = info.systemLocation();
#endif
    found.push_back({"serial:" + device.toStdString(), info.description().toStdString()});
  }
  return found;
}
