#include "memory/DataFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string_view>

#include "memory/HexCodec.h"
#include "memory/MemoryImages.h"

namespace {
namespace fs = std::filesystem;

// A first line longer than this is not a memory of the analyser (a full acquisition image
// is about 57 KB of frames); it is refused before it is read whole.
constexpr size_t kMaxLine = size_t{1} << 20;

bool writeAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Writes straight into an existing special file (a device or a pipe), which cannot be
// replaced by renaming.
bool writeInPlace(const std::string& target, std::string_view content) {
  const int fd = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = writeAll(fd, content);
  return ::close(fd) == 0 && ok;
}

// Writes the content to a fresh file beside the target and renames it over the target, so
// the target holds either its old content or the complete new one.
bool replaceFile(const std::string& target, std::string_view content) {
  std::error_code ec;
  fs::path path(target);
  // Saving through a link updates the file it points to and keeps the link.
  if (fs::is_symlink(path, ec)) {
    path = fs::weakly_canonical(path, ec);
    if (ec) return false;
  }
  const fs::file_status status = fs::status(path, ec);
  mode_t mode = 0666;  // a new file gets the usual permissions, less the umask
  if (fs::exists(status)) {
    if (fs::is_directory(status)) return false;
    if (!fs::is_regular_file(status)) return writeInPlace(path.string(), content);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) mode = st.st_mode & 07777;
  }

  static std::atomic<unsigned> serial{0};
  const std::string temp = path.string() + ".tmp" + std::to_string(::getpid()) + "-" +
                           std::to_string(serial.fetch_add(1));
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0) return false;
  bool ok = writeAll(fd, content);
  if (ok && fs::exists(status)) ok = ::fchmod(fd, mode) == 0;  // the umask may have narrowed it
  ok = ::fsync(fd) == 0 && ok;
  ok = ::close(fd) == 0 && ok;
  if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

// The file's first line without its line end: it ends at the first CR or LF, as a line read
// from a text file always has, or at the end of the file. False when the file cannot be read
// or the line is longer than kMaxLine.
bool readFirstLine(const std::string& filename, std::string& line) {
  std::error_code ec;
  if (fs::is_directory(filename, ec)) return false;
  std::FILE* file = std::fopen(filename.c_str(), "rb");
  if (file == nullptr) return false;
  line.clear();
  char buffer[65536];
  bool ok = true;
  while (true) {
    const size_t n = std::fread(buffer, 1, sizeof buffer, file);
    const std::string_view chunk(buffer, n);
    const size_t end = chunk.find_first_of("\r\n");
    line.append(chunk.substr(0, end));
    if (line.size() > kMaxLine) {
      ok = false;
      break;
    }
    if (end != std::string_view::npos) break;
    if (n < sizeof buffer) {
      ok = std::ferror(file) == 0;
      break;
    }
  }
  std::fclose(file);
  return ok;
}
}  // namespace

bool WriteFile(const std::string& filename, const MemoryImages& images, int32_t Config,
               int16_t Off) {
  const bool setup = Config == kConfiguration;
  const int32_t length = setup ? images.SetupLen : images.AcqLen;
  if (Off < 0 || length - Off < 1) return false;  // nothing to save
  const std::span<const uint8_t> image =
      setup ? std::span<const uint8_t>(images.SetupMem) : std::span<const uint8_t>(images.AcqMem);
  std::string content =
      Mem2Hex(image, MemoryImages::base(Config), Off, static_cast<int16_t>(length - Off));
  if (content.empty()) return false;
  content += "\r\n";
  return replaceFile(filename, content);
}

bool ReadFile(const std::string& filename, MemoryImages& images, int32_t Config, Operator* op) {
  std::string line;
  int16_t& length = images.length(Config);
  if (!readFirstLine(filename, line)) {
    // A load replaces the image even when it fails.
    ClearMem(images.image(Config));
    length = 0;
    return false;
  }
  length = Hex2Mem(line, images.image(Config), MemoryImages::base(Config), op);
  return length >= 1;
}

std::string KindWord(int32_t Config) {
  return Config == kConfiguration ? "Configuration" : "Acquisition";
}

std::string KindExtension(int32_t Config) { return Config == kConfiguration ? "cnf" : "dat"; }

std::string NameWithoutExtension(const std::string& name) {
  const size_t dot = name.find('.');
  if (dot != std::string::npos && name.size() >= 4 && dot == name.size() - 4) {
    return name.substr(0, name.size() - 4);
  }
  return name;
}

bool SaveWholeFile(const std::string& filename, std::string_view content) {
  return replaceFile(filename, content);
}
