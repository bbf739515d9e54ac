#pragma once
// A fresh folder under the system's temp folder, removed with everything in it at the end.
#include <filesystem>
#include <random>
#include <string>

class TempDir {
 public:
  TempDir() {
    std::random_device rd;
    std::filesystem::create_directories(path_ += std::to_string(rd()) + std::to_string(rd()));
  }
  ~TempDir() { std::filesystem::remove_all(path_, ec_); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_ = std::filesystem::temp_directory_path() / "logirem-test-";
  std::error_code ec_;  // a folder that cannot be removed is left behind
};
