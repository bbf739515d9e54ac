#pragma once
// The six NI-488.2 calls the program makes, with the driver's status words. Back ends: the
// system GPIB library loaded at run time, a "++" USB/Ethernet adapter, and the simulated
// analyser.
#include <cstdint>
#include <stdexcept>
#include <string>

struct GpibStatus {
  int16_t ibsta = 0;
  int16_t iberr = 0;
  int16_t ibcnt = 0;
  int32_t ibcntl = 0;
  static constexpr int16_t kErr = static_cast<int16_t>(0x8000);
  static constexpr int16_t kEnd = 0x2000;
  bool failed() const { return (ibsta & kErr) != 0; }  // bit 15
  bool ended() const { return (ibsta & kEnd) != 0; }   // bit 13: a read met the reply's end
};

// Raised by a call when the driver library cannot be used at all (missing file or entry).
struct DriverUnavailable : std::runtime_error {
  DriverUnavailable(const std::string& description, bool notFound)
      : std::runtime_error(description), fileNotFound(notFound) {}
  bool fileNotFound;  // the library file itself is missing
  // The message the operator sees: the description, and the remedy when the file is missing.
  std::string shownText() const {
#ifdef _WIN32
    const char* remedy = "\rInstall National Instruments drivers";
#else
    const char* remedy = "\rInstall the Linux GPIB library (linux-gpib, libgpib.so.0)";
#endif
    return fileNotFound ? std::string(what()) + remedy : what();
  }
};

class GpibDriver {
 public:
  virtual ~GpibDriver() = default;
  // Each call returns the driver's result and leaves the status words in status().
  virtual int16_t ibdev(int16_t board, int16_t pad, int16_t sad, int16_t tmo, int16_t eot,
                        int16_t eos) = 0;
  virtual int16_t ibclr(int16_t ud) = 0;
  virtual int16_t ibwrt(int16_t ud, const std::string& data) = 0;
  // Reads at most `count` bytes into buffer; status().ibcntl holds the number received.
  virtual int16_t ibrd(int16_t ud, char* buffer, int32_t count) = 0;
  virtual int16_t ibloc(int16_t ud) = 0;
  virtual int16_t ibonl(int16_t ud, int16_t v) = 0;
  virtual const GpibStatus& status() const = 0;
  // Makes the back end ready for use (loads its library, opens its port) and says why it
  // cannot be used: empty text when it can. Never throws.
  virtual std::string prepare() { return {}; }
  // Why the last call failed, in words for the operator ("the port was refused", "no device
  // answers at PAD 7"); empty when the back end cannot say more than its status words.
  virtual std::string lastProblem() const { return {}; }
};
