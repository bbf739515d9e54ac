#pragma once
// The operator of a transfer running on the link thread: messages, the settings dialog and
// the beep go to the window and the transfer waits for them; progress and the operator's
// Cancel pass through plain atomics the window reads and sets.
#include <QObject>
#include <atomic>
#include <cstdint>
#include <functional>

#include "link/Operator.h"

class TransferRelay : public Operator {
 public:
  // window: the operator shown to the person, living in the thread of windowObject.
  TransferRelay(Operator& window, QObject& windowObject)
      : window_(window), windowObject_(windowObject) {}

  MsgAnswer message(const std::string& text, const std::string& title, MsgIcon icon,
                    MsgButtons buttons) override;
  void setBusy(bool) override {}  // the window shows the pointer for the whole transfer
  void beep() override;
  void openGpibSettings() override;
  int checksumReportLimit() const override { return window_.checksumReportLimit(); }
  void progress(int64_t done, int64_t expected) override;
  bool cancelled() const override { return cancelled_; }

  void cancel() { cancelled_ = true; }
  int64_t done() const { return done_; }
  int64_t expected() const { return expected_; }

 private:
  // Runs fn in the window's thread and waits, still taking the window's calls to the link.
  void inWindow(const std::function<void()>& fn);

  Operator& window_;
  QObject& windowObject_;
  std::atomic<bool> cancelled_{false};
  std::atomic<int64_t> done_{0};
  std::atomic<int64_t> expected_{0};
};
