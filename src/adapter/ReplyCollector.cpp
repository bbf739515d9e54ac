#include "adapter/ReplyCollector.h"

#include <algorithm>

void ReplyCollector::start(char end, size_t keep, bool stopWhenFull) {
  end_ = end;
  keep_ = keep;
  stopWhenFull_ = stopWhenFull;
  data_.clear();
  received_ = 0;
  complete_ = false;
}

size_t ReplyCollector::feed(std::string_view bytes) {
  if (complete_) return 0;
  if (stopWhenFull_ && data_.size() + bytes.size() > keep_) {
    const size_t room = keep_ - data_.size();
    // The end may follow the last byte held.
    const size_t at = bytes.substr(0, room + 1).find(end_);
    if (at == std::string_view::npos) {
      data_.append(bytes.substr(0, room));
      received_ += room;
      return room;
    }
  }
  const size_t at = bytes.find(end_);
  const size_t body = at == std::string_view::npos ? bytes.size() : at;
  if (data_.size() < keep_) data_.append(bytes.substr(0, std::min(body, keep_ - data_.size())));
  received_ += body;
  if (at == std::string_view::npos) return bytes.size();
  complete_ = true;
  return at + 1;
}

std::string ReplyCollector::line() const {
  const auto blank = [](char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t'; };
  const auto first = std::find_if_not(data_.begin(), data_.end(), blank);
  const auto last = std::find_if_not(data_.rbegin(), data_.rend(), blank).base();
  return first < last ? std::string(first, last) : std::string();
}
