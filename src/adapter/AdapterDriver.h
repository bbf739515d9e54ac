#pragma once
// The driver back end for USB and Ethernet GPIB adapters that speak the "++" protocol
// (Prologix GPIB-USB and GPIB-ETHERNET, AR488, their clones). The port is opened once, on
// first use, and kept open until the back end is destroyed or the link fails (an AR488 on
// an Arduino restarts whenever its serial port is opened); a failed link is reopened by the
// next ibdev. Every failure is a status word with ERR set, never an exception or a hang.
#include <QElapsedTimer>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "adapter/ReplyCollector.h"
#include "link/GpibDriver.h"

class ByteStream;

class AdapterDriver : public GpibDriver {
 public:
  // trace, when given, receives every line to and from the adapter.
  explicit AdapterDriver(std::string portName, std::ostream* trace = nullptr);
  // On a stream of the caller's (a fuzzer's scripted adapter, say), used for the first open;
  // name is only shown.
  AdapterDriver(std::unique_ptr<ByteStream> stream, std::string name,
                std::ostream* trace = nullptr);
  ~AdapterDriver() override;
  AdapterDriver(const AdapterDriver&) = delete;
  AdapterDriver& operator=(const AdapterDriver&) = delete;

  // The board index is not used: an adapter is a bus of its own, chosen by its port. pad
  // 0..30; sad 0 for none, 1..30, or 96..126 as NI-488.2 writes secondary addresses.
  int16_t ibdev(int16_t board, int16_t pad, int16_t sad, int16_t tmo, int16_t eot,
                int16_t eos) override;
  int16_t ibclr(int16_t ud) override;
  int16_t ibwrt(int16_t ud, const std::string& data) override;
  int16_t ibrd(int16_t ud, char* buffer, int32_t count) override;
  int16_t ibloc(int16_t ud) override;
  int16_t ibonl(int16_t ud, int16_t v) override;
  const GpibStatus& status() const override { return status_; }
  // Opens the port and greets the adapter; the reason when that fails.
  std::string prepare() override;
  // Why the last call failed, for the operator; empty after a call that succeeded.
  std::string lastProblem() const override { return problem_; }

  enum class Kind { Unknown, Original, Ar488 };
  Kind kind() const { return kind_; }
  const std::string& version() const { return version_; }  // its "++ver" answer
  // An AR488's firmware version as one number (0.51.29 is 5129), 0 when unknown.
  int firmware() const { return firmware_; }
  static int FirmwareOf(const std::string& version);
  const std::string& portName() const { return portName_; }
  bool portOpen() const { return stream_ != nullptr; }
  // Why the port could not be opened the last time it was tried; empty once it opened.
  const std::string& portProblem() const { return portProblem_; }
  int portOpens() const { return portOpens_; }
  // Exchanges in which the driver waited for the adapter to answer.
  int roundTrips() const { return roundTrips_; }
  // Milliseconds from any fixed point, used for every wait instead of the wall clock. A
  // scripted adapter gives a clock that moves only when its reads say time has passed, so
  // that silence costs nothing.
  using Clock = std::function<int64_t()>;
  void setClock(Clock clock) { clock_ = std::move(clock); }

  // The NI-488.2 timeout codes in milliseconds (code 12: 3 s, 13: 10 s); codes outside
  // 1..17 give 10 s.
  static int32_t TimeoutMs(int16_t code);
  // Appended by the adapter when the instrument ended its reply with EOI; it never occurs
  // in the analyser's replies, which are printable text.
  static constexpr char kEotChar = 4;
  // The longest read timeout each kind of adapter accepts.
  static constexpr int32_t kOriginalMaxTimeoutMs = 3000;
  static constexpr int32_t kAr488MaxTimeoutMs = 32000;
  // AR488 firmware from 0.51.20 ends a message with EOI on its last byte and honours a
  // secondary address; older firmware pulses EOI after it, which ends nothing.
  static constexpr int kAr488EoiFixed = 5120;
  // An AR488 sends a data line to the bus in pieces of this many bytes, each ended with EOI.
  static constexpr size_t kAr488Piece = 128;
  // A start-up time for adapters: a Prologix ignores its input for about 5 s after power-up.
  static constexpr int32_t kStartWaitMs = 6500;

