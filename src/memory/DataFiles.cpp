#include "memory/DataFiles.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string_view>
#include <system_error>

#include "memory/HexCodec.h"
#include "memory/MemoryImages.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#endif

namespace {
namespace fs = std::filesystem;

// A first line longer than this is not a memory of the analyser (a full acquisition image
// is about 57 KB of frames); it is refused before it is read whole.
constexpr size_t kMaxLine = size_t{1} << 20;

// The few file calls the save needs, on each platform. A file is a descriptor; mode is the
// permission set of POSIX systems (Windows files have none to keep). Each failing call leaves
// the system's reason in why.
std::string reasonOf(int error) { return std::generic_category().message(error); }

#ifdef _WIN32
using FileMode = int;
constexpr FileMode kNewFileMode = _S_IREAD | _S_IWRITE;
struct Owner {
  FileMode mode = kNewFileMode;
  bool known = false;
};
int openNew(const fs::path& path, FileMode mode) {
  return ::_wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, mode);
}
int openSpecial(const fs::path& path, std::string& why) {
  const int fd = ::_wopen(path.c_str(), _O_WRONLY | _O_BINARY | _O_NOINHERIT);
  if (fd < 0) why = reasonOf(errno);
  return fd;
}
long long writeSome(int fd, std::string_view data) {
  return ::_write(fd, data.data(), static_cast<unsigned>(std::min<size_t>(data.size(), 1u << 30)));
}
Owner ownerOf(const fs::path&) { return {}; }
bool keepOwner(int, const Owner&) { return true; }
bool syncFile(int fd) { return ::_commit(fd) == 0; }
bool closeFile(int fd) { return ::_close(fd) == 0; }
// Renaming onto an existing file needs the replace flag on Windows; write-through makes the
// new name reach the disk before the call returns.
bool renameOver(const fs::path& from, const fs::path& to, std::string& why) {
  if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  why = std::system_category().message(static_cast<int>(::GetLastError()));
  return false;
}
unsigned long processId() { return ::GetCurrentProcessId(); }
// Console interrupts end the process without running anything of ours here.
void armCleanup(const fs::path&) {}
void disarmCleanup() {}
#else
using FileMode = mode_t;
constexpr FileMode kNewFileMode = 0666;  // the usual permissions, less the umask
struct Owner {
  FileMode mode = kNewFileMode;
  uid_t uid = 0;
  gid_t gid = 0;
  bool known = false;
};
int openNew(const fs::path& path, FileMode mode) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
}
// A pipe nobody reads would block the open for ever; without blocking it fails at once.
int openSpecial(const fs::path& path, std::string& why) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    why = errno == ENXIO ? "no program is reading from the pipe" : reasonOf(errno);
    return fd;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}
long long writeSome(int fd, std::string_view data) { return ::write(fd, data.data(), data.size()); }
Owner ownerOf(const fs::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  return {static_cast<FileMode>(st.st_mode & 07777), st.st_uid, st.st_gid, true};
}
// The file replaced keeps its owner and group where the process may give them (root may,
// others only a group of their own), and its mode, which the umask and a change of owner
// may have narrowed.
bool keepOwner(int fd, const Owner& owner) {
  if (::fchown(fd, owner.uid, owner.gid) != 0)
    (void)::fchown(fd, static_cast<uid_t>(-1), owner.gid);
  return ::fchmod(fd, owner.mode) == 0;
}
bool syncFile(int fd) { return ::fsync(fd) == 0; }
bool closeFile(int fd) { return ::close(fd) == 0; }
bool renameOver(const fs::path& from, const fs::path& to, std::string& why) {
  if (::rename(from.c_str(), to.c_str()) == 0) return true;
  why = reasonOf(errno);
  return false;
}
unsigned long processId() { return static_cast<unsigned long>(::getpid()); }

// An interrupt or termination in the middle of a save must not leave the temporary file
// behind. While a save runs, SIGINT and SIGTERM that would end the process remove it first;
// a program that handles them itself gets them as before and the save finishes normally.
// Only async-signal-safe calls happen in the handler.
constexpr int kCleanupSignals[] = {SIGINT, SIGTERM};
struct CleanupSlot {
  std::atomic<bool> taken{false};  // by a save, which alone writes the path
  std::atomic<bool> armed{false};  // the path is whole: the handler may remove it
  char path[4096] = {};
};
CleanupSlot cleanupSlots[8];
struct sigaction previousActions[2];
std::mutex cleanupLock;
int savesRunning = 0;
thread_local CleanupSlot* ownSlot = nullptr;

void removeTemporaries(int signal, siginfo_t* info, void* context) {
  const struct sigaction& previous = previousActions[signal == SIGINT ? 0 : 1];
  if (previous.sa_handler != SIG_DFL) {
    if ((previous.sa_flags & SA_SIGINFO) != 0) {
      previous.sa_sigaction(signal, info, context);
    } else {
      previous.sa_handler(signal);
    }
    return;
  }
  for (CleanupSlot& slot : cleanupSlots) {
    if (slot.armed.load()) ::unlink(slot.path);
  }
  ::sigaction(signal, &previous, nullptr);
  ::raise(signal);  // delivered once this handler returns: the process ends as it would have
}

