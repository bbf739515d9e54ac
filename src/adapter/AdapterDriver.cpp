#include "adapter/AdapterDriver.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "adapter/ByteStream.h"
#include "adapter/HostLines.h"
#include "adapter/PortName.h"
#include "link/TracingDriver.h"

namespace {
// How long an absent device may keep the probe waiting, and the host's allowance on top of
// the adapter's own timeout (USB latency, the adapter's loop) before it counts as given up.
constexpr int32_t kProbeTimeoutMs = 500;
constexpr int32_t kSlackMs = 250;
constexpr int32_t kVersionWaitMs = 400;
// After the version line, how long the adapter must stay quiet before the greeting is over
// (a starting AR488 prints its banner just before it answers).
constexpr int32_t kQuietMs = 80;
// "++mode 1" blocks an AR488 for about 80 ms; its answer to the query after it may take
// that long and more.
constexpr int32_t kQueryWaitMs = 1000;
constexpr int32_t kCommandWriteMs = 2000;
constexpr int32_t kDiscardMs = 1000;
constexpr size_t kLineLimit = 256;
constexpr size_t kShownTraffic = 120;
constexpr size_t kTraceLineLimit = 16384;
// An AR488 on an Uno or Nano holds 63 received bytes and hands data to the bus at the pace
// of the instrument's handshake, taken to be no slower than this.
constexpr int64_t kAr488UsPerByte = 250;

// A line the adapter sent, without the prompt an AR488 prints in verbose mode.
std::string withoutPrompt(std::string line) {
  while (line.rfind("> ", 0) == 0) line.erase(0, 2);
  return line;
}

bool isStatusByte(const std::string& answer) {
  return !answer.empty() && answer.size() <= 3 &&
         std::all_of(answer.begin(), answer.end(), [](char c) { return c >= '0' && c <= '9'; });
}
}  // namespace

AdapterDriver::AdapterDriver(std::string portName, std::ostream* trace)
    : portName_(std::move(portName)), trace_(trace) {
  wall_.start();
}

AdapterDriver::AdapterDriver(std::unique_ptr<ByteStream> stream, std::string name,
                             std::ostream* trace)
    : portName_(std::move(name)), trace_(trace), given_(std::move(stream)) {
  wall_.start();
}

AdapterDriver::~AdapterDriver() { dropPort(); }

int32_t AdapterDriver::TimeoutMs(int16_t code) {
  static constexpr int32_t kMs[] = {0,   0,   0,    0,    0,     1,     3,      10,     30,
                                    100, 300, 1000, 3000, 10000, 30000, 100000, 300000, 1000000};
  // Codes 1..4 are below a millisecond; the host cannot wait less than one.
  if (code >= 1 && code <= 4) return 1;
  if (code >= 5 && code <= 17) return kMs[code];
  return 10000;
}

int AdapterDriver::remaining(int64_t start, int32_t total) const {
  return static_cast<int>(std::max<int64_t>(0, total - (now() - start)));
}

// ---- the port ---------------------------------------------------------------------------

std::string AdapterDriver::prepare() {
  if (stream_ && !stream_->failed()) return {};
  dropPort();
  portProblem_.clear();
  if (!openPort(portProblem_) && portProblem_.empty()) portProblem_ = "Cannot open " + portName_;
  return portProblem_;
}

bool AdapterDriver::ensurePort() { return prepare().empty(); }

int AdapterDriver::FirmwareOf(const std::string& version) {
  // "AR488 GPIB controller, ver. 0.51.29, 18/03/2024"
  const size_t at = version.find("ver. ");
  if (at == std::string::npos) return 0;
  int parts[3] = {0, 0, 0};
  size_t i = at + 5;
  for (int& part : parts) {
    if (i >= version.size() || version[i] < '0' || version[i] > '9') return 0;
    while (i < version.size() && version[i] >= '0' && version[i] <= '9' && part < 1000)
      part = part * 10 + (version[i++] - '0');
    if (i < version.size() && version[i] == '.') ++i;
  }
  return parts[0] * 10000 + parts[1] * 100 + parts[2];
}

