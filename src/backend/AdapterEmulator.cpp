#include "backend/AdapterEmulator.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>
#include <cctype>
#include <deque>
#include <memory>
#include <sstream>
#include <thread>
#include <vector>

#include "adapter/AdapterDriver.h"
#include "adapter/TcpStream.h"
#include "backend/FdStream.h"

#ifndef _WIN32
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace {
using Clock = std::chrono::steady_clock;

std::vector<std::string> words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

// The whole word as a number, or nothing.
std::optional<int> number(const std::string& word) {
  if (word.empty() || word.size() > 9) return std::nullopt;
  for (size_t i = 0; i < word.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(word[i])) && !(i == 0 && word[i] == '-')) {
      return std::nullopt;
    }
  }
  try {
    return std::stoi(word);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}
}  // namespace

AdapterEmulator::AdapterEmulator(const EmulatorOptions& options) : options_(options) {
  analyser_.setAddress(0, options.pad, options.sad);
  analyser_.faults().noDevice = options.noDevice;
  // Figures from the AR488 firmware and the boards it runs on; the analyser's handshake is
  // slow enough that an Uno's buffer fills when a long line arrives at full line speed.
  const std::optional<AdapterModel> m = options.model;
  if (m == AdapterModel::Ar488Uno || m == AdapterModel::Ar488Old) {
    traits_.rxBuffer = 63;
    traits_.baud = 115200;
    traits_.busUsPerByte = 200;
  }
  if (isAr488()) {
    traits_.cuts = true;
    traits_.spollPrimary = true;
    traits_.modeMs = 80;
  }
  if (m == AdapterModel::Ar488Old) traits_.oldFirmware = true;
  if (m == AdapterModel::Clone) traits_.baud = 115200;
  if (options.baud > 0 && traits_.baud > 0) traits_.baud = options.baud;
}

std::optional<AdapterModel> AdapterEmulator::ModelNamed(const std::string& name) {
  static const std::pair<const char*, AdapterModel> kNames[] = {
      {"prologix-usb", AdapterModel::PrologixUsb}, {"prologix-eth", AdapterModel::PrologixEth},
      {"ar488-uno", AdapterModel::Ar488Uno},       {"ar488-usb", AdapterModel::Ar488Usb},
      {"ar488-old", AdapterModel::Ar488Old},       {"clone", AdapterModel::Clone}};
  for (const auto& [word, model] : kNames) {
    if (name == word) return model;
  }
  return std::nullopt;
}

bool AdapterEmulator::isAr488() const {
  const std::optional<AdapterModel> m = options_.model;
  return m == AdapterModel::Ar488Uno || m == AdapterModel::Ar488Usb || m == AdapterModel::Ar488Old;
}

std::string AdapterEmulator::version() const {
  if (options_.model == AdapterModel::Ar488Old) {
    return "AR488 GPIB controller, ver. 0.51.18, 02/11/2023";
  }
  if (isAr488()) return "AR488 GPIB controller, ver. 0.51.29, 18/03/2024";
  if (options_.model == AdapterModel::Clone) return "Prologix GPIB-USB Controller version 6.101";
  const bool usb = options_.model ? options_.model == AdapterModel::PrologixUsb : serial_;
  return usb ? "Prologix GPIB-USB Controller version 6.107"
             : "Prologix GPIB-ETHERNET Controller version 01.06.06.00";
}

void AdapterEmulator::restart(bool reset) {
  settings_ = Settings();
  busMessage_.clear();
  verbose_ = options_.verbose && isAr488();
  // After "++rst" the original ignores its input for about 5 s, as after power-up.
  if (reset && !isAr488()) {
    if (!options_.instant) deafUntil_ = Clock::now() + std::chrono::milliseconds(5000);
    return;
  }
  out(version() + "\r\n");
}

bool AdapterEmulator::present() const {
  const int16_t sad = static_cast<int16_t>(settings_.sadCode == 0 ? 0 : settings_.sadCode - 96);
  return analyser_.answersAt(analyser_.board(), static_cast<int16_t>(settings_.pad), sad);
}

void AdapterEmulator::pause(int ms) {
  if (options_.instant) return;
  busy_ = true;
  const auto until = Clock::now() + std::chrono::milliseconds(ms);
  while (Clock::now() < until && !stop_->load() && !ended_) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
    receive(static_cast<int>(std::clamp<int64_t>(left.count(), 0, 5)));
  }
}

