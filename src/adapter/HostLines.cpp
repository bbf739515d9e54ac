#include "adapter/HostLines.h"

std::string HostLines::Escape(std::string_view data) {
  std::string out;
  out.reserve(data.size() + data.size() / 8);
  for (const char c : data) {
    if (c == '\r' || c == '\n' || c == kEsc || c == '+') out += kEsc;
    out += c;
  }
  return out;
}

void HostLines::feed(std::string_view bytes) {
  for (const char c : bytes) {
    if (!escaped_ && c == kEsc) {
      escaped_ = true;
      continue;
    }
    if (!escaped_ && (c == '\r' || c == '\n')) {
      if (!current_.empty()) {
        const bool command = plainPrefix_ >= 2 && current_.rfind("++", 0) == 0;
        ready_.push_back({command, std::move(current_)});
      }
      current_.clear();
      plainPrefix_ = 0;
      continue;
    }
    if (current_.size() < 2 && !escaped_ && current_.size() == plainPrefix_) ++plainPrefix_;
    escaped_ = false;
    if (current_.size() < kMaxLine) current_ += c;
  }
}

bool HostLines::next(Line& line) {
  if (ready_.empty()) return false;
  line = std::move(ready_.front());
  ready_.pop_front();
  return true;
}

void HostLines::clear() {
  ready_.clear();
  current_.clear();
  plainPrefix_ = 0;
  escaped_ = false;
}