bool AdapterDriver::openPort(std::string& why) {
  if (given_) {
    stream_ = std::move(given_);
  } else {
    const std::optional<PortName> name = PortName::Parse(portName_, why);
    if (!name) return false;
    tcp_ = name->kind == PortName::Kind::Tcp;
    stream_ = ByteStream::For(*name);
  }
  if (!stream_->open(why)) {
    stream_.reset();
    if (trace_ != nullptr) *trace_ << "adapter: " << why << std::endl;
    return false;
  }
  ++portOpens_;
  if (trace_ != nullptr) *trace_ << "adapter: opened " << portName_ << std::endl;
  if (!greet(why) || !configure(why)) {
    dropPort();
    return false;
  }
  return true;
}

bool AdapterDriver::greet(std::string& why) {
  const int64_t clock = now();
  // Banners and stale replies from before this program came are not answers.
  if (!discardPending()) {
    why = "The adapter on " + portName_ + " went away";
    return false;
  }
  ReplyCollector line;
  // A present adapter answers the first "++ver" at once; a Prologix just powered up ignores
  // its input for about 5 s and an AR488 on an Arduino restarts when its port opens.
  while (remaining(clock, kStartWaitMs) > 0) {
    ++roundTrips_;
    if (!send("++ver\n", kCommandWriteMs)) break;
    line.start('\n', kLineLimit);
    if (!await(line, std::min(kVersionWaitMs, remaining(clock, kStartWaitMs)))) break;
    if (!line.complete() || line.line().empty()) continue;  // still starting: ask again
    bool echoed = false;
    std::string found = withoutPrompt(line.line());
    // A starting AR488 prints its banner before it answers: the last line wins. One in
    // verbose mode echoes the command first.
    for (;;) {
      if (found == "++ver") {
        echoed = true;
      } else if (!found.empty()) {
        version_ = found;
      }
      line.start('\n', kLineLimit);
      if (!await(line, kQuietMs) || !line.complete()) break;
      found = withoutPrompt(line.line());
    }
    if (version_.empty()) continue;
    kind_ = version_.find("AR488") != std::string::npos ? Kind::Ar488 : Kind::Original;
    firmware_ = kind_ == Kind::Ar488 ? FirmwareOf(version_) : 0;
    // Its echoes and prompts would mix with the instrument's replies.
    if (echoed && (!send("++verbose\n", kCommandWriteMs) || !discardPending())) break;
    flushTrace();
    return true;
  }
  flushTrace();
  if (tcp_) {
    // The Ethernet adapter serves one program; a second one is let in but never answered,
    // or its connection is closed at once.
    why = "the adapter at " + portName_.substr(4) + " is in use by another program";
  } else {
    why = stream_ && !stream_->failed()
              ? "No GPIB adapter answers on " + portName_ + " (no reply to ++ver)"
              : "The adapter on " + portName_ + " went away";
  }
  return false;
}

bool AdapterDriver::query(const std::string& lines, const std::string& expected, int timeoutMs) {
  ++roundTrips_;
  if (!send(lines, kCommandWriteMs)) return false;
  const int64_t clock = now();
  ReplyCollector line;
  while (remaining(clock, timeoutMs) > 0) {
    line.start('\n', kLineLimit);
    if (!await(line, remaining(clock, timeoutMs))) return false;
    if (line.complete() && withoutPrompt(line.line()) == expected) {
      flushTrace();
      return true;
    }
  }
  flushTrace();
  return false;
}

bool AdapterDriver::configure(std::string& why) {
  // The original writes its settings to flash on every change unless told not to; an AR488
  // writes its EEPROM on any "++savecfg", so it is never sent one.
  std::string first = kind_ == Kind::Original ? "++savecfg 0\n" : "";
  const std::string eot = std::to_string(static_cast<int>(kEotChar));
  // "++mode 1" blocks an AR488 for about 80 ms, so nothing but its query follows it; the
  // rest fits an Uno's 63-byte buffer in one go.
  if (query(first + "++mode 1\n++mode\n", "1", kQueryWaitMs) &&
      query("++eoi 1\n++eos 3\n++eot_enable 1\n++eot_char " + eot + "\n++eot_char\n", eot,
            kQueryWaitMs)) {
    configured_ = true;
    autoPending_ = true;
    return true;
  }
  why = stream_ ? "The adapter on " + portName_ + " (" + version_ +
                      ") did not take its settings; is its serial rate 115200 baud?"
                : "The adapter on " + portName_ + " went away";
  return false;
}

