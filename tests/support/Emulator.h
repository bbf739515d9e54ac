#pragma once
// The adapter emulator run as the real program (logiremctl serve), for tests of the adapter
// back end through real sockets and pseudo-terminals. Stopped when the object goes.
#include <QProcess>
#include <QStringList>
#include <string>

class Emulator {
 public:
  // args: logiremctl's words, e.g. {"--pad", "9", "serve", "--listen", "pty"}.
  explicit Emulator(const QStringList& args = {"serve", "--listen", "tcp:127.0.0.1:0"}) {
    process_.start(LOGIREM_BINARY_DIR "/src/cli/logiremctl", args);
    // The first line says where it listens.
    while (process_.waitForReadyRead(5000)) {
      if (!process_.canReadLine()) continue;
      const QString line = QString::fromUtf8(process_.readLine()).trimmed();
      if (line.startsWith("Listening on ")) port_ = line.mid(13).toStdString();
      break;
    }
  }
  ~Emulator() {
    process_.terminate();  // it ends as it does when interrupted
    if (!process_.waitForFinished(5000)) process_.kill();
  }

  // "tcp:127.0.0.1:N" or "serial:/dev/pts/N"; empty when it did not start.
  const std::string& port() const { return port_; }
  QString qport() const { return QString::fromStdString(port_); }

 private:
  QProcess process_;
  std::string port_;
};
