// The "++" adapter back end over an adapter that sends anything: the six driver calls, in
// any order and with any arguments, against a scripted stream whose reads hand out pieces of
// the input, report silence, or let the link fail. Time passes only when the script is
// silent, so no wait is real. After every call the status word agrees with the result (ERR
// set exactly on failure, with one of the driver's error codes, TIMO only with a timeout), a
// read stays in its buffer and counts at most its size, and what the driver sent parses back
// into adapter commands plus, for a write, exactly the data written.
#include <algorithm>
#include <memory>
#include <sstream>
#include <vector>

#include "FuzzCheck.h"
#include "adapter/AdapterDriver.h"
#include "adapter/ByteStream.h"
#include "adapter/HostLines.h"

namespace {
class ScriptedAdapter : public ByteStream {
 public:
  ScriptedAdapter(FuzzInput& in, int64_t& clock, std::string& sent)
      : in_(in), clock_(clock), sent_(sent) {}
  bool open(std::string&) override { return true; }
  void close() override {}
  bool write(std::string_view bytes, int) override {
    if (failed_) return false;
    sent_ += bytes;
    return true;
  }
  // A script byte: 0xFF the link fails, 0xF0..0xFE silence for the whole wait, otherwise
  // the next 1..64 input bytes arrive. An exhausted script is silent.
  std::string read(int timeoutMs) override {
    if (failed_) return {};
    if (in_.left() == 0) {
      clock_ += timeoutMs;
      return {};
    }
    const uint8_t b = in_.byte();
    if (b == 0xFF) {
      failed_ = true;
      return {};
    }
    if (b >= 0xF0) {
      clock_ += timeoutMs;
      return {};
    }
    return std::string(in_.bytes(b % 64 + 1));
  }
  bool failed() const override { return failed_; }

 private:
  FuzzInput& in_;
  int64_t& clock_;
  std::string& sent_;
  bool failed_ = false;
};

constexpr int kMaxCalls = 24;
// The longest any one call may wait: the greeting, then the longest read timeout.
// The greeting and settings, then draining a reply and the longest read timeout.
constexpr int64_t kLongestCallMs = AdapterDriver::kStartWaitMs + 3000 + 2 * (1000000 + 32000);

void checkStatus(const GpibStatus& s) {
  FUZZ_CHECK(s.ibsta & AdapterDriver::kCmpl);
  FUZZ_CHECK(s.ibcnt == static_cast<int16_t>(static_cast<uint16_t>(s.ibcntl & 0xFFFF)));
  FUZZ_CHECK(s.ibcntl >= 0);
  if (s.failed()) {
    const int16_t e = s.iberr;
    FUZZ_CHECK(e == AdapterDriver::kEdvr || e == AdapterDriver::kEnol ||
               e == AdapterDriver::kEarg || e == AdapterDriver::kEabo ||
               e == AdapterDriver::kEneb || e == AdapterDriver::kEcap);
    FUZZ_CHECK(((s.ibsta & AdapterDriver::kTimo) != 0) == (e == AdapterDriver::kEabo));
    FUZZ_CHECK(!(s.ibsta & AdapterDriver::kEnd));
  } else {
    FUZZ_CHECK(s.iberr == 0 && !(s.ibsta & AdapterDriver::kTimo));
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  int64_t clock = 0;
  std::string sent;
  std::ostringstream trace;
  const bool traced = in.byte() & 1;
  // "tcp:" names no port, so a link that failed is never reopened on a real one.
  AdapterDriver driver(std::make_unique<ScriptedAdapter>(in, clock, sent),
                       "tcp:", traced ? &trace : nullptr);
  driver.setClock([&clock] { return clock; });
  HostLines parser;
  std::vector<int16_t> uds{0};

  for (int n = 0; n < kMaxCalls && in.left() > 0; ++n) {
    const uint8_t op = in.byte();
    const uint8_t pick = in.byte();
    const int16_t ud = pick < 0xC0 ? uds[pick % uds.size()] : static_cast<int16_t>(pick - 0xE0);
    const size_t sentBefore = sent.size();
    const int64_t started = clock;
    std::string written;
    bool wrote = false;
    int16_t result = 0;
    switch (op % 6) {
      case 0: {
        const auto pad = static_cast<int16_t>(static_cast<int8_t>(in.byte()) % 34);
        const uint8_t sad = in.byte();
        const auto tmo = static_cast<int16_t>(in.byte() % 19);
        result = driver.ibdev(0, pad, sad < 0x80 ? sad % 32 : sad, tmo, 1, 0);
        FUZZ_CHECK((result == -1) == driver.status().failed());
        FUZZ_CHECK(result == -1 || (result >= 1 && result <= 32000));
        if (result > 0) uds.push_back(result);
        break;
      }
      case 1:
        result = driver.ibclr(ud);
        break;
      case 2:
        written = std::string(in.bytes(in.byte() % 80));
        result = driver.ibwrt(ud, written);
        wrote = !driver.status().failed();
        FUZZ_CHECK(!wrote || driver.status().ibcntl == static_cast<int32_t>(written.size()));
        break;
      case 3: {
        const int32_t count = in.word() % 3000;
        // A heap block of exactly count bytes, so a write past it shows.
        const auto buffer = std::make_unique<char[]>(static_cast<size_t>(count));
        result = driver.ibrd(ud, buffer.get(), count);
        const int32_t got = driver.status().ibcntl;
        FUZZ_CHECK(got <= count);
        FUZZ_CHECK(std::find(buffer.get(), buffer.get() + got, AdapterDriver::kEotChar) ==
                   buffer.get() + got);
        break;
      }
      case 4:
        result = driver.ibloc(ud);
        break;
      default:
        result = driver.ibonl(ud, pick & 1);
        FUZZ_CHECK(driver.status().failed() ==
                   (std::count(uds.begin(), uds.end(), ud) == 0 || ud == 0));
        if (!driver.status().failed() && (pick & 1) == 0) {
          uds.erase(std::remove(uds.begin(), uds.end(), ud), uds.end());
          if (uds.empty()) uds.push_back(0);
        }
        break;
    }
    checkStatus(driver.status());
    if (op % 6 != 0) FUZZ_CHECK(result == driver.status().ibsta);
    FUZZ_CHECK(clock - started <= kLongestCallMs);

    // Everything sent is whole lines: adapter commands, and the data of a write that worked.
    const std::string_view fresh = std::string_view(sent).substr(sentBefore);
    FUZZ_CHECK(fresh.empty() || fresh.back() == '\n');
    parser.feed(fresh);
    std::vector<std::string> dataLines;
    for (HostLines::Line line; parser.next(line);) {
      if (!line.command) dataLines.push_back(line.text);
    }
    if (wrote && !written.empty()) {
      FUZZ_CHECK(dataLines.size() == 1 && dataLines.front() == written);
    } else {
      FUZZ_CHECK(dataLines.empty());
    }
  }
  return 0;
}