void AdapterDriver::dropPort() {
  if (stream_) {
    stream_->close();
    stream_.reset();
  }
  pending_.clear();
  addressed_.reset();
  readOpen_ = false;
  configured_ = false;
}

bool AdapterDriver::send(const std::string& text, int timeoutMs) {
  if (!stream_) return false;
  // A caller's clock stands for a scripted adapter, which has no buffer to overrun.
  const int64_t holdUs = holdUntilUs_ - wall_.nsecsElapsed() / 1000;
  if (holdUs > 0 && !clock_) std::this_thread::sleep_for(std::chrono::microseconds(holdUs));
  traceOut(text);
  if (stream_->write(text, timeoutMs)) return true;
  if (trace_ != nullptr) *trace_ << "adapter: the link failed while sending" << std::endl;
  dropPort();
  return false;
}

bool AdapterDriver::sendData(const std::string& prefix, const std::string& line, int timeoutMs) {
  if (!send(prefix + line, timeoutMs)) return false;
  // An AR488 reads the whole line, then hands it to the instrument at the pace of its
  // handshake without reading on; with no flow control, what comes meanwhile must fit its
  // buffer, so nothing more is sent until the line is through.
  if (kind_ == Kind::Ar488) {
    holdUntilUs_ =
        wall_.nsecsElapsed() / 1000 + static_cast<int64_t>(line.size()) * kAr488UsPerByte;
  }
  return true;
}

bool AdapterDriver::pump(int timeoutMs) {
  if (!stream_) return false;
  const std::string got = stream_->read(timeoutMs);
  traceIn(got);
  pending_ += got;
  if (got.empty() && stream_->failed()) {
    flushTrace();
    if (trace_ != nullptr) *trace_ << "adapter: the link failed" << std::endl;
    dropPort();
    return false;
  }
  return true;
}

bool AdapterDriver::finishReply() {
  if (!readOpen_) return true;
  traceNote_ = " (rest of a reply, discarded)";
  // The reply's end comes by itself; only an instrument that stalls is waited out.
  ReplyCollector rest;
  rest.start(kEotChar, 0);
  bool alive = true;
  const int64_t clock = now();
  while (alive && !rest.complete() && remaining(clock, readTotalMs_) > 0) {
    const size_t before = rest.received();
    alive = await(rest, std::min(readWaitMs_, remaining(clock, readTotalMs_)));
    if (rest.received() == before) break;
  }
  flushTrace();
  traceNote_ = "";
  readOpen_ = false;
  return alive;
}

bool AdapterDriver::discardPending() {
  if (!finishReply()) return false;
  flushTrace();
  traceNote_ = " (discarded)";
  // An adapter that never stops talking is let go after a while rather than waited out.
  const int64_t clock = now();
  bool alive = true;
  std::string gone;
  do {
    if (gone.size() < kLineLimit) gone += pending_;
    pending_.clear();
    alive = pump(0);
  } while (alive && !pending_.empty() && remaining(clock, kDiscardMs) > 0);
  gone += pending_;
  flushTrace();
  traceNote_ = "";
  pending_.clear();
  // A banner says the adapter restarted and forgot its settings.
  if (alive && configured_ && !version_.empty() && gone.find(version_) != std::string::npos) {
    std::string why;
    configured_ = false;
    addressed_.reset();
    if (!configure(why)) return false;
  }
  return alive;
}

bool AdapterDriver::await(ReplyCollector& collector, int timeoutMs) {
  const int64_t clock = now();
  for (;;) {
    const size_t used = collector.feed(pending_);
    pending_.erase(0, used);
    if (collector.complete() || collector.full()) return true;
    const int left = remaining(clock, timeoutMs);
    if (left == 0) return true;
    if (!pump(left)) return false;
  }
}

// ---- the six calls ----------------------------------------------------------------------

int32_t AdapterDriver::adapterTimeout(int32_t timeoutMs) const {
  const int32_t most = kind_ == Kind::Ar488 ? kAr488MaxTimeoutMs : kOriginalMaxTimeoutMs;
  return std::clamp(timeoutMs, 1, most);
}

