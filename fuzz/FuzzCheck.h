#pragma once
// What every fuzz target shares: a check that stops the run with the broken property (so
// both libFuzzer and the replay program report the input), and a reader that takes the
// parts of an input one after another, yielding zeros once the input is used up.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#define FUZZ_CHECK(condition)                                                               \
  do {                                                                                      \
    if (!(condition)) {                                                                     \
      std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                         \
    }                                                                                       \
  } while (0)

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  size_t left() const { return size_ - at_; }
  uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
  uint16_t word() { return static_cast<uint16_t>(byte() | byte() << 8); }
  // The next n bytes (fewer when the input ends first).
  std::string_view bytes(size_t n) {
    n = n < left() ? n : left();
    const std::string_view part(reinterpret_cast<const char*>(data_ + at_), n);
    at_ += n;
    return part;
  }
  std::string_view rest() { return bytes(left()); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};
