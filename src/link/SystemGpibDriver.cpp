#include "link/SystemGpibDriver.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>

#ifdef _WIN32
#include <windows.h>
#define GPIB_CALL __stdcall
#else
#include <dlfcn.h>
#define GPIB_CALL
#endif

// The calls as each library declares them. Only the byte count of ibwrt and ibrd and the
// width of the count word differ, but calling through the wrong type is undefined, so each
// library is called through its own declarations.
namespace linuxgpib {  // linux-gpib's gpib/ib.h
using Ibdev = int (*)(int, int, int, int, int, int);
using Ud = int (*)(int);
using Ibwrt = int (*)(int, const void*, long);
using Ibrd = int (*)(int, void*, long);
using Ibonl = int (*)(int, int);
using Word = int (*)();
using WideWord = long (*)();
using Register = int (*)(int*, int*, int*, long*);
using Unregister = int (*)();
}  // namespace linuxgpib

namespace ni4882 {  // ni4882.h
using Ibdev = int(GPIB_CALL*)(int, int, int, int, int, int);
using Ud = int(GPIB_CALL*)(int);
using Ibwrt = int(GPIB_CALL*)(int, const void*, size_t);
using Ibrd = int(GPIB_CALL*)(int, void*, size_t);
using Ibonl = int(GPIB_CALL*)(int, int);
using Word = int(GPIB_CALL*)();
using WideWord = unsigned long(GPIB_CALL*)();
using Register = int(GPIB_CALL*)(int*, int*, int*, long*);
using Unregister = int(GPIB_CALL*)();
}  // namespace ni4882

namespace niclassic {  // gpib-32's ni488.h, also followed by other vendors' libraries
using Ibdev = int(GPIB_CALL*)(int, int, int, int, int, int);
using Ud = int(GPIB_CALL*)(int);
using Ibwrt = int(GPIB_CALL*)(int, void*, long);
using Ibrd = int(GPIB_CALL*)(int, void*, long);
using Ibonl = int(GPIB_CALL*)(int, int);
using Word = int(GPIB_CALL*)();
using WideWord = long(GPIB_CALL*)();
using Register = int(GPIB_CALL*)(int*, int*, int*, long*);
using Unregister = int(GPIB_CALL*)();
}  // namespace niclassic

struct SystemGpibDriver::Entries {
  void* ibdev = nullptr;
  void* ibclr = nullptr;
  void* ibwrt = nullptr;
  void* ibrd = nullptr;
  void* ibloc = nullptr;
  void* ibonl = nullptr;
  void* threadIbsta = nullptr;
  void* threadIberr = nullptr;
  void* threadIbcnt = nullptr;
  void* threadIbcntl = nullptr;
  void* registerGlobals = nullptr;
  void* unregisterGlobals = nullptr;
};

namespace {
constexpr int kRegisterFailedStatus = 32768;
constexpr uint32_t kRegisterFailedCount = 0xDEAD37F0u;

template <typename F>
F as(void* entry) {
  return reinterpret_cast<F>(entry);
}

// Calls entry through the declaration named Type in the namespace of the library's flavour.
#define GPIB_DISPATCH(flavour, Type, entry, ...)                             \
  ((flavour) == Flavour::LinuxGpib ? as<linuxgpib::Type>(entry)(__VA_ARGS__) \
   : (flavour) == Flavour::Ni4882  ? as<ni4882::Type>(entry)(__VA_ARGS__)    \
                                   : as<niclassic::Type>(entry)(__VA_ARGS__))

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

struct LoadError {
  std::string description;
  bool fileNotFound;
};

void* openLibrary(const std::string& path, std::optional<LoadError>& error) {
#ifdef _WIN32
  HMODULE h = LoadLibraryA(path.c_str());
  if (h == nullptr) {
    const DWORD code = GetLastError();
    const bool missing =
        code == ERROR_MOD_NOT_FOUND || code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
    error = LoadError{missing ? "File not found: " + path
                              : "Cannot load " + path + " (error " + std::to_string(code) + ")",
                      missing};
  }
  return reinterpret_cast<void*>(h);
#else
  void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (h == nullptr) {
    const char* why = dlerror();
    const std::string reason = why != nullptr ? why : "unknown error";
    // A bare name is looked up by the loader, which says so when nothing matches; a path
    // either exists or it does not.
    const bool missing = path.find('/') != std::string::npos
                             ? !std::filesystem::exists(path)
                             : reason.find("No such file") != std::string::npos;
    error = LoadError{missing ? "File not found: " + path : reason, missing};
  }
  return h;
#endif
}

void closeLibrary(void* handle) {
#ifdef _WIN32
  FreeLibrary(reinterpret_cast<HMODULE>(handle));
#else
  dlclose(handle);
#endif
}

void* entryOf(void* handle, const char* name) {
#ifdef _WIN32
  return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(handle), name));
