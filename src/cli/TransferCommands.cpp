// logiremctl id, read and write: the analyser commands, on the chosen driver back end.
#include <QCoreApplication>
#include <cstdio>
#include <iostream>
#include <memory>
#include <span>

#include "backend/DriverFactory.h"
#include "backend/Registry.h"
#include "cli/CliCommands.h"
#include "cli/StderrOperator.h"
#include "link/DeviceConnection.h"
#include "link/GpibDriver.h"
#include "link/TekIdent.h"
#include "link/TracingDriver.h"
#include "memory/DataFiles.h"
#include "memory/MemoryImages.h"
#include "memory/Transfer.h"

namespace {
int qtArgc = 1;
char qtName[] = "logiremctl";
char* qtArgv[] = {qtName, nullptr};

// The driver chosen by the options, wrapped for --trace, and a connection on it.
class Link {
 public:
  explicit Link(const CliOptions& options) {
    std::string port = options.port;
    // An adapter's port defaults to the one the window program stored for its default
    // instance.
    if (options.interfaceName == "prologix" && port.empty()) {
      port = Registry()
                 .RegRead(QStringLiteral("Logirem"), QStringLiteral("Port"), QString())
                 .toStdString();
      if (port.empty()) {
        problem_ = "--interface prologix needs --port (no port is stored)";
        return;
      }
    }
    // Qt's serial port and sockets watch their handles through the application object, even
    // when only their blocking calls are used.
    if (options.interfaceName == "prologix" && QCoreApplication::instance() == nullptr) {
      app_ = std::make_unique<QCoreApplication>(qtArgc, qtArgv);
    }
    driver_ = MakeDriver(options.interfaceName, port, options.trace ? &std::cerr : nullptr);
    if (!driver_) {
      problem_ = "unknown interface " + options.interfaceName;
      return;
    }
    if (options.trace) tracer_ = std::make_unique<TracingDriver>(*driver_, std::cerr);
    connection_ = std::make_unique<DeviceConnection>(
        tracer_ ? static_cast<GpibDriver&>(*tracer_) : *driver_, op_);
    connection_->Board = options.board;
    connection_->PAd = options.pad;
    connection_->SAd = options.sad;
  }
  bool valid() const { return connection_ != nullptr; }
  const std::string& problem() const { return problem_; }
  DeviceConnection& connection() { return *connection_; }
  StderrOperator& op() { return op_; }
  const GpibDriver* driver() const { return driver_.get(); }

 private:
  std::string problem_;
  std::unique_ptr<QCoreApplication> app_;  // outlives the driver
  StderrOperator op_;
  std::unique_ptr<GpibDriver> driver_;
  std::unique_ptr<TracingDriver> tracer_;
  std::unique_ptr<DeviceConnection> connection_;
};

int32_t kindOf(const std::string& word) {
  if (word == "setup") return kConfiguration;
  if (word == "acq") return kAcquisition;
  if (word == "ref") return kReference;
  return 0;
}

std::string where(const CliOptions& o) {
  return "board " + std::to_string(o.board) + ", PAD " + std::to_string(o.pad) + ", SAD " +
         std::to_string(o.sad);
}
}  // namespace

int RunId(const CliOptions& options, const std::vector<std::string>& args) {
  if (!args.empty()) return UsageError("id takes no arguments");
  Link link(options);
  if (!link.valid()) return UsageError(link.problem());
  TekIdentity identity;
  if (!GetTekIdent(link.connection(), identity)) {
    if (link.connection().DriverMissing) return 1;  // its message has been shown
    std::cerr << "Not connected: no analyser at " << where(options) << "\n";
    // A back end that can say why (an adapter's port, say) does.
    if (!link.connection().Cause.empty())
      std::cerr << "logiremctl: " << link.connection().Cause << "\n";
    return 1;
  }
  if (identity.Reply.empty()) {
    std::cerr << "logiremctl: the analyser at " << where(options) << " did not answer \"ID?\"\n";
    if (!link.connection().Cause.empty())
      std::cerr << "logiremctl: " << link.connection().Cause << "\n";
    return 1;
  }
  // The texts come from the analyser's reply as they stand.
  const auto shown = StderrOperator::Visible;
  std::cout << "Type: " << shown(identity.Typ) << "\n"
            << "System version: " << shown(identity.Ver[0]) << "\n"
            << "Communication version: " << shown(identity.Ver[1]) << "\n";
  for (size_t k = 0; k < identity.Cards.size(); ++k) {
    std::cout << "Slot " << k << ": " << shown(identity.Cards[k]) << "\n";
  }
  std::cout << "9-bit cards: " << identity.nNm09 << "\n"
            << "18-bit cards: " << identity.nNm18 << "\n";
  return 0;
}

int RunRead(const CliOptions& options, const std::vector<std::string>& args) {
  if (args.size() != 2 || kindOf(args[0]) == 0) {
    return UsageError("read needs setup|acq|ref and a file");
  }
  const int32_t kind = kindOf(args[0]);
  Link link(options);
  if (!link.valid()) return UsageError(link.problem());
  MemoryImages images;
  Transfer transfer(link.connection(), images, link.op());
  if (!transfer.Tek2Mem(kind)) return 1;
  if (std::string why; !WriteFile(args[1], images, kind, 0, &why)) {
    std::cerr << "logiremctl: " << args[1] << ": cannot write the file: " << why << "\n";
    return 1;
  }
  std::cout << "Read " << images.length(kind) << " bytes of " << KindWord(kind) << " into "
            << args[1] << "\n";
  return 0;
}

int RunWrite(const CliOptions& options, const std::vector<std::string>& words) {
  std::vector<std::string> args;
  bool verify = false;
  for (const std::string& w : words) {
    if (w == "--verify") {
      verify = true;
    } else {
      args.push_back(w);
    }
  }
  if (args.size() != 2 || kindOf(args[0]) == 0) {
    return UsageError("write needs setup|acq|ref and a file");
  }
  const int32_t kind = kindOf(args[0]);
  Link link(options);
  if (!link.valid()) return UsageError(link.problem());
  if (!CanOpen(args[1])) {
    std::cerr << "logiremctl: " << args[1] << ": cannot open the file\n";
    return 1;
  }
  MemoryImages images;
  if (!ReadFile(args[1], images, kind, &link.op())) {
    std::cerr << "logiremctl: " << args[1] << ": Bad " << KindWord(kind) << " data\n";
    return 1;
  }
  Transfer transfer(link.connection(), images, link.op());
  if (!transfer.Mem2Tek(kind)) return 1;
  if (verify) {
    // Read back, and compare only what was sent: the analyser may fill in the rest itself.
    MemoryImages back;
    Transfer reading(link.connection(), back, link.op());
    if (!reading.Tek2Mem(kind)) return 1;
    const std::span<const uint8_t> sent = images.image(kind), got = back.image(kind);
    for (const auto& [start, count] : Transfer::WrittenRanges(kind, images)) {
      for (int32_t i = start; i < start + count; ++i) {
        const auto at = static_cast<size_t>(i);
        if (i < back.length(kind) && sent[at] == got[at]) continue;
        char address[16];
        std::snprintf(address, sizeof address, "%X", MemoryImages::base(kind) + i);
        link.op().message("Data write error\rThe analyser holds something else at address " +
                              std::string(address) + " (read back after the write)",
                          "", MsgIcon::None, MsgButtons::Ok);
        return 1;
      }
    }
  }
  std::cout << "Wrote " << images.length(kind) << " bytes of " << KindWord(kind) << " from "
            << args[1] << "\n";
  return 0;
}
