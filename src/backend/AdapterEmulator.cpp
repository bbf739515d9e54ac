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
}

std::string AdapterEmulator::version() const {
  if (options_.ar488) return "AR488 GPIB controller, ver. 0.51.29, 18/03/2024";
  return serial_ ? "Prologix GPIB-USB Controller version 6.107"
                 : "Prologix GPIB-ETHERNET Controller version 01.06.06.00";
}

void AdapterEmulator::restart() {
  settings_ = Settings();
  out(version() + "\r\n");
}

bool AdapterEmulator::present() const {
  const int16_t sad = static_cast<int16_t>(settings_.sadCode == 0 ? 0 : settings_.sadCode - 96);
  return analyser_.answersAt(analyser_.board(), static_cast<int16_t>(settings_.pad), sad);
}

void AdapterEmulator::pause(int ms) {
  if (options_.instant) return;
  const auto until = Clock::now() + std::chrono::milliseconds(ms);
  while (Clock::now() < until && !stop_->load()) {
    std::this_thread::sleep_for(
        std::min<Clock::duration>(until - Clock::now(), std::chrono::milliseconds(20)));
  }
}

void AdapterEmulator::out(const std::string& bytes) {
  if (dropped_) return;
  std::string text = bytes;
  const bool drop = options_.dropAfterBytes >= 0 &&
                    sent_ + static_cast<long>(text.size()) > options_.dropAfterBytes;
  if (drop) text.resize(static_cast<size_t>(options_.dropAfterBytes - sent_));
  sent_ += static_cast<long>(text.size());
  if (!text.empty()) stream_->write(text, 5000);
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
  sent_ = 0;
  settings_ = Settings();
  lines_.clear();
  if (options_.ar488 && options_.bootMs > 0 && !options_.instant) {
    // Still starting: what the host sends meanwhile is lost.
    const auto until = Clock::now() + std::chrono::milliseconds(options_.bootMs);
    while (Clock::now() < until && !stop.load() && !stream.failed()) stream.read(20);
    out(version() + "\r\n");
  }
  while (!stop.load() && !dropped_) {
    if (between_) between_();
    const std::string got = stream.read(100);
    if (got.empty() && stream.failed()) break;
    lines_.feed(got);
    HostLines::Line line;
    while (!dropped_ && !stop.load() && lines_.next(line)) {
      if (line.command) {
        command(line.text);
      } else {
        data(line.text);
      }
    }
  }
  stream_ = nullptr;
}

void AdapterEmulator::data(const std::string& text) {
  if (!present()) return;  // nobody listens: the bytes go nowhere
  static const char* const kEnds[] = {"\r\n", "\r", "\n", ""};
  analyser_.write(text + kEnds[std::clamp(settings_.eos, 0, 3)]);
  replyReady_ = Clock::now() + std::chrono::milliseconds(options_.replyDelayMs);
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
      options_.ar488 ? AdapterDriver::kAr488MaxTimeoutMs : AdapterDriver::kOriginalMaxTimeoutMs;
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
    if (w.size() == 1) {
      out(std::to_string(*s.value) + "\r\n");
    } else if (hasArg && arg >= s.low && arg <= s.high) {
      *s.value = arg;
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
    const std::optional<int> sad = w.size() > 2 ? number(w[2]) : std::optional<int>(0);
    if (!hasArg || arg < 0 || arg > 30 || !sad || (*sad != 0 && (*sad < 96 || *sad > 126))) return;
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
    if (present()) analyser_.deviceClear();
  } else if (name == "spoll") {
    if (present()) {
      out("0\r\n");
    } else {
      pause(settings_.readTmoMs);
    }
  } else if (name == "loc") {
    ++locals_;
    if (options_.restartAfterLocal > 0 && locals_ % options_.restartAfterLocal == 0) restart();
  } else if (name == "rst") {
    restart();
  } else if (name == "ifc" || name == "trg" || name == "srq" || name == "llo") {
    // Bus management with nothing to show on the simulated bus.
  } else if (options_.ar488) {
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
