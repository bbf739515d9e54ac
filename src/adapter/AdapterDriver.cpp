#include "adapter/AdapterDriver.h"

#include <algorithm>
#include <cstring>

#include "adapter/ByteStream.h"
#include "adapter/HostLines.h"
#include "adapter/PortName.h"
#include "link/TracingDriver.h"

namespace {
// How long an absent device may keep the probe waiting, and the host's allowance on top of
// the adapter's own timeout (USB latency, the adapter's loop) before it counts as given up.
constexpr int32_t kProbeTimeoutMs = 500;
constexpr int32_t kSlackMs = 250;
// An AR488 on an Arduino takes one to two seconds to start after its port opens.
constexpr int32_t kStartWaitMs = 4000;
constexpr int32_t kVersionWaitMs = 400;
// After the version line, how long the adapter must stay quiet before the greeting is over
// (a starting AR488 prints its banner just before it answers).
constexpr int32_t kQuietMs = 80;
constexpr int32_t kCommandWriteMs = 2000;
constexpr int32_t kDiscardMs = 1000;
constexpr size_t kLineLimit = 256;
constexpr size_t kShownTraffic = 120;
constexpr size_t kTraceLineLimit = 16384;
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

bool AdapterDriver::openPort(std::string& why) {
  if (given_) {
    stream_ = std::move(given_);
  } else {
    const std::optional<PortName> name = PortName::Parse(portName_, why);
    if (!name) return false;
    stream_ = ByteStream::For(*name);
  }
  if (!stream_->open(why)) {
    stream_.reset();
    if (trace_ != nullptr) *trace_ << "adapter: " << why << std::endl;
    return false;
  }
  ++portOpens_;
  if (trace_ != nullptr) *trace_ << "adapter: opened " << portName_ << std::endl;
  if (!greet(why)) {
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
  while (remaining(clock, kStartWaitMs) > 0) {
    ++roundTrips_;
    if (!send("++ver\n", kCommandWriteMs)) break;
    line.start('\n', kLineLimit);
    if (!await(line, std::min(kVersionWaitMs, remaining(clock, kStartWaitMs)))) break;
    if (!line.complete() || line.line().empty()) continue;  // still starting: ask again
    version_ = line.line();
    // A starting AR488 prints its banner before it answers: the last line wins.
    while (remaining(clock, kStartWaitMs) > 0) {
      line.start('\n', kLineLimit);
      if (!await(line, kQuietMs) || !line.complete()) break;
      if (!line.line().empty()) version_ = line.line();
    }
    kind_ = version_.find("AR488") != std::string::npos ? Kind::Ar488 : Kind::Original;
    // The original writes its settings to flash on every change unless told not to; on an
    // AR488 the same command would write them.
    if (kind_ == Kind::Original && !send("++savecfg 0\n", kCommandWriteMs)) break;
    flushTrace();
    return true;
  }
  flushTrace();
  why = stream_ && !stream_->failed()
            ? "No GPIB adapter answers on " + portName_ + " (no reply to ++ver)"
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
}

bool AdapterDriver::send(const std::string& text, int timeoutMs) {
  if (!stream_) return false;
  traceOut(text);
  if (stream_->write(text, timeoutMs)) return true;
  if (trace_ != nullptr) *trace_ << "adapter: the link failed while sending" << std::endl;
  dropPort();
  return false;
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

bool AdapterDriver::discardPending() {
  flushTrace();
  traceNote_ = " (discarded)";
  // An adapter that never stops talking is let go after a while rather than waited out.
  const int64_t clock = now();
  bool alive = true;
  do {
    pending_.clear();
    alive = pump(0);
  } while (alive && !pending_.empty() && remaining(clock, kDiscardMs) > 0);
  flushTrace();
  traceNote_ = "";
  pending_.clear();
  return alive;
}

bool AdapterDriver::await(ReplyCollector& collector, int timeoutMs) {
  const int64_t clock = now();
  for (;;) {
    const size_t used = collector.feed(pending_);
    pending_.erase(0, used);
    if (collector.complete()) return true;
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
  const std::string lines = addressing(d);
  if (addressed_ == lines) return {};
  addressed_ = lines;
  return lines;
}

int16_t AdapterDriver::ibdev(int16_t, int16_t pad, int16_t sad, int16_t tmo, int16_t, int16_t) {
  Device d;
  d.pad = pad;
  d.sadCode = sad == 0 ? 0 : sad >= 1 && sad <= 30 ? static_cast<int16_t>(96 + sad) : sad;
  d.timeoutMs = TimeoutMs(tmo);
  if (pad < 0 || pad > 30 || (d.sadCode != 0 && (d.sadCode < 96 || d.sadCode > 126))) {
    fail(kEarg);
    return -1;
  }
  if (!ensurePort()) {
    fail(kEneb);
    return -1;
  }
  // Everything is set on every open: an adapter that restarted in between has forgotten it.
  // A serial poll then shows whether anything answers at the address, which the adapter
  // would not tell otherwise.
  std::string setup = "++mode 1\n++auto 0\n++eoi 1\n++eos 3\n++eot_enable 1\n++eot_char " +
                      std::to_string(static_cast<int>(kEotChar)) + "\n";
  Device probe = d;
  probe.timeoutMs = kProbeTimeoutMs;
  setup += addressing(probe) + "++spoll\n";
  ++roundTrips_;
  if (!discardPending() || !send(setup, kCommandWriteMs)) {
    fail(kEdvr);
    return -1;
  }
  // The answer is the status byte in decimal; a banner of an adapter that just restarted
  // may come first.
  const int64_t clock = now();
  ReplyCollector line;
  while (!d.present && remaining(clock, kProbeTimeoutMs + kSlackMs) > 0) {
    line.start('\n', kLineLimit);
    if (!await(line, remaining(clock, kProbeTimeoutMs + kSlackMs))) {
      fail(kEdvr);
      return -1;
    }
    const std::string answer = line.line();
    d.present =
        line.complete() && !answer.empty() && answer.size() <= 3 &&
        std::all_of(answer.begin(), answer.end(), [](char c) { return c >= '0' && c <= '9'; });
  }
  flushTrace();
  addressed_.reset();
  if (!send(addressedFor(d), kCommandWriteMs)) {
    fail(kEdvr);
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
    fail(kEdvr);
    return nullptr;
  }
  if (needsListener && !it->second.present) {
    fail(kEnol);
    return nullptr;
  }
  return &it->second;
}

int16_t AdapterDriver::ibclr(int16_t ud) {
  Device* d = usable(ud, true);
  if (d == nullptr) return status_.ibsta;
  // Whatever the device had not yet said goes with the clear.
  if (!discardPending() || !send(addressedFor(*d) + "++clr\n", kCommandWriteMs)) {
    fail(kEdvr);
    return status_.ibsta;
  }
  succeed(0);
  return status_.ibsta;
}

int16_t AdapterDriver::ibwrt(int16_t ud, const std::string& data) {
  Device* d = usable(ud, true);
  if (d == nullptr) return status_.ibsta;
  if (!discardPending() ||
      !send(addressedFor(*d) + HostLines::Escape(data) + "\n", std::max(d->timeoutMs, 1))) {
    fail(kEdvr);
    return status_.ibsta;
  }
  succeed(static_cast<int32_t>(data.size()));
  return status_.ibsta;
}

int16_t AdapterDriver::ibrd(int16_t ud, char* buffer, int32_t count) {
  Device* d = usable(ud, true);
  if (d == nullptr) return status_.ibsta;
  const size_t keep = static_cast<size_t>(std::max(count, 0));
  ReplyCollector reply;
  reply.start(kEotChar, keep);
  const auto deliver = [&] {
    if (!reply.data().empty()) std::memcpy(buffer, reply.data().data(), reply.data().size());
    return static_cast<int32_t>(reply.data().size());
  };
  if (!discardPending()) {
    fail(kEdvr);
    return status_.ibsta;
  }
  // The adapter gives up after its own timeout (at most 3 s on the original) and then says
  // nothing; until the driver's timeout has passed it is asked again, so a slow first byte
  // is still read. Its timeout runs between characters: a reply in progress keeps it busy.
  const int32_t adapterWait = adapterTimeout(d->timeoutMs) + kSlackMs;
  std::string lines = addressedFor(*d);
  const int64_t clock = now();
  while (!reply.complete()) {
    const int left = remaining(clock, d->timeoutMs);
    if (left == 0) {
      flushTrace();
      fail(kEabo, kTimo, deliver());
      return status_.ibsta;
    }
    ++roundTrips_;
    if (!send(lines + "++read eoi\n", kCommandWriteMs)) {
      fail(kEdvr, 0, deliver());
      return status_.ibsta;
    }
    lines.clear();
    for (;;) {
      const size_t before = reply.received();
      if (!await(reply, std::min<int>(adapterWait, remaining(clock, d->timeoutMs)))) {
        fail(kEdvr, 0, deliver());
        return status_.ibsta;
      }
      // Silence for the adapter's whole timeout: it gave up, ask again.
      if (reply.complete() || reply.received() == before) break;
    }
  }
  flushTrace();
  succeed(deliver(), reply.received() <= keep ? kEnd : 0);
  return status_.ibsta;
}

int16_t AdapterDriver::ibloc(int16_t ud) {
  Device* d = usable(ud, false);
  if (d == nullptr) return status_.ibsta;
  if (!send(addressedFor(*d) + "++loc\n", kCommandWriteMs)) {
    fail(kEdvr);
    return status_.ibsta;
  }
  succeed(0);
  return status_.ibsta;
}

int16_t AdapterDriver::ibonl(int16_t ud, int16_t v) {
  // Taking a device offline forgets it; the port stays open for the next one.
  const auto it = devices_.find(ud);
  if (it == devices_.end()) {
    fail(kEdvr);
    return status_.ibsta;
  }
  if (v == 0) devices_.erase(it);
  succeed(0);
  return status_.ibsta;
}

// ---- status and trace ---------------------------------------------------------------------

void AdapterDriver::succeed(int32_t count, int16_t extraBits) {
  status_.ibsta = static_cast<int16_t>(kCmpl | extraBits);
  status_.iberr = 0;
  status_.ibcntl = count;
  status_.ibcnt = static_cast<int16_t>(static_cast<uint16_t>(count & 0xFFFF));
}

void AdapterDriver::fail(int16_t error, int16_t extraBits, int32_t count) {
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
