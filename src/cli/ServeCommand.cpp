// logiremctl serve: the simulated analyser behind an emulated "++" GPIB adapter.
#include <QCoreApplication>
#include <atomic>
#include <csignal>
#include <iostream>

#include "backend/AdapterEmulator.h"
#include "cli/CliCommands.h"

namespace {
// Set by SIGINT and SIGTERM, so an interrupted emulator closes its socket or pseudo-terminal
// and ends like any other command.
std::atomic<bool> interrupted{false};
void Interrupt(int) { interrupted = true; }

bool wholeNumber(const std::string& text, long& value) {
  if (text.empty() || text.size() > 12) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  value = std::stol(text);
  return true;
}

// One --fault word; false when it is none of them.
bool takeFault(const std::string& fault, EmulatorOptions& o) {
  const size_t colon = fault.find(':');
  const std::string name = fault.substr(0, colon);
  long n = 0;
  if (colon == std::string::npos) {
    if (name != "no-device") return false;
    o.noDevice = true;
    return true;
  }
  if (!wholeNumber(fault.substr(colon + 1), n)) return false;
  if (name == "delay" && n <= 600000) {
    o.replyDelayMs = static_cast<int>(n);
  } else if (name == "drop") {
    o.dropAfterBytes = n;
  } else if (name == "slow" && n > 0 && n <= 100000000) {
    o.replyBytesPerSecond = static_cast<int>(n);
  } else if (name == "restart" && n > 0 && n <= 1000000) {
    o.restartAfterLocal = static_cast<int>(n);
  } else {
    return false;
  }
  return true;
}
}  // namespace

int RunServe(const CliOptions& options, const std::vector<std::string>& args) {
  EmulatorOptions o;
  o.pad = options.pad;
  o.sad = options.sad;
  std::string listen;
  SimReplyStyle style = SimReplyStyle::Plain;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    long n = 0;
    if (a == "--listen" && hasValue) {
      listen = args[++i];
    } else if (a == "--ar488") {
      o.model = AdapterModel::Ar488Uno;
    } else if (a == "--model" && hasValue && AdapterEmulator::ModelNamed(args[i + 1])) {
      o.model = AdapterEmulator::ModelNamed(args[++i]);
    } else if (a == "--baud" && hasValue && wholeNumber(args[i + 1], n) && n >= 300 &&
               n <= 100000000) {
      o.baud = static_cast<int>(n);
      ++i;
    } else if (a == "--verbose") {
      o.verbose = true;
    } else if (a == "--boot-ms" && hasValue && wholeNumber(args[i + 1], n) && n <= 60000) {
      o.bootMs = static_cast<int>(n);
      ++i;
    } else if (a == "--fault" && hasValue && takeFault(args[i + 1], o)) {
      ++i;
    } else if (a == "--reply-style" && hasValue &&
               (args[i + 1] == "plain" || args[i + 1] == "headed")) {
      style = args[++i] == "headed" ? SimReplyStyle::Headed : SimReplyStyle::Plain;
    } else {
      return UsageError("serve: unexpected " + a);
    }
  }
  if (listen.empty()) return UsageError("serve needs --listen tcp:[HOST:]PORT or --listen pty");
  int argc = 1;
  char name[] = "logiremctl";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);  // sockets want one, though nothing here runs its loop
  AdapterEmulator emulator(o);
  emulator.analyser().setReplyStyle(style);
  std::signal(SIGINT, Interrupt);
  std::signal(SIGTERM, Interrupt);
  std::string why;
  const bool served = emulator.serve(
      listen, interrupted,
      [](const std::string& where) { std::cout << "Listening on " << where << std::endl; }, why);
  if (!served) {
    std::cerr << "logiremctl: " << why << "\n";
    return 1;
  }
  return 0;
}