std::string AdapterDriver::addressing(const Device& d) const {
  std::string text = "++addr ";
  text += std::to_string(d.pad);
  if (d.sadCode != 0) {
    text += ' ';
    text += std::to_string(d.sadCode);
  }
  text += "\n++read_tmo_ms ";
  text += std::to_string(adapterTimeout(d.timeoutMs));
  text += '\n';
  return text;
}

std::string AdapterDriver::addressedFor(const Device& d) {
  std::string lines = addressing(d);
  if (addressed_ == lines) return {};
  addressed_ = lines;
  // After a restart "++auto 0" is due again, and only once the address is set.
  if (std::exchange(autoPending_, false)) lines.insert(lines.find('\n') + 1, "++auto 0\n");
  return lines;
}

std::string AdapterDriver::deviceName(const Device& d) const {
  std::string name = "PAD " + std::to_string(d.pad);
  if (d.sadCode != 0) name += " SAD " + std::to_string(d.sadCode - 96);
  return name + " on " + portName_;
}

std::string AdapterDriver::cannotSend(size_t n) const {
  if (kind_ != Kind::Ar488) return {};
  const std::string name = "AR488 " + (firmware_ == 0 ? std::string("(\"") + version_ + "\")"
                                                      : std::to_string(firmware_ / 10000) + "." +
                                                            std::to_string(firmware_ / 100 % 100) +
                                                            "." + std::to_string(firmware_ % 100));
  if (firmware_ != 0 && firmware_ < kAr488EoiFixed) {
    return name +
           " cannot end a message the way the analyser needs; update its firmware to 0.51.20 or "
           "later";
  }
  if (n > kAr488Piece) {
    return name + " cuts a message of " + std::to_string(n) +
           " bytes into pieces of 128, and the analyser needs it whole; write to the analyser "
           "through a Prologix GPIB-USB or GPIB-ETHERNET adapter (or a clone of one)";
  }
  return {};
}

int16_t AdapterDriver::ibdev(int16_t, int16_t pad, int16_t sad, int16_t tmo, int16_t, int16_t) {
  Device d;
  d.pad = pad;
  d.sadCode = sad == 0 ? 0 : sad >= 1 && sad <= 30 ? static_cast<int16_t>(96 + sad) : sad;
  d.timeoutMs = TimeoutMs(tmo);
  if (pad < 0 || pad > 30 || (d.sadCode != 0 && (d.sadCode < 96 || d.sadCode > 126))) {
    fail("PAD " + std::to_string(pad) + " SAD " + std::to_string(sad) + " is not a GPIB address",
         kEarg);
    return -1;
  }
  if (!ensurePort()) {
    fail(portProblem_, kEneb);
    return -1;
  }
  // Old firmware ends no message at all: nothing sent could be understood.
  if (firmware_ != 0 && firmware_ < kAr488EoiFixed) {
    fail(cannotSend(0), kEcap);
    return -1;
  }
  // "++auto 0" makes the original address the current device, so the address comes first.
  // A serial poll then shows whether anything answers there, which the adapter would not
  // tell otherwise. An AR488 polls the primary address only: with a secondary address the
  // device is taken as present, and a read that gets no answer says so.
  const bool poll = kind_ != Kind::Ar488 || d.sadCode == 0;
  Device probe = d;
  if (poll) probe.timeoutMs = kProbeTimeoutMs;
  const std::string lines = addressing(probe);
  const size_t firstLine = lines.find('\n') + 1;
  std::string setup = lines.substr(0, firstLine) + "++auto 0\n" + lines.substr(firstLine) +
                      (poll ? "++spoll\n" : "");
  ++roundTrips_;
  if (!discardPending() || !send(setup, kCommandWriteMs)) {
    fail("The adapter on " + portName_ + " went away", kEdvr);
    return -1;
  }
  d.present = !poll;
  // The answer is the status byte in decimal; a banner of an adapter that just restarted
  // may come first.
  const int64_t clock = now();
  ReplyCollector line;
  bool restarted = false;
  while (!d.present && remaining(clock, kProbeTimeoutMs + kSlackMs) > 0) {
    line.start('\n', kLineLimit);
    if (!await(line, remaining(clock, kProbeTimeoutMs + kSlackMs))) {
      fail("The adapter on " + portName_ + " went away", kEdvr);
      return -1;
    }
    const std::string answer = withoutPrompt(line.line());
    d.present = line.complete() && isStatusByte(answer);
    restarted = restarted || (line.complete() && answer == version_);
  }
  flushTrace();
  // Without a probe the device's own settings went out already.
  if (poll)
    addressed_.reset();
  else
    addressed_ = lines;
  autoPending_ = false;
  // Its banner: the adapter restarted just now and forgot its settings.
  if (restarted) {
    addressed_.reset();
    std::string why;
    if (!configure(why)) {
      fail(why, kEdvr);
      return -1;
    }
  }
  if (!send(addressedFor(d), kCommandWriteMs)) {
    fail("The adapter on " + portName_ + " went away", kEdvr);
    return -1;
  }
  const int16_t ud = nextUd_;
  nextUd_ = static_cast<int16_t>(nextUd_ % 32000 + 1);
  devices_[ud] = d;
  succeed(0);
  return ud;
}

