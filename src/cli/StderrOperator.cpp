#include "cli/StderrOperator.h"

#include <iostream>

MsgAnswer StderrOperator::message(const std::string& text, const std::string& title, MsgIcon,
                                  MsgButtons buttons) {
  ++messages;
  // Message boxes break lines at CR LF or a lone CR; on a terminal a bare CR would make the
  // second line overwrite the first, so each break becomes an indented new line.
  std::string lines;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\n' || (c >= 0x20 && c < 0x7F)) {
      lines += text[i];
      continue;
    }
    if (c != '\r') {
      lines += Visible(text.substr(i, 1));
      continue;
    }
    if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    lines += "\n  ";
  }
  std::cerr << (title.empty() ? "Logirem" : title) << ": " << lines << "\n";
  return buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
}

std::string StderrOperator::Visible(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string shown;
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 0x20 && c < 0x7F) {
      shown += ch;
    } else {
      shown += {'\\', 'x', kHex[c >> 4], kHex[c & 15]};
    }
  }
  return shown;
}