bool AdapterEmulator::receive(int timeoutMs) {
  const std::string got = stream_->read(timeoutMs);
  if (got.empty() && stream_->failed()) {
    ended_ = true;
    return false;
  }
  // A serial line delivers one byte per ten bit times, however fast the host wrote them.
  const auto byteTime = std::chrono::nanoseconds(
      traits_.baud > 0 && !options_.instant ? 10'000'000'000LL / traits_.baud : 0);
  for (const char c : got) {
    lastArrival_ = std::max(Clock::now(), lastArrival_ + byteTime);
    wire_.emplace_back(c, lastArrival_);
  }
  return true;
}

void AdapterEmulator::takeByte() {
  const auto [c, arrived] = wire_.front();
  wire_.pop_front();
  if (arrived > Clock::now() && !options_.instant) std::this_thread::sleep_until(arrived);
  if (arrived < deafUntil_) return;
  if (traits_.rxBuffer > 0 && !options_.instant) {
    // The bytes still in the buffer when this one arrived are those the firmware takes later.
    while (!held_.empty() && held_.front() <= arrived) held_.pop_front();
    if (held_.size() >= traits_.rxBuffer) {
      ++lost_;
      return;
    }
    const auto taken = std::max(arrived, firmwareFree_);
    held_.push_back(taken);
    firmwareFree_ = taken;
  }
  const char one[1] = {c};
  lines_.feed(std::string_view(one, 1));
  HostLines::Line line;
  while (!dropped_ && !stop_->load() && lines_.next(line)) {
    if (verbose_) out(line.text + "\r\n");
    if (line.command) {
      command(line.text);
    } else {
      data(line.text);
    }
    if (verbose_) out("> ");
    // A line that kept the firmware busy (a wait, the bus, a paced reply) holds up the
    // bytes behind it; the emulator's own slowness must not.
    if (std::exchange(busy_, false)) firmwareFree_ = std::max(firmwareFree_, Clock::now());
  }
}

void AdapterEmulator::out(const std::string& bytes) {
  if (dropped_) return;
  std::string text = bytes;
  const bool drop = options_.dropAfterBytes >= 0 &&
                    sent_ + static_cast<long>(text.size()) > options_.dropAfterBytes;
  if (drop) text.resize(static_cast<size_t>(options_.dropAfterBytes - sent_));
  sent_ += static_cast<long>(text.size());
  const int lineRate = traits_.baud / 10;
  const int rate =
      options_.replyBytesPerSecond > 0 && (lineRate == 0 || options_.replyBytesPerSecond < lineRate)
          ? options_.replyBytesPerSecond
          : lineRate;
  if (rate > 0 && !options_.instant) {
    // Handed over at the line's (or the instrument's) pace, a few milliseconds at a time.
    busy_ = true;
    const size_t slice = static_cast<size_t>(std::max(1, rate / 200));
    lineFree_ = std::max(lineFree_, Clock::now());
    for (size_t from = 0; from < text.size() && !stop_->load(); from += slice) {
      const std::string_view part = std::string_view(text).substr(from, slice);
      std::this_thread::sleep_until(lineFree_);
      if (!stream_->write(part, 5000)) break;
      lineFree_ +=
          std::chrono::nanoseconds(1'000'000'000LL * static_cast<long long>(part.size()) / rate);
    }
  } else if (!text.empty()) {
    stream_->write(text, 5000);
  }
  if (drop) {
    stream_->close();
    dropped_ = true;
  }
}

void AdapterEmulator::serveClient(ByteStream& stream, const std::atomic<bool>& stop, bool serial) {
  stream_ = &stream;
  stop_ = &stop;
  serial_ = serial;
  dropped_ = false;
  ended_ = false;
  sent_ = 0;
  settings_ = Settings();
  verbose_ = options_.verbose && isAr488();
  lines_.clear();
  wire_.clear();
  held_.clear();
  busMessage_.clear();
  lastArrival_ = firmwareFree_ = deafUntil_ = lineFree_ = Clock::now();
  if (options_.bootMs > 0 && !options_.instant) {
    // Still starting: what the host sends meanwhile is lost.
    deafUntil_ = Clock::now() + std::chrono::milliseconds(options_.bootMs);
    while (Clock::now() < deafUntil_ && !stop.load() && !stream.failed()) stream.read(20);
    if (isAr488()) out(version() + "\r\n");
  }
  while (!stop.load() && !dropped_ && !ended_) {
    if (between_) between_();
    if (!receive(wire_.empty() ? 100 : 0)) break;
    while (!wire_.empty() && !dropped_ && !stop.load()) takeByte();
  }
  stream_ = nullptr;
}

void AdapterEmulator::toBus(const std::string& bytes, bool eoi) {
  if (!present()) return;  // nobody listens: the bytes go nowhere
  busMessage_ += bytes;
  if (busMessage_.size() > HostLines::kMaxLine)
    busMessage_.erase(0, busMessage_.size() - HostLines::kMaxLine);
  // Old AR488 firmware pulses EOI after the last byte, which ends no message.
  if (!eoi || traits_.oldFirmware) return;
  messages_.push_back(busMessage_);
  if (messages_.size() > 1000) messages_.pop_front();
  analyser_.write(std::exchange(busMessage_, {}));
  replyReady_ = Clock::now() + std::chrono::milliseconds(options_.replyDelayMs);
}

void AdapterEmulator::data(const std::string& text) {
  static const char* const kEnds[] = {"\r\n", "\r", "\n", ""};
  const std::string line = text + kEnds[std::clamp(settings_.eos, 0, 3)];
  const bool eoi = settings_.eoi != 0;
  // The analyser takes each byte at its handshake's pace.
  if (traits_.busUsPerByte > 0) {
    pause(static_cast<int>(static_cast<long long>(line.size()) * traits_.busUsPerByte / 1000));
  }
  if (traits_.cuts) {
    for (size_t from = 0; from < line.size(); from += AdapterDriver::kAr488Piece) {
      toBus(line.substr(from, AdapterDriver::kAr488Piece), eoi);
    }
  } else {
    toBus(line, eoi);
  }
  if (settings_.autoRead != 0) readReply(-1);
}

void AdapterEmulator::readReply(int until) {
  const int tmo = settings_.readTmoMs;
  if (!present()) {
    pause(tmo);
    return;
  }
  const auto now = Clock::now();
  if (now < replyReady_) {
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(replyReady_ - now);
    if (wait.count() > tmo) {
      pause(tmo);  // gives up; the reply stays with the instrument for the next read
      return;
    }
    pause(static_cast<int>(wait.count()));
  }
  std::optional<std::string> reply = analyser_.read();
  if (!reply) {
    pause(tmo);
    return;
  }
  bool ended = true;
  if (until >= 0) {
    const size_t at = reply->find(static_cast<char>(until));
    if (at != std::string::npos && at + 1 < reply->size()) {
      analyser_.unread(reply->substr(at + 1));
      reply->resize(at + 1);
      ended = false;
    }
  }
  if (ended && settings_.eotEnable != 0) *reply += static_cast<char>(settings_.eotChar);
  out(*reply);
}

void AdapterEmulator::command(const std::string& line) {
  const std::vector<std::string> w = words(line.substr(2));
  if (w.empty()) return;
  const std::string& name = w[0];
  const std::optional<int> given = w.size() > 1 ? number(w[1]) : std::optional<int>();
  const bool hasArg = given.has_value();
  const int arg = given.value_or(-1);
  const int most =
      isAr488() ? AdapterDriver::kAr488MaxTimeoutMs : AdapterDriver::kOriginalMaxTimeoutMs;
  // An AR488 says what it did not take; the original silently ignores it.
  const auto invalid = [this] {
    if (isAr488()) out("Invalid parameter\r\n");
  };
  struct Setting {
    const char* name;
    int* value;
    int low, high;
  } const table[] = {{"mode", &settings_.mode, 0, 1},
                     {"auto", &settings_.autoRead, 0, 1},
                     {"eos", &settings_.eos, 0, 3},
                     {"eoi", &settings_.eoi, 0, 1},
                     {"eot_enable", &settings_.eotEnable, 0, 1},
                     {"eot_char", &settings_.eotChar, 0, 255},
                     {"read_tmo_ms", &settings_.readTmoMs, 1, most},
                     {"savecfg", &settings_.saveCfg, 0, 1}};
  for (const Setting& s : table) {
    if (name != s.name) continue;
    if (name == "savecfg" && isAr488() && w.size() > 1) ++eepromWrites_;  // whatever the value
    if (w.size() == 1) {
      out(std::to_string(*s.value) + "\r\n");
    } else if (hasArg && arg >= s.low && arg <= s.high) {
      *s.value = arg;
      if (name == "mode") pause(traits_.modeMs);
    } else {
      invalid();
    }
    return;
  }
  if (name == "addr") {
    if (w.size() == 1) {
      std::string answer = std::to_string(settings_.pad);
      if (settings_.sadCode != 0) answer.append(" ").append(std::to_string(settings_.sadCode));
      out(answer.append("\r\n"));
      return;
    }
    // Old AR488 firmware reads the address with atoi: the secondary address is lost.
    const std::optional<int> sad =
        w.size() > 2 && !traits_.oldFirmware ? number(w[2]) : std::optional<int>(0);
    // An AR488 keeps PAD 0 for itself.
    const int lowest = isAr488() ? 1 : 0;
    if (!hasArg || arg < lowest || arg > 30 || !sad || (*sad != 0 && (*sad < 96 || *sad > 126))) {
      invalid();
      return;
    }
    settings_.pad = arg;
    settings_.sadCode = *sad;
  } else if (name == "ver") {
    out(version() + "\r\n");
  } else if (name == "read") {
    if (w.size() == 1 || w[1] == "eoi") {
      readReply(-1);
    } else if (hasArg && arg >= 0 && arg <= 255) {
      readReply(arg);
    }
  } else if (name == "clr") {
    busMessage_.clear();
    if (present()) analyser_.deviceClear();
  } else if (name == "spoll") {
    // An AR488 addresses the primary address only; a device that listens to a secondary
    // address does not answer that.
    const bool answers = traits_.spollPrimary ? settings_.sadCode == 0 && present() : present();
    if (answers) {
      out("0\r\n");
    } else {
      pause(settings_.readTmoMs);
    }
  } else if (name == "loc") {
    ++locals_;
    if (options_.restartAfterLocal > 0 && locals_ % options_.restartAfterLocal == 0) restart(false);
  } else if (name == "rst") {
    restart(true);
  } else if (name == "ifc" || name == "trg" || name == "srq" || name == "llo") {
    // Bus management with nothing to show on the simulated bus.
  } else if (name == "verbose" && isAr488()) {
    verbose_ = !verbose_;
  } else if (isAr488()) {
    out("Unrecognized command\r\n");
  }
}

bool AdapterEmulator::serve(const std::string& listen, const std::atomic<bool>& stop,
                            const std::function<void(const std::string&)>& listening,
                            std::string& why) {
  if (listen == "pty") {
#ifdef _WIN32
    why = "pseudo-terminals need a POSIX system";
    return false;
#else
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
      why = "cannot make a pseudo-terminal";
      if (master >= 0) ::close(master);
      return false;
    }
    const std::string path = ptsname(master);
    // Held open here so that the terminal stays raw and readable between clients.
    const int slave = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (slave >= 0) {
      termios t{};
      tcgetattr(slave, &t);
      cfmakeraw(&t);
      tcsetattr(slave, TCSANOW, &t);
    }
    listening("serial:" + path);
    FdStream stream(master);
    while (!stop.load() && !stream.failed()) serveClient(stream, stop, true);
    if (slave >= 0) ::close(slave);
    ::close(master);
    return true;
#endif
  }
  if (listen.rfind("tcp:", 0) != 0) {
    why = "listen at tcp:[HOST:]PORT or pty";
    return false;
  }
  std::string host = "127.0.0.1";
  std::string port = listen.substr(4);
  if (const size_t colon = port.rfind(':'); colon != std::string::npos) {
    host = port.substr(0, colon);
    port = port.substr(colon + 1);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
      host = host.substr(1, host.size() - 2);
    }
  }
  const std::optional<int> portNumber = number(port);
  QHostAddress address;
  if (!portNumber || *portNumber < 0 || *portNumber > 65535 ||
      !address.setAddress(QString::fromStdString(host))) {
    why = "\"" + listen + "\": listen at tcp:[HOST:]PORT with a numeric host";
    return false;
  }
  QTcpServer server;
  if (!server.listen(address, static_cast<quint16>(*portNumber))) {
    why = "cannot listen at " + listen + ": " + server.errorString().toStdString();
    return false;
  }
  const bool v6 = host.find(':') != std::string::npos;
  listening("tcp:" + (v6 ? "[" + host + "]" : host) + ":" + std::to_string(server.serverPort()));
  // Connections are taken from the server as soon as they come, so none is left behind in
  // its queue to be noticed only when the next one arrives.
  std::deque<std::unique_ptr<QTcpSocket>> waiting;
  bool busy = false;
  Clock::time_point servedSince{};
  const auto admit = [&] {
    server.waitForNewConnection(0);
    while (QTcpSocket* next = server.nextPendingConnection()) {
      next->setParent(nullptr);
      std::unique_ptr<QTcpSocket> socket(next);
      const bool sameMoment = Clock::now() - servedSince < std::chrono::milliseconds(kSameMomentMs);
      if (!busy || (sameMoment && waiting.size() < kMaxWaiting)) {
        waiting.push_back(std::move(socket));
      } else {
        socket->abort();  // busy with another client: turned away, not left hanging
      }
    }
  };
  while (!stop.load()) {
    if (waiting.empty()) {
      if (!server.waitForNewConnection(100)) continue;
      admit();
      continue;
    }
    TcpStream stream{std::move(waiting.front())};
    waiting.pop_front();
    busy = true;
    servedSince = Clock::now();
    between_ = admit;
    serveClient(stream, stop, false);
    between_ = nullptr;
    busy = false;
  }
  return true;
}
