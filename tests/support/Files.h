#pragma once
// Whole-file reads and writes for tests that check or craft files byte for byte.
#include <fstream>
#include <string>

inline std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

inline void Put(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}
