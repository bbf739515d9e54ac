#pragma once
// A "++" GPIB adapter with the simulated analyser behind it, for tests and demonstrations
// without hardware (logiremctl serve). It speaks the commands instrument programs use,
// answers the query form of each setting, escapes, EOI and the end-of-transmission
// character, its read timeout (capped as on the real adapter), and can misbehave on demand.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "adapter/HostLines.h"
#include "sim/SimAnalyser.h"

class ByteStream;

struct EmulatorOptions {
  int16_t pad = 7;     // where the analyser answers
  int16_t sad = 0;     // 0: no secondary address
  bool ar488 = false;  // answer as an AR488 rather than the original
  int bootMs = 0;      // AR488: start-up time on each connection before its banner
  // Faults.
  bool noDevice = false;      // nothing answers at any address
  int replyDelayMs = 0;       // a reply starts only this long after its query
  long dropAfterBytes = -1;   // the connection is dropped after sending this many bytes
  int restartAfterLocal = 0;  // restarts (settings lost, banner) after every Nth "++loc"
  // Waits (timeouts, start-up, reply delays) take no time: for a fuzzer's scripted host.
  bool instant = false;
};

class AdapterEmulator {
 public:
  explicit AdapterEmulator(const EmulatorOptions& options);

  SimAnalyser& analyser() { return analyser_; }
  // Serves one client until it goes away, the connection is dropped, or stop is set.
  void serveClient(ByteStream& stream, const std::atomic<bool>& stop, bool serial);
  // Listens at "tcp:[HOST:]PORT" (127.0.0.1 unless a host is given; port 0 picks one) or
  // "pty" (a new pseudo-terminal), tells listening the port name clients use, and serves
  // them one after another until stop is set. Over TCP, clients that connect within
  // kSameMomentMs of the one being served wait their turn in order; a later one is closed
  // at once, since the adapter serves one client. False with the reason when it cannot listen.
  bool serve(const std::string& listen, const std::atomic<bool>& stop,
             const std::function<void(const std::string&)>& listening, std::string& why);

  std::string version() const;

  static constexpr int kSameMomentMs = 500;
  static constexpr size_t kMaxWaiting = 8;

 private:
  struct Settings {
    int mode = 1, autoRead = 0, eos = 0, eoi = 1, eotEnable = 0, eotChar = 0;
    int readTmoMs = 1200, saveCfg = 1, pad = 10, sadCode = 0;
  };
  // Settings back to their defaults and the banner printed, as after a reset.
  void restart();
  void command(const std::string& line);
  void data(const std::string& text);
  void readReply(int until);  // until: -1 for EOI, else the character that ends the read
  void out(const std::string& bytes);
  bool present() const;
  void pause(int ms);

  EmulatorOptions options_;
  SimAnalyser analyser_;
  Settings settings_;
  HostLines lines_;
  ByteStream* stream_ = nullptr;
  const std::atomic<bool>* stop_ = nullptr;
  bool serial_ = false;
  bool dropped_ = false;
  long sent_ = 0;
  int locals_ = 0;
  std::chrono::steady_clock::time_point replyReady_{};
  std::function<void()> between_;  // called between reads while a client is served
};
