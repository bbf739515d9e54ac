#include "backend/FdStream.h"

#ifndef _WIN32
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

bool FdStream::write(std::string_view bytes, int timeoutMs) {
  size_t done = 0;
  while (done < bytes.size() && !failed_) {
    pollfd p{fd_, POLLOUT, 0};
    if (poll(&p, 1, timeoutMs) <= 0) return false;
    const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno != EAGAIN && errno != EINTR) failed_ = true;
    if (n > 0) done += static_cast<size_t>(n);
  }
  return !failed_;
}

std::string FdStream::read(int timeoutMs) {
  if (failed_) return {};
  pollfd p{fd_, POLLIN, 0};
  if (poll(&p, 1, timeoutMs) <= 0) return {};
  char buffer[4096];
  const ssize_t n = ::read(fd_, buffer, sizeof buffer);
  if (n > 0) return std::string(buffer, static_cast<size_t>(n));
  // No client has the terminal open just now: wait for the next one rather than spin.
  if (n < 0 && errno == EIO) usleep(static_cast<useconds_t>(std::min(timeoutMs, 50) * 1000));
  return {};
}
#else
bool FdStream::write(std::string_view, int) { return false; }
std::string FdStream::read(int) { return {}; }
#endif