#else
  return dlsym(handle, name);
#endif
}

int16_t lowWordToInt(int64_t value) {
  return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint64_t>(value) & 0xFFFFu));
}
}  // namespace

SystemGpibDriver::~SystemGpibDriver() { unload(); }

std::vector<std::string> SystemGpibDriver::CandidateLibraries() {
  if (const char* over = std::getenv(kLibraryVariable); over != nullptr && *over != '\0') {
    return {over};
  }
#ifdef _WIN32
  return {"ni4882.dll", "gpib-32.dll"};
#else
  return {"libgpib.so.0", "libni4882.so", "libgpibapi.so"};
#endif
}

SystemGpibDriver::Flavour SystemGpibDriver::FlavourOf(const std::string& path) {
  const std::string name = lower(std::filesystem::path(path).filename().string());
  if (name.find("ni4882") != std::string::npos) return Flavour::Ni4882;
  if (name.rfind("libgpib.so", 0) == 0) return Flavour::LinuxGpib;
  return Flavour::NiClassic;
}

std::string SystemGpibDriver::prepare() {
  try {
    load();
    return {};
  } catch (const DriverUnavailable& e) {
    return e.shownText();
  }
}

void SystemGpibDriver::load() {
  if (handle_ != nullptr) return;
  std::optional<LoadError> firstNotFound;
  std::optional<LoadError> firstOther;
  for (const std::string& path : CandidateLibraries()) {
    std::optional<LoadError> error;
    try {
      tryLoad(path);
      return;
    } catch (const DriverUnavailable& e) {
      error = LoadError{e.what(), e.fileNotFound};
    }
    // A library that is there but unusable says more than one that is simply absent.
    std::optional<LoadError>& slot = error->fileNotFound ? firstNotFound : firstOther;
    if (!slot) slot = error;
  }
  if (firstOther) throw DriverUnavailable(firstOther->description, false);
  throw DriverUnavailable(firstNotFound ? firstNotFound->description : "No GPIB library", true);
}

void SystemGpibDriver::tryLoad(const std::string& path) {
  std::optional<LoadError> error;
  void* handle = openLibrary(path, error);
  if (handle == nullptr) throw DriverUnavailable(error->description, error->fileNotFound);

  auto entries = std::make_unique<Entries>();
  auto need = [&](const char* name) {
    void* e = entryOf(handle, name);
    if (e == nullptr) {
      closeLibrary(handle);
      throw DriverUnavailable(std::string("Can't find DLL entry point ") + name + " in " + path,
                              false);
    }
    return e;
  };
  entries->ibdev = need("ibdev");
  entries->ibclr = need("ibclr");
  entries->ibwrt = need("ibwrt");
  entries->ibrd = need("ibrd");
  entries->ibloc = need("ibloc");
  entries->ibonl = need("ibonl");
  entries->registerGlobals = entryOf(handle, "RegisterGpibGlobalsForThread");
  entries->unregisterGlobals = entryOf(handle, "UnregisterGpibGlobalsForThread");
  entries->threadIbsta = entryOf(handle, "ThreadIbsta");
  entries->threadIberr = entryOf(handle, "ThreadIberr");
  entries->threadIbcnt = entryOf(handle, "ThreadIbcnt");
  entries->threadIbcntl = entryOf(handle, "ThreadIbcntl");
  if (entries->registerGlobals == nullptr) {
    // Without registration the status must come from the per-thread functions.
    need("ThreadIbsta");
    need("ThreadIberr");
    if (entries->threadIbcntl == nullptr) need("ThreadIbcnt");
  }

  handle_ = handle;
  path_ = path;
  flavour_ = FlavourOf(path);
  entries_ = entries.release();
  StatusRegistered_ = false;
}

void SystemGpibDriver::unload() {
  if (handle_ == nullptr) return;
  // The library must not go on writing into words that are about to disappear.
  if (StatusRegistered_ && entries_->unregisterGlobals != nullptr) {
    GPIB_DISPATCH(flavour_, Unregister, entries_->unregisterGlobals);
  }
  StatusRegistered_ = false;
  delete entries_;
  entries_ = nullptr;
  closeLibrary(handle_);
  handle_ = nullptr;
}

void SystemGpibDriver::RegisterStatusWords() {
  if (StatusRegistered_ || entries_->registerGlobals == nullptr) return;
  auto reg = [this] {
    return GPIB_DISPATCH(flavour_, Register, entries_->registerGlobals, &StatusLong_, &ErrorLong_,
                         &CountLong_, &CountLongLong_);
  };
  auto unreg = [this] {
    if (entries_->unregisterGlobals != nullptr) {
      GPIB_DISPATCH(flavour_, Unregister, entries_->unregisterGlobals);
    }
  };
  const int result = reg();
  registrationFailed_ = false;
  if (result == 0) {
    StatusRegistered_ = true;
  } else if (result == 1) {
    unreg();
    reg();
    StatusRegistered_ = true;
  } else {
    if (result == 2 || result == 3) unreg();
    registrationFailed_ = true;
  }
}

