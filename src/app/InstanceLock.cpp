#include "app/InstanceLock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

namespace {
QString FileSafe(QString key) {
  for (const QChar c : {u'/', u'\\', u':', u'*', u'?', u'"', u'<', u'>', u'|'})
    key.replace(c, u'_');
  return key;
}

// The settings folder may not exist yet on a first start.
QString LockPath(const QString& folder, const QString& appKey) {
  QDir().mkpath(folder);
  return folder + u'/' + FileSafe(appKey) + QStringLiteral(".lock");
}

// The socket name depends on the settings folder as well, so instances of other users or of
// another settings file never meet.
QString ServerName(const QString& folder, const QString& appKey) {
  const QByteArray id =
      QCryptographicHash::hash((folder + u'|' + appKey).toUtf8(), QCryptographicHash::Sha1);
  return QStringLiteral("logirem-") + QString::fromLatin1(id.toHex().left(24));
}
}  // namespace

InstanceLock::InstanceLock(const QString& settingsFolder, const QString& appKey)
    : lock_(LockPath(settingsFolder, appKey)),
      serverName_(ServerName(QDir(settingsFolder).absolutePath(), appKey)) {
  // A copy that crashed leaves its file behind; QLockFile sees that its process is gone.
  lock_.setStaleLockTime(0);
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::tryLock() { return lock_.tryLock(0); }

bool InstanceLock::raiseRunning() const {
  QLocalSocket socket;
  socket.connectToServer(serverName_);
  if (!socket.waitForConnected(1000)) return false;
  socket.write("raise\n");
  return socket.waitForBytesWritten(1000);
}

void InstanceLock::listen(std::function<void()> onRaise) {
  server_ = std::make_unique<QLocalServer>();
  // Holding the lock, any socket of that name was left by a copy that crashed.
  QLocalServer::removeServer(serverName_);
  if (!server_->listen(serverName_)) return;  // the instance still works; it cannot be raised
  QLocalServer* server = server_.get();
  QObject::connect(server, &QLocalServer::newConnection, server, [server, onRaise] {
    while (QLocalSocket* socket = server->nextPendingConnection()) {
      QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      onRaise();
    }
  });
}