AdapterDriver::Device* AdapterDriver::usable(int16_t ud, bool needsListener) {
  const auto it = devices_.find(ud);
  if (it == devices_.end() || !stream_) {
    fail(it == devices_.end() ? "No device was opened as " + std::to_string(ud)
                              : "The adapter on " + portName_ + " went away",
         kEdvr);
    return nullptr;
  }
  if (needsListener && !it->second.present) {
    fail("No device answers at " + deviceName(it->second), kEnol);
    return nullptr;
  }
  return &it->second;
}

int16_t AdapterDriver::ibclr(int16_t ud) {
  Device* d = usable(ud, true);
  if (d == nullptr) return status_.ibsta;
  // Whatever the device had not yet said goes with the clear.
  if (!discardPending() || !send(addressedFor(*d) + "++clr\n", kCommandWriteMs)) {
    fail("The adapter on " + portName_ + " went away", kEdvr);
    return status_.ibsta;
  }
  succeed(0);
  return status_.ibsta;
}

int16_t AdapterDriver::ibwrt(int16_t ud, const std::string& data) {
  Device* d = usable(ud, true);
  if (d == nullptr) return status_.ibsta;
  // Refused before anything is sent: a message the device gets in pieces is not the one the
  // program wrote, and nothing would tell.
  if (const std::string why = cannotSend(data.size()); !why.empty()) {
    fail(why, kEcap);
    return status_.ibsta;
  }
  if (!discardPending()) {
    fail("The adapter on " + portName_ + " went away", kEdvr);
    return status_.ibsta;
  }
  if (!sendData(addressedFor(*d), HostLines::Escape(data) + "\n", std::max(d->timeoutMs, 1))) {
    fail("The adapter on " + portName_ + " went away", kEdvr);
    return status_.ibsta;
  }
  succeed(static_cast<int32_t>(data.size()));
  return status_.ibsta;
}

