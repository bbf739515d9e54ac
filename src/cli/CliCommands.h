#pragma once
// The commands of logiremctl. Each takes the words after the command name and the global
// options, prints its result to stdout and its messages to stderr, and returns the exit
// status: 0 success, 1 failure (one line "logiremctl: FILE: REASON" for a bad file), 2 usage.
#include <cstdint>
#include <string>
#include <vector>

struct CliOptions {
  std::string interfaceName = "sim";  // --interface gpib|sim|prologix
  std::string port;                   // --port: the adapter's port (tcp:HOST[:PORT], serial:DEV)
  int16_t board = 0;                  // --board
  int16_t pad = 7;                    // --pad
  int16_t sad = 0;                    // --sad
  bool trace = false;                 // --trace: every driver call and its status to stderr
};

// File commands: show, export, defaults.
int RunShow(const std::vector<std::string>& args);
int RunExport(const std::vector<std::string>& args);
int RunDefaults(const std::vector<std::string>& args);
// Table commands: listing (0, or 1 when --find matches no row, 2 for any trouble)
// and compare (0 identical, 1 different, 2 trouble).
int RunListing(const std::vector<std::string>& args);
int RunCompare(const std::vector<std::string>& args);
// Analyser commands: id, read, write.
int RunId(const CliOptions& options, const std::vector<std::string>& args);
int RunRead(const CliOptions& options, const std::vector<std::string>& args);
int RunWrite(const CliOptions& options, const std::vector<std::string>& args);
// The adapter emulator: serve --listen tcp:[HOST:]PORT|pty [...].
int RunServe(const CliOptions& options, const std::vector<std::string>& args);

// Whether the file can be opened for reading (a folder cannot); a load of one that cannot
// always fails with "cannot open the file", whatever its name.

// Prints the usage text to stderr and returns 2.
int UsageError(const std::string& why);