void armCleanup(const fs::path& temp) {
  const std::string& name = temp.native();
  for (CleanupSlot& slot : cleanupSlots) {
    bool free = false;
    if (name.size() >= sizeof slot.path || !slot.taken.compare_exchange_strong(free, true))
      continue;
    std::memcpy(slot.path, name.c_str(), name.size() + 1);
    slot.armed = true;
    ownSlot = &slot;
    break;
  }
  const std::lock_guard<std::mutex> hold(cleanupLock);
  if (savesRunning++ > 0) return;
  for (size_t k = 0; k < 2; ++k) {
    ::sigaction(kCleanupSignals[k], nullptr, &previousActions[k]);
    // An ignored signal ends nothing and needs no cleaning up.
    if (previousActions[k].sa_handler == SIG_IGN) continue;
    struct sigaction ours {};
    ours.sa_sigaction = removeTemporaries;
    ours.sa_flags = SA_SIGINFO | (previousActions[k].sa_flags & SA_RESTART);
    ours.sa_mask = previousActions[k].sa_mask;
    ::sigaction(kCleanupSignals[k], &ours, nullptr);
  }
}

void disarmCleanup() {
  if (ownSlot != nullptr) {
    ownSlot->armed = false;
    ownSlot->taken = false;
    ownSlot = nullptr;
  }
  const std::lock_guard<std::mutex> hold(cleanupLock);
  if (--savesRunning > 0) return;
  for (size_t k = 0; k < 2; ++k) {
    if (previousActions[k].sa_handler != SIG_IGN)
      ::sigaction(kCleanupSignals[k], &previousActions[k], nullptr);
  }
}
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
bool writeInPlace(const fs::path& target, std::string_view content, std::string& why) {
  const int fd = openSpecial(target, why);
  if (fd < 0) return false;
  bool ok = writeAll(fd, content);
  if (!ok) why = reasonOf(errno);
  if (!closeFile(fd) && ok) {
    why = reasonOf(errno);
    ok = false;
  }
  return ok;
}

// The file a name stands for: a chain of symbolic links is followed to its end, whether or
// not that exists yet, so that saving through a link writes (or creates) the file it points
// to and keeps the link.
fs::path finalTarget(fs::path path, std::string& why) {
  std::error_code ec;
  for (int hops = 0; fs::is_symlink(path, ec); ++hops) {
    if (hops == 40) {
      why = reasonOf(ELOOP);
      return {};
    }
    const fs::path to = fs::read_symlink(path, ec);
    if (ec) {
      why = ec.message();
      return {};
    }
    path = to.is_absolute() ? to : path.parent_path() / to;
  }
  return path;
}

// A name for the temporary file beside the target: the start of the target's name, so that
// one left by a crash can be told, cut short enough that the suffix never makes the name
// longer than the file system allows.
fs::path temporaryFor(const fs::path& target) {
  static std::atomic<unsigned> serial{0};
  auto stem = target.filename().native();
  if (stem.size() > 200) stem.resize(200);
  fs::path temp = target.parent_path() / stem;
  temp += ".tmp" + std::to_string(processId()) + "-" + std::to_string(serial.fetch_add(1));
  return temp;
}

// Writes the content to a fresh file beside the target and renames it over the target, so
// the target holds either its old content or the complete new one. Empty text, or why not.
std::string replaceFile(const std::string& target, std::string_view content) {
  std::string why;
  const fs::path path = finalTarget(target, why);
  if (!why.empty()) return why;
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  Owner owner;
  if (fs::exists(status)) {
    if (fs::is_directory(status)) return reasonOf(EISDIR);
    if (!fs::is_regular_file(status)) return writeInPlace(path, content, why) ? "" : why;
    owner = ownerOf(path);
  }

  const fs::path temp = temporaryFor(path);
  armCleanup(temp);
  const int fd = openNew(temp, owner.mode);
  if (fd < 0) {
    why = reasonOf(errno);
    disarmCleanup();
    return why;
  }
  const auto failed = [&why] {
    if (why.empty()) why = reasonOf(errno);
    return false;
  };
  bool ok = writeAll(fd, content) || failed();
  if (ok && owner.known) ok = keepOwner(fd, owner) || failed();
  ok = (syncFile(fd) || failed()) && ok;
  ok = (closeFile(fd) || failed()) && ok;
  if (ok) ok = renameOver(temp, path, why);
  if (!ok) fs::remove(temp, ec);
  disarmCleanup();
  return ok ? "" : why;
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

bool WriteFile(const std::string& filename, const MemoryImages& images, int32_t Config, int16_t Off,
               std::string* why) {
  const bool setup = Config == kConfiguration;
  const int32_t length = setup ? images.SetupLen : images.AcqLen;
  if (Off < 0 || length - Off < 1) {
    if (why != nullptr) *why = "nothing to save";
    return false;
  }
  const std::span<const uint8_t> image =
      setup ? std::span<const uint8_t>(images.SetupMem) : std::span<const uint8_t>(images.AcqMem);
  std::string content =
      Mem2Hex(image, MemoryImages::base(Config), Off, static_cast<int16_t>(length - Off));
  if (content.empty()) {
    if (why != nullptr) *why = "nothing to save";
    return false;
  }
  content += "\r\n";
  return SaveWholeFile(filename, content, why);
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

bool SaveWholeFile(const std::string& filename, std::string_view content, std::string* why) {
  std::string reason = replaceFile(filename, content);
  if (why != nullptr) *why = reason;
  return reason.empty();
}
