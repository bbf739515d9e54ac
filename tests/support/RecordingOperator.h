#pragma once
// An operator that records every call and answers messages from a queue, for tests that
// assert on exact message texts, titles and icons.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "link/Operator.h"

class RecordingOperator : public Operator {
 public:
  struct Message {
    std::string text, title;
    MsgIcon icon;
    MsgButtons buttons;
  };

  MsgAnswer message(const std::string& text, const std::string& title, MsgIcon icon,
                    MsgButtons buttons) override {
    messages.push_back({text, title, icon, buttons});
    if (buttons == MsgButtons::Ok) return MsgAnswer::Ok;
    const MsgAnswer answer = answers.empty() ? MsgAnswer::Yes : answers.front();
    if (!answers.empty()) answers.pop_front();
    return answer;
  }
  void setBusy(bool busy) override { busyCalls.push_back(busy); }
  void beep() override { ++beeps; }
  void openGpibSettings() override {
    ++settingsOpened;
    if (onOpenGpibSettings) onOpenGpibSettings();
  }
  int checksumReportLimit() const override { return reportLimit; }

  std::vector<Message> messages;
  std::deque<MsgAnswer> answers;  // next answers to YesNo questions; Yes when empty
  std::vector<bool> busyCalls;
  int beeps = 0, settingsOpened = 0;
  int reportLimit = 0;  // checksum reports shown one by one; 0 all, as the command line
  std::function<void()> onOpenGpibSettings;  // what the settings command does, if anything
};
