#include "memory/DataFiles.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string_view>

#include "memory/HexCodec.h"
#include "memory/MemoryImages.h"
#include "model/AcqModel.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
namespace fs = std::filesystem;

// A first line longer than this is not a memory of the analyser (a full acquisition image
// is about 57 KB of frames); it is refused before it is read whole.
constexpr size_t kMaxLine = size_t{1} << 20;

// The few file calls the save needs, on each platform. A file is a descriptor; mode is the
// permission set of POSIX systems (Windows files have none to keep).
#ifdef _WIN32
using FileMode = int;
constexpr FileMode kNewFileMode = _S_IREAD | _S_IWRITE;
int openNew(const fs::path& path, FileMode mode) {
  return ::_wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, mode);
}
int openExisting(const fs::path& path) {
  return ::_wopen(path.c_str(), _O_WRONLY | _O_TRUNC | _O_BINARY | _O_NOINHERIT);
}
long long writeSome(int fd, std::string_view data) {
  return ::_write(fd, data.data(), static_cast<unsigned>(std::min<size_t>(data.size(), 1u << 30)));
}
bool existingMode(const fs::path&, FileMode&) { return false; }
bool keepMode(int, FileMode) { return true; }
bool syncFile(int fd) { return ::_commit(fd) == 0; }
bool closeFile(int fd) { return ::_close(fd) == 0; }
// Renaming onto an existing file needs the replace flag on Windows; write-through makes the
// new name reach the disk before the call returns.
bool renameOver(const fs::path& from, const fs::path& to) {
  return ::MoveFileExW(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
unsigned long processId() { return ::GetCurrentProcessId(); }
#else
using FileMode = mode_t;
constexpr FileMode kNewFileMode = 0666;  // the usual permissions, less the umask
int openNew(const fs::path& path, FileMode mode) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
}
int openExisting(const fs::path& path) {
  return ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
}
long long writeSome(int fd, std::string_view data) { return ::write(fd, data.data(), data.size()); }
bool existingMode(const fs::path& path, FileMode& mode) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  mode = st.st_mode & 07777;
  return true;
}
// The umask may have narrowed the mode the new file was created with.
bool keepMode(int fd, FileMode mode) { return ::fchmod(fd, mode) == 0; }
bool syncFile(int fd) { return ::fsync(fd) == 0; }
bool closeFile(int fd) { return ::close(fd) == 0; }
bool renameOver(const fs::path& from, const fs::path& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}
unsigned long processId() { return static_cast<unsigned long>(::getpid()); }
#endif

bool writeAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const long long n = writeSome(fd, data);
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
bool writeInPlace(const fs::path& target, std::string_view content) {
  const int fd = openExisting(target);
  if (fd < 0) return false;
  const bool ok = writeAll(fd, content);
  return closeFile(fd) && ok;
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
  FileMode mode = kNewFileMode;
  bool sameMode = false;
  if (fs::exists(status)) {
    if (fs::is_directory(status)) return false;
    if (!fs::is_regular_file(status)) return writeInPlace(path, content);
    sameMode = existingMode(path, mode);
  }

  static std::atomic<unsigned> serial{0};
  fs::path temp = path;
  temp += ".tmp" + std::to_string(processId()) + "-" + std::to_string(serial.fetch_add(1));
  const int fd = openNew(temp, mode);
  if (fd < 0) return false;
  bool ok = writeAll(fd, content);
  if (ok && sameMode) ok = keepMode(fd, mode);
  ok = syncFile(fd) && ok;
  ok = closeFile(fd) && ok;
  if (ok) ok = renameOver(temp, path);
  if (!ok) fs::remove(temp, ec);
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

bool CanOpen(const std::string& filename) {
  std::error_code ec;
  if (fs::is_directory(filename, ec)) return false;
  std::FILE* file = std::fopen(filename.c_str(), "rb");
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}

std::string CutOffWarning(const MemoryImages& images) {
  const int64_t announced = AcqModel(images.AcqMem).AnnouncedBytes();
  if (images.AcqLen >= announced) return {};
  return "holds " + std::to_string(images.AcqLen) + " of the " + std::to_string(announced) +
         " bytes its header announces; missing samples read as 0";
}

std::string KindWord(int32_t Config) {
  return Config == kConfiguration ? "Configuration" : "Acquisition";
}

std::string KindExtension(int32_t Config) { return Config == kConfiguration ? "cnf" : "dat"; }

namespace {
// Where the file name starts: after the last folder separator.
size_t fileNameStart(const std::string& name) {
  const size_t slash = name.find_last_of("/\\");
  return slash == std::string::npos ? 0 : slash + 1;
}
}  // namespace

std::string NameWithoutExtension(const std::string& name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot < fileNameStart(name)) return name;
  return name.substr(0, dot);
}

std::string NameWithExtension(const std::string& name, int32_t Config) {
  const size_t start = fileNameStart(name);
  if (start == name.size() || name.find('.', start) != std::string::npos) return name;
  return name + "." + KindExtension(Config);
}

bool SaveWholeFile(const std::string& filename, std::string_view content) {
  return replaceFile(filename, content);
}
