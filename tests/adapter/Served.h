#pragma once
// The adapter emulator serving in this process on its own thread until the object goes.
#include <QThread>
#include <atomic>
#include <future>
#include <memory>
#include <string>

#include "backend/AdapterEmulator.h"

class Served {
 public:
  explicit Served(const EmulatorOptions& options, const std::string& listen = "tcp:127.0.0.1:0")
      : emulator(options) {
    std::promise<std::string> where;
    thread_.reset(QThread::create([this, listen, &where] {
      std::string why;
      bool told = false;
      const auto tell = [&](const std::string& p) { where.set_value(p), told = true; };
      if (!emulator.serve(listen, stop_, tell, why) && !told) where.set_value("");
    }));
    thread_->start();
    port = where.get_future().get();
  }
  ~Served() {
    stop_ = true;
    thread_->wait();
  }
  AdapterEmulator emulator;
  std::string port;

 private:
  std::atomic<bool> stop_{false};
  std::unique_ptr<QThread> thread_;
};
