#pragma once
// Gathers one answer from an adapter out of the bytes it sends, whatever they are: an
// instrument's reply that ends with the adapter's end-of-transmission character, or a line
// answering a "++" query. Only the first `keep` bytes are held, so an adapter that never
// ends its answer cannot fill the memory; bytes after the end belong to what comes next.
#include <cstddef>
#include <string>
#include <string_view>

class ReplyCollector {
 public:
  // Starts a new answer that ends with `end`. With stopWhenFull, bytes past the first `keep`
  // are not taken: they belong to the next read of the same answer.
  void start(char end, size_t keep, bool stopWhenFull = false);
  // Takes the adapter's bytes and returns how many belong to this answer (all of them until
  // the end has been seen).
  size_t feed(std::string_view bytes);
  bool complete() const { return complete_; }
  // Holds its `keep` bytes and takes no more (only with stopWhenFull).
  bool full() const { return stopWhenFull_ && !complete_ && data_.size() >= keep_; }
  // The answer without its end character, at most `keep` bytes.
  const std::string& data() const { return data_; }
  // Bytes of the answer received, including those not held.
  size_t received() const { return received_; }
  // A line answer: data() without the CR that precedes its LF, and without blanks around.
  std::string line() const;

 private:
  char end_ = '\n';
  size_t keep_ = 0;
  bool stopWhenFull_ = false;
  std::string data_;
  size_t received_ = 0;
  bool complete_ = false;
};
