#pragma once
// The system's GPIB library (NI-488.2 or linux-gpib), loaded at run time on first use and
// never linked, so that the program starts on machines without it. A library that cannot
// be loaded, or lacks one of the calls, raises DriverUnavailable from the call that needed
// it.
#include <cstdint>
#include <string>
#include <vector>

#include "link/GpibDriver.h"

class SystemGpibDriver : public GpibDriver {
 public:
  SystemGpibDriver() = default;
  ~SystemGpibDriver() override;
  SystemGpibDriver(const SystemGpibDriver&) = delete;
  SystemGpibDriver& operator=(const SystemGpibDriver&) = delete;

  int16_t ibdev(int16_t board, int16_t pad, int16_t sad, int16_t tmo, int16_t eot,
                int16_t eos) override;
  int16_t ibclr(int16_t ud) override;
  int16_t ibwrt(int16_t ud, const std::string& data) override;
  int16_t ibrd(int16_t ud, char* buffer, int32_t count) override;
  int16_t ibloc(int16_t ud) override;
  int16_t ibonl(int16_t ud, int16_t v) override;
  const GpibStatus& status() const override { return status_; }
  std::string prepare() override;

  // Loads the library if it is not loaded yet; throws DriverUnavailable when it cannot.
  void load();
  bool loaded() const { return handle_ != nullptr; }
  const std::string& libraryPath() const { return path_; }

  // The libraries tried in order: the LOGIREM_GPIB_LIBRARY override alone when it is set,
  // else the platform's list.
  static std::vector<std::string> CandidateLibraries();
  static constexpr const char* kLibraryVariable = "LOGIREM_GPIB_LIBRARY";

  // How the library's calls are declared; the byte-count argument differs between them.
  enum class Flavour { LinuxGpib, Ni4882, NiClassic };
  static Flavour FlavourOf(const std::string& path);

 private:
  struct Entries;
  void tryLoad(const std::string& path);
  void RegisterStatusWords();
  void CopyStatusWords();
  void unload();

  void* handle_ = nullptr;
  std::string path_;
  Flavour flavour_ = Flavour::NiClassic;
  Entries* entries_ = nullptr;

  // The words the library updates after every call when they are registered with it.
  int StatusLong_ = 0;
  int ErrorLong_ = 0;
  int CountLong_ = 0;
  long CountLongLong_ = 0;  // ibcntl, as wide as the library's long
  bool StatusRegistered_ = false;
  bool registrationFailed_ = false;
  GpibStatus status_;
};