void SystemGpibDriver::CopyStatusWords() {
  if (StatusRegistered_) {
    status_.ibsta = lowWordToInt(StatusLong_);
    status_.iberr = static_cast<int16_t>(ErrorLong_);
    status_.ibcntl = static_cast<int32_t>(CountLongLong_);
    status_.ibcnt = lowWordToInt(status_.ibcntl);
    return;
  }
  if (entries_->threadIbsta != nullptr && entries_->threadIberr != nullptr &&
      (entries_->threadIbcntl != nullptr || entries_->threadIbcnt != nullptr)) {
    status_.ibsta = lowWordToInt(GPIB_DISPATCH(flavour_, Word, entries_->threadIbsta));
    status_.iberr = static_cast<int16_t>(GPIB_DISPATCH(flavour_, Word, entries_->threadIberr));
    if (entries_->threadIbcntl != nullptr) {
      status_.ibcntl = static_cast<int32_t>(
          static_cast<int64_t>(GPIB_DISPATCH(flavour_, WideWord, entries_->threadIbcntl)));
    } else {
      status_.ibcntl = GPIB_DISPATCH(flavour_, Word, entries_->threadIbcnt);
    }
    status_.ibcnt = lowWordToInt(status_.ibcntl);
    return;
  }
  if (registrationFailed_) {
    // Registration refused and no other way to learn the outcome: the call counts as failed
    // rather than passing stale words off as success.
    status_.ibsta = lowWordToInt(kRegisterFailedStatus);
    status_.iberr = 0;
    status_.ibcntl = static_cast<int32_t>(kRegisterFailedCount);
    status_.ibcnt = lowWordToInt(status_.ibcntl);
  }
}

int16_t SystemGpibDriver::ibdev(int16_t board, int16_t pad, int16_t sad, int16_t tmo, int16_t eot,
                                int16_t eos) {
  load();
  RegisterStatusWords();
  const int r = GPIB_DISPATCH(flavour_, Ibdev, entries_->ibdev, board, pad, sad, tmo, eot, eos);
  CopyStatusWords();
  return static_cast<int16_t>(r);
}

int16_t SystemGpibDriver::ibclr(int16_t ud) {
  load();
  RegisterStatusWords();
  const int r = GPIB_DISPATCH(flavour_, Ud, entries_->ibclr, ud);
  CopyStatusWords();
  return static_cast<int16_t>(r);
}

int16_t SystemGpibDriver::ibwrt(int16_t ud, const std::string& data) {
  load();
  RegisterStatusWords();
  // The classic declaration takes a non-const buffer; it only reads it.
  std::string bytes = data;
  int r = 0;
  switch (flavour_) {
    case Flavour::LinuxGpib:
      r = as<linuxgpib::Ibwrt>(entries_->ibwrt)(ud, bytes.data(), static_cast<long>(bytes.size()));
      break;
    case Flavour::Ni4882:
      r = as<ni4882::Ibwrt>(entries_->ibwrt)(ud, bytes.data(), bytes.size());
      break;
    case Flavour::NiClassic:
      r = as<niclassic::Ibwrt>(entries_->ibwrt)(ud, bytes.data(), static_cast<long>(bytes.size()));
      break;
  }
  CopyStatusWords();
  return static_cast<int16_t>(r);
}

int16_t SystemGpibDriver::ibrd(int16_t ud, char* buffer, int32_t count) {
  load();
  RegisterStatusWords();
  const int32_t n = std::max<int32_t>(count, 0);
  int r = 0;
  switch (flavour_) {
    case Flavour::LinuxGpib:
      r = as<linuxgpib::Ibrd>(entries_->ibrd)(ud, buffer, static_cast<long>(n));
      break;
    case Flavour::Ni4882:
      r = as<ni4882::Ibrd>(entries_->ibrd)(ud, buffer, static_cast<size_t>(n));
      break;
    case Flavour::NiClassic:
      r = as<niclassic::Ibrd>(entries_->ibrd)(ud, buffer, static_cast<long>(n));
      break;
  }
  CopyStatusWords();
  return static_cast<int16_t>(r);
}

int16_t SystemGpibDriver::ibloc(int16_t ud) {
  load();
  RegisterStatusWords();
  const int r = GPIB_DISPATCH(flavour_, Ud, entries_->ibloc, ud);
  CopyStatusWords();
  return static_cast<int16_t>(r);
}

int16_t SystemGpibDriver::ibonl(int16_t ud, int16_t v) {
  load();
  RegisterStatusWords();
  const int r = GPIB_DISPATCH(flavour_, Ibonl, entries_->ibonl, ud, v);
  CopyStatusWords();
  return static_cast<int16_t>(r);
}
