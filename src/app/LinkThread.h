#pragma once
// The one thread on which every driver call of the window program runs. The adapters'
// serial ports and sockets belong to the thread that made them, and a transfer must run
// away from the window so that it keeps painting; keeping both on this thread lets the
// window wait for a transfer without the two ever touching a port at once.
#include <QThread>
#include <functional>
#include <memory>

class LinkThread {
 public:
  LinkThread();
  ~LinkThread();  // lets the work in progress finish, then ends the thread
  LinkThread(const LinkThread&) = delete;
  LinkThread& operator=(const LinkThread&) = delete;

  // Runs fn there and returns once it has run; at once when called on this thread. While
  // a transfer waits for the window (a message, the settings dialog), its event loop still
  // takes these calls.
  void run(const std::function<void()>& fn);
  // Starts fn there and returns at once.
  void post(std::function<void()> fn);
  bool isCurrent() const { return QThread::currentThread() == &thread_; }

 private:
  QThread thread_;
  std::unique_ptr<QObject> context_;  // lives in the thread; calls are queued to it
};
