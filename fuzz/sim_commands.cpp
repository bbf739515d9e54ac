// The simulated analyser's command handling, then the program's reads and writes against
// whatever state the commands left. Without a fault: identification names the fitted cards,
// every read brings the analyser's whole memory, however long its reply, without a checksum
// report, every write of what was read is accepted, and reading again gives the same image.
// With a fault the transfers may fail, but only as they are meant to.
#include <algorithm>
#include <memory>

#include "FuzzCheck.h"
#include "link/DeviceConnection.h"
#include "link/Operator.h"
#include "link/TekIdent.h"
#include "memory/MemoryImages.h"
#include "memory/Transfer.h"
#include "sim/SimDriver.h"

namespace {
class QuietOperator : public Operator {
 public:
  MsgAnswer message(const std::string& text, const std::string&, MsgIcon,
                    MsgButtons buttons) override {
    messages.push_back(text);
    return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::No;
  }
  void setBusy(bool) override {}
  void beep() override {}
  void openGpibSettings() override {}
  std::vector<std::string> messages;
};

constexpr size_t kMaxCommands = 48;

// Fault selector, fault parameter, card slots.
bool applySettings(FuzzInput& in, SimAnalyser& sim) {
  const uint8_t flags = in.byte();
  const uint8_t parameter = in.byte();
  const uint8_t slots = in.byte();
  sim.setReplyStyle(flags & 1 ? SimReplyStyle::Headed : SimReplyStyle::Plain);
  SimFaults& f = sim.faults();
  switch ((flags >> 1) & 7) {
    case 1:
      f.badChecksumFrame = parameter % 8 + 1;
      break;
    case 2:
      f.wrongFirstAddress = true;
      break;
    case 3:
      f.frameOutsideMemory = true;
      break;
    case 4:
      f.longReply = true;
      break;
    case 5:
      f.failWriteNumber = parameter % 8 + 1;
      break;
    case 6:
      f.replyTimeout = true;
      break;
    case 7:
      f.cutReplyAfter = 1 + size_t{parameter} * 64;
      break;
    default:
      break;
  }
  sim.setSlots({slots & 3, (slots >> 2) & 3, (slots >> 4) & 3, (slots >> 6) & 3});
  return ((flags >> 1) & 7) != 0;
}

std::span<const uint8_t> memoryOf(SimAnalyser& sim, int32_t kind, int16_t& length) {
  if (kind == kConfiguration) {
    length = SimAnalyser::kSetupLength;
    return sim.setupMemory();
  }
  length = kind == kAcquisition ? sim.acqLength() : sim.refLength();
  return kind == kAcquisition ? std::span<const uint8_t>(sim.acqMemory())
                              : std::span<const uint8_t>(sim.refMemory());
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  auto driver = std::make_unique<SimDriver>();
  SimAnalyser& sim = driver->analyser();
  const bool faulty = applySettings(in, sim);

  QuietOperator op;
  DeviceConnection dev(*driver, op);
  // Commands, one a line, each on its own connection; a query is answered.
  const std::string_view script = in.rest();
  size_t at = 0;
  for (size_t n = 0; n < kMaxCommands && at < script.size(); ++n) {
    const size_t end = std::min(script.find('\n', at), script.size());
    const std::string command(script.substr(at, end - at));
    at = end + 1;
    if (!dev.DevOpen()) continue;
    dev.DevWrite(command);
    if (!command.empty() && command.back() == '?') {
      const std::string reply = dev.DevRead();
      FUZZ_CHECK(reply.size() < static_cast<size_t>(DeviceConnection::kLongestReply +
                                                    DeviceConnection::kReadBuffer));
    }
    dev.DevClose();
  }

  TekIdentity identity;
  const bool answered = GetTekIdent(dev, identity);
  if (!faulty) {
    FUZZ_CHECK(answered);
    int nines = 0, eighteens = 0;
    for (const std::string& card : identity.Cards) {
      nines += card == " 9 bits card";
      eighteens += card == "18 bits card";
    }
    FUZZ_CHECK(identity.nNm09 == nines && identity.nNm18 == eighteens);
  }

  auto images = std::make_unique<MemoryImages>();
  Transfer transfer(dev, *images, op);
  const int rejectedBefore = sim.rejectedWrites();
  for (const int32_t kind : {kConfiguration, kAcquisition, kReference}) {
    op.messages.clear();
    const bool read = transfer.Tek2Mem(kind);
    const int16_t n = images->length(kind);
    const auto image = images->image(kind);
    FUZZ_CHECK(read == (n >= 1));
    FUZZ_CHECK(n <= static_cast<int16_t>(image.size()));
    if (!read) {
      FUZZ_CHECK(std::all_of(image.begin(), image.end() - 1, [](uint8_t b) { return b == 0; }));
      FUZZ_CHECK(!op.messages.empty());
      const std::string& why = op.messages.back();
      FUZZ_CHECK(why == "Data read error" || why == "Data format error");
    }
    if (faulty) {
      if (read && (kind != kConfiguration || n > 710)) transfer.Mem2Tek(kind);
      continue;
    }
    int16_t length = 0;
    const auto memory = memoryOf(sim, kind, length);
    FUZZ_CHECK(read == (length >= 1));
    FUZZ_CHECK(op.messages.size() == (read ? 0u : 1u));
    if (!read) continue;
    FUZZ_CHECK(n == length);
    FUZZ_CHECK(std::equal(image.begin(), image.begin() + n, memory.begin()));
    if (kind == kConfiguration && n <= 710) continue;

    const std::vector<uint8_t> copy(image.begin(), image.end());
    FUZZ_CHECK(transfer.Mem2Tek(kind));
    FUZZ_CHECK(sim.rejectedWrites() == rejectedBefore);
    FUZZ_CHECK(transfer.Tek2Mem(kind));
    FUZZ_CHECK(images->length(kind) == n);
    FUZZ_CHECK(std::equal(copy.begin(), copy.end() - 1, image.begin()));
    FUZZ_CHECK(op.messages.empty());
  }
  return 0;
}