  static constexpr int16_t kCmpl = 0x0100;
  static constexpr int16_t kEnd = 0x2000;
  static constexpr int16_t kTimo = 0x4000;
  static constexpr int16_t kEdvr = 0;   // the port failed
  static constexpr int16_t kEnol = 2;   // no device answers at the address
  static constexpr int16_t kEarg = 4;   // an address out of range
  static constexpr int16_t kEabo = 6;   // timeout
  static constexpr int16_t kEneb = 7;   // the port cannot be opened
  static constexpr int16_t kEcap = 11;  // the adapter cannot do what the call needs

 private:
  struct Device {
    int16_t pad = 0;
    int16_t sadCode = 0;  // 0 or 96..126
    int32_t timeoutMs = 0;
    bool present = false;
  };

  bool ensurePort();
  bool openPort(std::string& why);
  bool greet(std::string& why);
  // Puts the adapter in controller mode and sets what every device shares, a few commands
  // at a time, each group confirmed by a query so that a small input buffer never overflows.
  bool configure(std::string& why);
  // Sends lines and waits for the line answering the query that ends them; matching lines
  // only count (banners, echoes and prompts are passed over).
  bool query(const std::string& lines, const std::string& expected, int timeoutMs);
  // Reads the rest of a reply a shorter ibrd left, up to its end or the adapter's silence.
  bool finishReply();
  // Sends a data line; after one to an AR488, later sends wait until it is through.
  bool sendData(const std::string& prefix, const std::string& line, int timeoutMs);
  // The reason a write of n bytes cannot reach the device as one message, or nothing.
  std::string cannotSend(size_t n) const;
  void dropPort();
  // Sends text (whole lines) or drops the port; false when the link failed.
  bool send(const std::string& text, int timeoutMs);
  // Reads what the adapter sent within timeoutMs into pending_; false when the link failed.
  bool pump(int timeoutMs);
  // Throws away everything the adapter sent that nobody asked for.
  bool discardPending();
  // Collects from pending_ and the port until the collector completes or the time is up.
  bool await(ReplyCollector& collector, int timeoutMs);
  std::string addressing(const Device& d) const;
  // The device of ud, or null with the status set (unknown descriptor, no device there,
  // port gone).
  Device* usable(int16_t ud, bool needsListener);
  // Prefixes the addressing lines when another device was addressed last.
  std::string addressedFor(const Device& d);
  int32_t adapterTimeout(int32_t timeoutMs) const;
  int64_t now() const { return clock_ ? clock_() : wall_.elapsed(); }
  // What is left of total milliseconds counted from start (a now() value).
  int remaining(int64_t start, int32_t total) const;

  void succeed(int32_t count, int16_t extraBits = 0);
  void fail(int16_t error, int16_t extraBits = 0, int32_t count = 0);
  // fail() with the reason the operator is told.
  void fail(const std::string& why, int16_t error, int16_t extraBits = 0, int32_t count = 0);
  std::string deviceName(const Device& d) const;
  void traceOut(const std::string& text);
  void traceIn(std::string_view bytes);
  void flushTrace();

  std::string portName_;
  std::ostream* trace_;
  std::unique_ptr<ByteStream> stream_;
  std::unique_ptr<ByteStream> given_;  // the caller's stream, not yet opened
  std::string pending_;
  std::string traceLine_;
  const char* traceNote_ = "";  // after received lines: what became of them
  Kind kind_ = Kind::Unknown;
  std::string version_;
  int firmware_ = 0;
  std::string portProblem_;
  std::string problem_;
  bool tcp_ = false;
  bool configured_ = false;   // the settings every device shares were taken
  bool autoPending_ = false;  // "++auto 0" is still to follow the next "++addr"
  // A reply is being read: "++read" was sent and its end has not come yet.
  bool readOpen_ = false;
  int32_t readWaitMs_ = 0;   // how long the adapter may stay silent in that reply
  int32_t readTotalMs_ = 0;  // and how long its rest may take at most
  int64_t holdUntilUs_ = 0;  // on the wall clock: an AR488 is busy with a data line
  std::map<int16_t, Device> devices_;
  std::optional<std::string> addressed_;  // the addressing lines last sent
  int16_t nextUd_ = 1;
  int portOpens_ = 0;
  int roundTrips_ = 0;
  GpibStatus status_;
  Clock clock_;
  QElapsedTimer wall_;
};
