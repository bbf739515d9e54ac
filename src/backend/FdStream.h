#pragma once
// A byte stream on a POSIX file descriptor: the emulator's end of a pseudo-terminal.
#include "adapter/ByteStream.h"

class FdStream : public ByteStream {
 public:
  explicit FdStream(int fd) : fd_(fd) {}  // not owned
  bool open(std::string&) override { return fd_ >= 0; }
  void close() override { failed_ = true; }
  bool write(std::string_view bytes, int timeoutMs) override;
  std::string read(int timeoutMs) override;
  bool failed() const override { return failed_; }

 private:
  int fd_;
  bool failed_ = false;
};
