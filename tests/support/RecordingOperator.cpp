#include "support/RecordingOperator.h"

MsgAnswer RecordingOperator::message(const std::string& text, const std::string& title,
                                     MsgIcon icon, MsgButtons buttons) {
  messages.push_back({text, title, icon, buttons});
  if (buttons == MsgButtons::Ok) return MsgAnswer::Ok;
  if (answers.empty()) return MsgAnswer::Yes;
  const MsgAnswer answer = answers.front();
  answers.pop_front();
  return answer;
}

void RecordingOperator::setBusy(bool busy) { busyCalls.push_back(busy); }

void RecordingOperator::openGpibSettings() {
  ++settingsOpened;
  if (onOpenGpibSettings) onOpenGpibSettings();
}
