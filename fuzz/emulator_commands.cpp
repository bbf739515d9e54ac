// The adapter emulator (what `logiremctl serve` runs) serving a host that sends anything:
// "++" commands with any words, data for the analyser, reads, in pieces of any size. It
// neither hangs nor fails, and whatever came before, a reset and "++ver" still get the
// version line, and the analyser at its address still answers "ID?".
#include <atomic>

#include "FuzzCheck.h"
#include "adapter/ByteStream.h"
#include "adapter/HostLines.h"
#include "backend/AdapterEmulator.h"

namespace {
// Hands out the host's bytes in pieces of 1 to 64, then goes away.
class ScriptedHost : public ByteStream {
 public:
  explicit ScriptedHost(std::string script) : script_(std::move(script)) {}
  bool open(std::string&) override { return true; }
  void close() override {}
  bool write(std::string_view bytes, int) override {
    sent += bytes;
    return true;
  }
  std::string read(int) override {
    if (at_ >= script_.size()) return {};
    const size_t n = static_cast<unsigned char>(script_[at_]) % 64 + 1;
    std::string piece = script_.substr(at_, n);
    at_ += n;
    return piece;
  }
  bool failed() const override { return at_ >= script_.size(); }
  std::string sent;

 private:
  std::string script_;
  size_t at_ = 0;
};

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint8_t flags = in.byte();
  EmulatorOptions options;
  options.instant = true;
  if (flags & 1) options.model = AdapterModel::Ar488Uno;
  options.pad = static_cast<int16_t>(in.byte() % 30 + 1);  // an AR488 keeps PAD 0 for itself
  options.restartAfterLocal = flags >> 1 & 3;
  const bool serial = flags & 8;
  AdapterEmulator emulator(options);
  const std::atomic<bool> stop{false};

  // Two line ends close whatever line the bytes left open, even after a lone ESC.
  const std::string rest(in.rest());
  ScriptedHost host(rest + "\n\n++rst\n++ver\n");
  emulator.serveClient(host, stop, serial);
  const std::string version = emulator.version() + "\r\n";
  // A reset AR488 prints its banner; the original says nothing and ignores its input a while.
  FUZZ_CHECK(endsWith(host.sent, (flags & 1) ? version + version : version));

  ScriptedHost again(rest + "\n\n++rst\n++eot_enable 1\n++eot_char 4\n++addr " +
                     std::to_string(options.pad) + "\n" + HostLines::Escape("ID?") +
                     "\n++read eoi\n");
  emulator.serveClient(again, stop, serial);
  FUZZ_CHECK(endsWith(again.sent, emulator.analyser().identity() + "\x04"));
  return 0;
}
