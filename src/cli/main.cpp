// logiremctl: the command-line tool for scripts and checks.
#include <iostream>
#include <string>
#include <vector>

#include "cli/CliCommands.h"

namespace {
bool takeNumber(const std::vector<std::string>& words, size_t& i, int16_t& value) {
  if (i + 1 >= words.size()) return false;
  try {
    size_t used = 0;
    const int v = std::stoi(words[i + 1], &used);
    if (used != words[i + 1].size() || v < -32768 || v > 32767) return false;
    value = static_cast<int16_t>(v);
  } catch (const std::exception&) {
    return false;
  }
  ++i;
  return true;
}
}  // namespace

namespace {
void PrintUsage(std::ostream& outStream) {
  outStream << "usage: logiremctl [--interface gpib|sim|prologix] [--port PORT] [--board N] "
               "[--pad N] [--sad N] [--trace] COMMAND\n"
               "  show [--json] [--kind setup|acquisition] FILE\n"
               "  show --defaults [--json] [--kind setup|acquisition]\n"
               "  export FILE.dat --format csv|vcd|sr [--setup FILE.cnf] [--vectors] [-o OUT]\n"
               "  defaults [--setup OUT.cnf] [--acq OUT.dat]\n"
               "  id\n"
               "  read setup|acq|ref FILE\n"
               "  write setup|acq|ref FILE [--verify]\n"
               "  serve --listen tcp:[HOST:]PORT|pty [--model M] [--baud N] [--verbose]\n"
               "        [--boot-ms N] [--fault F]... [--reply-style plain|headed]\n"
               "      M: prologix-usb, prologix-eth, ar488-uno (or --ar488), ar488-usb,\n"
               "         ar488-old, clone\n"
               "      F: no-device, delay:MS, drop:BYTES, restart:N, slow:BYTES_PER_S\n"
               "  --version                           the version the window's caption shows\n";
}
}  // namespace

int UsageError(const std::string& why) {
  if (!why.empty()) std::cerr << "logiremctl: " << why << "\n";
  PrintUsage(std::cerr);
  return 2;
}

int main(int argc, char** argv) {
  const std::vector<std::string> words(argv + 1, argv + argc);
  // Asking for the usage is no error: it goes to stdout, for a pager.
  if (!words.empty() && (words[0] == "--help" || words[0] == "-h")) {
    PrintUsage(std::cout);
    return 0;
  }
  if (!words.empty() && words[0] == "--version") {
    std::cout << "logiremctl (Logirem) " LOGIREM_VERSION "\n";
    return 0;
  }
  CliOptions options;
  size_t i = 0;
  for (; i < words.size() && words[i].rfind("--", 0) == 0; ++i) {
    const std::string& w = words[i];
    if (w == "--interface" && i + 1 < words.size()) {
      options.interfaceName = words[++i];
    } else if (w == "--port" && i + 1 < words.size()) {
      options.port = words[++i];
    } else if (w == "--board") {
      if (!takeNumber(words, i, options.board)) return UsageError("--board needs a number");
    } else if (w == "--pad") {
      if (!takeNumber(words, i, options.pad)) return UsageError("--pad needs a number");
    } else if (w == "--sad") {
      if (!takeNumber(words, i, options.sad)) return UsageError("--sad needs a number");
    } else if (w == "--trace") {
      options.trace = true;
    } else {
      return UsageError("unknown option " + w);
    }
  }
  if (i >= words.size()) return UsageError("no command");
  const std::string command = words[i];
  const std::vector<std::string> args(words.begin() + static_cast<long>(i) + 1, words.end());
  if (command == "show") return RunShow(args);
  if (command == "export") return RunExport(args);
  if (command == "defaults") return RunDefaults(args);
  if (command == "id") return RunId(options, args);
  if (command == "read") return RunRead(options, args);
  if (command == "write") return RunWrite(options, args);
  if (command == "serve") return RunServe(options, args);
  return UsageError("unknown command " + command);
}
