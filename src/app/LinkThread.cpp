#include "app/LinkThread.h"

LinkThread::LinkThread() : context_(std::make_unique<QObject>()) {
  thread_.setObjectName(QStringLiteral("link"));
  context_->moveToThread(&thread_);
  thread_.start();
}

LinkThread::~LinkThread() {
  thread_.quit();
  thread_.wait();
}

void LinkThread::run(const std::function<void()>& fn) {
  if (isCurrent()) return fn();
  QMetaObject::invokeMethod(context_.get(), fn, Qt::BlockingQueuedConnection);
}

void LinkThread::post(std::function<void()> fn) {
  QMetaObject::invokeMethod(context_.get(), std::move(fn), Qt::QueuedConnection);
}
