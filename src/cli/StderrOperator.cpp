#include "cli/StderrOperator.h"

#include <iostream>

MsgAnswer StderrOperator::message(const std::string& text, const std::string& title, MsgIcon,
                                  MsgButtons buttons) {
  ++messages;
  // Message boxes break lines at CR LF or a lone CR; on a terminal a bare CR would make the
  // second line overwrite the first, so each break becomes an indented new line.
  std::string lines;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      lines += text[i];
      continue;
    }
    if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    lines += "\n  ";
  }
  std::cerr << (title.empty() ? "Logirem" : title) << ": " << lines << "\n";
  return buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
}
