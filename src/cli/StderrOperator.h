#pragma once
// The operator of the command-line tool: messages go to stderr with their titles; there is
// nobody to ask, so questions are answered No and the settings command does nothing. Every
// checksum report is printed, and bytes outside printable ASCII show as \xNN.
#include <string>
#include <string_view>

#include "link/Operator.h"

class StderrOperator : public Operator {
 public:
  MsgAnswer message(const std::string& text, const std::string& title, MsgIcon icon,
                    MsgButtons buttons) override;
  void setBusy(bool) override {}
  void beep() override {}
  void openGpibSettings() override {}
  int messages = 0;  // how many were shown

  // The text with every byte outside printable ASCII as \xNN: what a damaged file or an
  // analyser's reply holds must not reach the terminal, where an escape sequence could
  // rewrite what the operator sees.
  static std::string Visible(std::string_view text);
};
