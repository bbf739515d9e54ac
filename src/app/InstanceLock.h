#pragma once
// One running copy per instance: a lock file beside the settings says an instance is in
// use, and a local socket lets a later copy bring the running one to the front. Two copies
// of one instance would each write the settings at exit, the last one losing the other's.
#include <QLockFile>
#include <QString>
#include <functional>
#include <memory>

class QLocalServer;

class InstanceLock {
 public:
  InstanceLock(const QString& settingsFolder, const QString& appKey);
  ~InstanceLock();

  // True when no other copy holds the instance; this one holds it from then on.
  bool tryLock();
  // Asks the copy holding the instance to come to the front; false when it cannot be reached.
  bool raiseRunning() const;
  // Calls onRaise each time a later copy asks; only for the copy holding the instance.
  void listen(std::function<void()> onRaise);

 private:
  QLockFile lock_;
  QString serverName_;
  std::unique_ptr<QLocalServer> server_;
};
