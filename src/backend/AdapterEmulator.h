#pragma once
// A "++" GPIB adapter with the simulated analyser behind it, for tests and demonstrations
// without hardware (logiremctl serve). It speaks the commands instrument programs use,
// answers the query form of each setting, escapes, EOI and the end-of-transmission
// character, its read timeout (capped as on the real adapter), and can misbehave on demand.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "adapter/HostLines.h"
#include "sim/SimAnalyser.h"

class ByteStream;

// The adapters as they are sold or built, each with the quirks of its firmware and board.
enum class AdapterModel {
  PrologixUsb,  // GPIB-USB 6.107: FTDI serial port, large buffers
  PrologixEth,  // GPIB-ETHERNET 1.6.6.0
  Ar488Uno,     // AR488 0.51.29 on an Uno or Nano: 63-byte receive buffer, 115200 baud
  Ar488Usb,     // AR488 0.51.29 on a board with native USB: no buffer limit
  Ar488Old,     // AR488 0.51.18 on an Uno: EOI after the last byte, no secondary address
  Clone,        // a Prologix GPIB-USB clone on a plain 115200-baud serial bridge
};

struct EmulatorOptions {
  int16_t pad = 7;  // where the analyser answers
  int16_t sad = 0;  // 0: no secondary address
  // Nothing: a Prologix, GPIB-USB on a serial line and GPIB-ETHERNET on TCP.
  std::optional<AdapterModel> model;
  // Start-up time on each connection: an AR488 then prints its banner, a Prologix ignores
  // what it gets meanwhile (about 5 s after power-up).
  int bootMs = 0;
  int baud = 0;                 // the serial line's rate for the models that have one; 0: their own
  bool verbose = false;         // AR488: starts in verbose mode (echo and prompts)
  int replyBytesPerSecond = 0;  // an instrument that hands its reply over this slowly
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
  // Every message the analyser received, as it was delimited on the bus (the last 1000).
  const std::deque<std::string>& messages() const { return messages_; }
  // Bytes the adapter lost because its receive buffer was full.
  long lostBytes() const { return lost_; }
  int eepromWrites() const { return eepromWrites_; }

  // Model names as logiremctl serve --model takes them.
  static std::optional<AdapterModel> ModelNamed(const std::string& name);

  static constexpr int kSameMomentMs = 500;
  static constexpr size_t kMaxWaiting = 8;

 private:
  struct Settings {
    int mode = 1, autoRead = 0, eos = 0, eoi = 1, eotEnable = 0, eotChar = 0;
    int readTmoMs = 1200, saveCfg = 1, pad = 10, sadCode = 0;
  };
  // Settings back to their defaults, as after a restart: the banner printed, or after a
  // reset of the original, its input ignored for a while.
  void restart(bool reset);
  void command(const std::string& line);
  void data(const std::string& text);
  void readReply(int until);  // until: -1 for EOI, else the character that ends the read
  void out(const std::string& bytes);
  bool present() const;
  // Waits while the firmware is busy; what the host sends meanwhile queues on the line.
  void pause(int ms);
  // Takes what the host sent into the line queue, each byte stamped with when it arrived.
  bool receive(int timeoutMs);
  // The firmware reads the next byte from its receive buffer (or finds it overflowed).
  void takeByte();
  // A byte on the bus to the analyser; eoi ends the message.
  void toBus(const std::string& bytes, bool eoi);
  bool isAr488() const;

  using Clock = std::chrono::steady_clock;
  struct Traits {
    size_t rxBuffer = 0;  // 0: never overflows
    int baud = 0;         // 0: a USB or network link, not paced
    int busUsPerByte = 0;
    bool cuts = false;          // data lines go out in pieces with EOI on each
    bool oldFirmware = false;   // EOI after the last byte; "++addr" ignores a SAD
    bool spollPrimary = false;  // "++spoll" polls the primary address only
    int modeMs = 0;             // "++mode" blocks this long
  };
  Traits traits_;

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
  std::deque<std::pair<char, Clock::time_point>> wire_;  // sent by the host, not yet taken
  std::deque<Clock::time_point> held_;  // when each byte in the receive buffer is taken
  Clock::time_point lastArrival_{}, firmwareFree_{}, deafUntil_{}, lineFree_{};
  std::string busMessage_;  // bytes on the bus since the last EOI
  std::deque<std::string> messages_;
  bool verbose_ = false;
  bool ended_ = false;  // the host went away
  bool busy_ = false;   // the line being carried out took the firmware's time
  long lost_ = 0;
  int eepromWrites_ = 0;
  std::function<void()> between_;  // called between reads while a client is served
};
