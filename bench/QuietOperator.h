#pragma once
// An operator that answers every message with OK and only counts them, for timing transfers.
#include "link/Operator.h"

class QuietOperator : public Operator {
 public:
  MsgAnswer message(const std::string&, const std::string&, MsgIcon, MsgButtons) override {
    ++messages;
    return MsgAnswer::Ok;
  }
  void setBusy(bool) override {}
  void beep() override {}
  void openGpibSettings() override {}
  int messages = 0;
};
