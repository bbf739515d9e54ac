#pragma once
// The lines a host sends an adapter. Data for the instrument has CR, LF, ESC and "+"
// escaped with ESC and the line ends with LF; a line starting with an unescaped "++" is a
// command to the adapter. Escape() builds a data line's body on the host; the emulator
// feeds what it receives and takes the lines back, from any bytes at all.
#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

class HostLines {
 public:
  struct Line {
    bool command = false;  // "++..." (text holds the whole line, "++" included)
    std::string text;      // escapes resolved
  };

  static constexpr char kEsc = 27;
  // data with every CR, LF, ESC and "+" preceded by ESC (no line end added).
  static std::string Escape(std::string_view data);

  void feed(std::string_view bytes);
  // The next complete line, if any; empty lines (CR LF pairs) are skipped.
  bool next(Line& line);
  void clear();

  // Longest line kept; the rest of a longer line is dropped.
  static constexpr size_t kMaxLine = 1 << 16;

 private:
  std::deque<Line> ready_;
  std::string current_;
  size_t plainPrefix_ = 0;  // how many of the first two characters came unescaped
  bool escaped_ = false;
};
