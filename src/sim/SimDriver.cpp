#include "sim/SimDriver.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

void SimDriver::pause() {
  const int ms = analyser_.faults().delayMs;
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SimDriver::succeed(int32_t count, int16_t extraBits) {
  status_.ibsta = static_cast<int16_t>(kCmpl | extraBits);
  status_.iberr = 0;
  status_.ibcntl = count;
  status_.ibcnt = static_cast<int16_t>(static_cast<uint16_t>(count & 0xFFFF));
}

void SimDriver::fail(int16_t error, int16_t extraBits) {
  status_.ibsta = static_cast<int16_t>(GpibStatus::kErr | kCmpl | extraBits);
  status_.iberr = error;
  status_.ibcntl = 0;
  status_.ibcnt = 0;
}

const std::pair<int16_t, int16_t>* SimDriver::device(int16_t ud) const {
  const auto it = open_.find(ud);
  return it == open_.end() ? nullptr : &it->second;
}

bool SimDriver::reachable(int16_t ud) {
  const auto* d = device(ud);
  if (d == nullptr) {
    fail(kEdvr);
    return false;
  }
  if (!analyser_.answersAt(analyser_.board(), d->first, d->second)) {
    fail(kEnol);
    return false;
  }
  return true;
}

int16_t SimDriver::ibdev(int16_t board, int16_t pad, int16_t sad, int16_t, int16_t, int16_t) {
  analyser_.transcript().push_back("ibdev " + std::to_string(board) + " " + std::to_string(pad) +
                                   " " + std::to_string(sad));
  pause();
  // Only the board the analyser hangs on exists; any address on it gets a descriptor, and
  // an absent device shows itself at the first call that needs a listener.
  if (board != analyser_.board() || pad < 0 || pad > 30) {
    fail(kEneb);
    return -1;
  }
  const int16_t ud = nextUd_;
  nextUd_ = static_cast<int16_t>(nextUd_ % 32000 + 1);
  open_[ud] = {pad, sad};
  succeed(0);
  return ud;
}

int16_t SimDriver::ibclr(int16_t ud) {
  analyser_.transcript().push_back("ibclr");
  pause();
  if (!reachable(ud)) return status_.ibsta;
  analyser_.deviceClear();
  succeed(0);
  return status_.ibsta;
}

int16_t SimDriver::ibwrt(int16_t ud, const std::string& data) {
  analyser_.transcript().push_back("ibwrt " + data);
  pause();
  if (!reachable(ud)) return status_.ibsta;
  if (!analyser_.write(data)) {
    fail(kEabo, kTimo);
    return status_.ibsta;
  }
  succeed(static_cast<int32_t>(data.size()));
  return status_.ibsta;
}

int16_t SimDriver::ibrd(int16_t ud, char* buffer, int32_t count) {
  analyser_.transcript().push_back("ibrd " + std::to_string(count));
  pause();
  if (!reachable(ud)) return status_.ibsta;
  std::optional<std::string> reply = analyser_.read();
  if (!reply) {
    fail(kEabo, kTimo);
    return status_.ibsta;
  }
  const size_t n = std::min(reply->size(), static_cast<size_t>(std::max(count, 0)));
  if (n > 0) std::memcpy(buffer, reply->data(), n);
  const bool complete = n == reply->size();
  if (!complete) analyser_.unread(reply->substr(n));
  if (complete && analyser_.replyCut()) {
    // The talker fell silent before its END: the read waits out its timeout with what came.
    fail(kEabo, kTimo);
    status_.ibcntl = static_cast<int32_t>(n);
    status_.ibcnt = static_cast<int16_t>(static_cast<uint16_t>(n & 0xFFFF));
    return status_.ibsta;
  }
  succeed(static_cast<int32_t>(n), complete ? kEnd : 0);
  return status_.ibsta;
}

int16_t SimDriver::ibloc(int16_t ud) {
  analyser_.transcript().push_back("ibloc");
  pause();
  if (device(ud) == nullptr) {
    fail(kEdvr);
    return status_.ibsta;
  }
  succeed(0);
  return status_.ibsta;
}

int16_t SimDriver::ibonl(int16_t ud, int16_t v) {
  analyser_.transcript().push_back("ibonl " + std::to_string(v));
  pause();
  if (device(ud) == nullptr) {
    fail(kEdvr);
    return status_.ibsta;
  }
  if (v == 0) open_.erase(ud);
  succeed(0);
  return status_.ibsta;
}
