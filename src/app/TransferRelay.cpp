#include "app/TransferRelay.h"

#include <QEventLoop>
#include <QThread>

MsgAnswer TransferRelay::message(const std::string& text, const std::string& title, MsgIcon icon,
                                 MsgButtons buttons) {
  MsgAnswer answer = MsgAnswer::Ok;
  inWindow([&] { answer = window_.message(text, title, icon, buttons); });
  return answer;
}

void TransferRelay::beep() {
  inWindow([this] { window_.beep(); });
}

void TransferRelay::openGpibSettings() {
  inWindow([this] { window_.openGpibSettings(); });
}

void TransferRelay::progress(int64_t done, int64_t expected) {
  done_ = done;
  expected_ = expected;
}

void TransferRelay::inWindow(const std::function<void()>& fn) {
  if (QThread::currentThread() == windowObject_.thread()) return fn();
  // Not a blocking call: the settings dialog shown from here closes and opens the link, and
  // those calls come back to this thread, which must be free to run them.
  QEventLoop loop;
  QMetaObject::invokeMethod(
      &windowObject_,
      [&fn, &loop] {
        fn();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
      },
      Qt::QueuedConnection);
  loop.exec();
}