int16_t AdapterDriver::ibrd(int16_t ud, char* buffer, int32_t count) {
  Device* d = usable(ud, true);
  if (d == nullptr) return status_.ibsta;
  const size_t keep = static_cast<size_t>(std::max(count, 0));
  if (keep == 0) {
    succeed(0);
    return status_.ibsta;
  }
  ReplyCollector reply;
  reply.start(kEotChar, keep, true);
  const auto deliver = [&] {
    if (!reply.data().empty()) std::memcpy(buffer, reply.data().data(), reply.data().size());
    return static_cast<int32_t>(reply.data().size());
  };
  const std::string dropped = "The adapter on " + portName_ + " went away";
  // The adapter gives up after its own timeout (at most 3 s on the original) and then says
  // nothing; until the driver's timeout has passed it is asked again, so a slow first byte
  // is still read. Its timeout runs between characters: a reply in progress keeps it busy.
  const int32_t adapterWait = adapterTimeout(d->timeoutMs) + kSlackMs;
  // A read that ended at its count left the rest of the reply coming: it continues here.
  std::string lines;
  if (!readOpen_) {
    if (!discardPending()) {
      fail(dropped, kEdvr);
      return status_.ibsta;
    }
    lines = addressedFor(*d) + "++read eoi\n";
  }
  readOpen_ = true;
  readWaitMs_ = adapterWait;
  readTotalMs_ = d->timeoutMs;
  const int64_t clock = now();
  // Like NI-488.2, the read ends with its count, END or not.
  while (!reply.complete() && reply.received() < keep) {
    const int left = remaining(clock, d->timeoutMs);
    if (left == 0) {
      flushTrace();
      fail("No reply from " + deviceName(*d) + " within " + std::to_string(d->timeoutMs) + " ms",
           kEabo, kTimo, deliver());
      return status_.ibsta;
    }
    if (!lines.empty()) {
      ++roundTrips_;
      if (!send(lines, kCommandWriteMs)) {
        fail(dropped, kEdvr, 0, deliver());
        return status_.ibsta;
      }
    }
    lines = "++read eoi\n";
    for (;;) {
      const size_t before = reply.received();
      if (!await(reply, std::min<int>(adapterWait, remaining(clock, d->timeoutMs)))) {
        fail(dropped, kEdvr, 0, deliver());
        return status_.ibsta;
      }
      // Silence for the adapter's whole timeout: it gave up, ask again.
      if (reply.complete() || reply.received() >= keep || reply.received() == before) break;
    }
  }
  // The end right after the count still ends the reply; anything else stays for the next read.
  if (!reply.complete() && !pending_.empty() && pending_[0] == kEotChar)
    reply.feed(pending_.substr(0, 1)), pending_.erase(0, 1);
  if (reply.complete()) readOpen_ = false;
  flushTrace();
  succeed(deliver(), reply.complete() ? kEnd : 0);
  return status_.ibsta;
}
int16_t AdapterDriver::ibloc(int16_t ud) {
  Device* d = usable(ud, false);
  if (d == nullptr) return status_.ibsta;
  if (!discardPending() || !send(addressedFor(*d) + "++loc\n", kCommandWriteMs)) {
    fail("The adapter on " + portName_ + " went away", kEdvr);
    return status_.ibsta;
  }
  succeed(0);
  return status_.ibsta;
}

int16_t AdapterDriver::ibonl(int16_t ud, int16_t v) {
  // Taking a device offline forgets it; the port stays open for the next one.
  const auto it = devices_.find(ud);
  if (it == devices_.end()) {
    fail("No device was opened as " + std::to_string(ud), kEdvr);
    return status_.ibsta;
  }
  if (v == 0) devices_.erase(it);
  succeed(0);
  return status_.ibsta;
}

// ---- status and trace ---------------------------------------------------------------------

void AdapterDriver::succeed(int32_t count, int16_t extraBits) {
  problem_.clear();
  status_.ibsta = static_cast<int16_t>(kCmpl | extraBits);
  status_.iberr = 0;
  status_.ibcntl = count;
  status_.ibcnt = static_cast<int16_t>(static_cast<uint16_t>(count & 0xFFFF));
}

void AdapterDriver::fail(const std::string& why, int16_t error, int16_t extraBits, int32_t count) {
  fail(error, extraBits, count);
  problem_ = why;
}

void AdapterDriver::fail(int16_t error, int16_t extraBits, int32_t count) {
  problem_.clear();
  status_.ibsta = static_cast<int16_t>(GpibStatus::kErr | kCmpl | extraBits);
  status_.iberr = error;
  status_.ibcntl = count;
  status_.ibcnt = static_cast<int16_t>(static_cast<uint16_t>(count & 0xFFFF));
}

void AdapterDriver::traceOut(const std::string& text) {
  if (trace_ == nullptr) return;
  flushTrace();
  size_t from = 0;
  while (from < text.size()) {
    size_t end = text.find('\n', from);
    end = end == std::string::npos ? text.size() : end + 1;
    *trace_ << "adapter> "
            << TracingDriver::Shown(std::string_view(text).substr(from, end - from), kShownTraffic)
            << std::endl;
    from = end;
  }
}

void AdapterDriver::traceIn(std::string_view bytes) {
  if (trace_ == nullptr) return;
  for (const char c : bytes) {
    // Long replies are shown cut; the count says how long they were.
    traceLine_ += c;
    if (c == '\n' || c == kEotChar || traceLine_.size() >= kTraceLineLimit) flushTrace();
  }
}

void AdapterDriver::flushTrace() {
  if (trace_ == nullptr || traceLine_.empty()) return;
  *trace_ << "adapter< " << TracingDriver::Shown(traceLine_, kShownTraffic) << traceNote_
          << std::endl;
  traceLine_.clear();
}
