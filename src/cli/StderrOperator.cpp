#include "cli/StderrOperator.h"

#include <iostream>

MsgAnswer StderrOperator::message(const std::string& text, const std::string& title, MsgIcon,
                                  MsgButtons buttons) {
  ++messages;
  std::string oneLine = text;
  // Multi-line messages (the checksum report) stay readable as lines of their own.
  for (size_t p; (p = oneLine.find("\r\n")) != std::string::npos;) oneLine.replace(p, 2, "\n  ");
  std::cerr << (title.empty() ? "Logirem" : title) << ": " << oneLine << "\n";
  return buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
}
