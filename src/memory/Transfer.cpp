#include "memory/Transfer.h"

#include <string>
#include <vector>

#include "link/DeviceConnection.h"
#include "link/Operator.h"
#include "memory/HexCodec.h"
#include "memory/MemoryImages.h"

namespace {
struct KindTexts {
  const char* reading;  // padded to 21 characters
  const char* query;
  const char* writing;
  const char* data;  // command word of the frames
  const char* load;  // nothing for the configuration
};

const KindTexts* textsOf(int32_t Config) {
  static const KindTexts kTexts[3] = {
      {"Reading Configuration", "INSETUP?", "Writing Configuration", "INSET ", nullptr},
      {"Reading Acquisition  ", "ACQMEM?", "Writing Acquisition", "ACQMEM ", "LOAD ACQMEM"},
      {"Reading Reference    ", "REFMEM?", "Writing Reference", "REFMEM ", "LOAD REFMEM"},
  };
  if (Config < kConfiguration || Config > kReference) return nullptr;
  return &kTexts[Config - 1];
}

std::string screenText(const std::string& text) { return "DISPLAY 3,1,ASCII,\"" + text + "\""; }

const std::string kClearText(21, ' ');

// The message, and on a second line why the link failed when the driver could say.
std::string withCause(const char* text, const DeviceConnection& dev) {
  return dev.Cause.empty() ? std::string(text) : std::string(text) + "\r" + dev.Cause;
}

// The four stretches of the setup image the analyser accepts back, in the order it needs
// them; the first runs to the end of the image.
struct Portion {
  int16_t start;
  int16_t total;  // 0: up to SetupLen
};
constexpr Portion kSetupPortions[4] = {{710, 0}, {471, 16}, {540, 144}, {684, 24}};
constexpr int16_t kFirstPortionStart = 710;

// Sending needs a whole image: a setup image must reach past the start of its first
// portion, and an acquisition must hold at least one byte, and neither may claim more bytes
// than its image has. Anything else can only come from a damaged file and would send empty
// frame blocks.
bool sendable(const MemoryImages& images, int32_t Config) {
  if (textsOf(Config) == nullptr) return false;
  if (Config == kConfiguration) {
    return images.SetupLen > kFirstPortionStart &&
           static_cast<size_t>(images.SetupLen) <= images.SetupMem.size();
  }
  return images.AcqLen >= 1 && static_cast<size_t>(images.AcqLen) <= images.AcqMem.size();
}
}  // namespace

std::vector<std::pair<int32_t, int32_t>> Transfer::WrittenRanges(int32_t Config,
                                                                 const MemoryImages& images) {
  if (!sendable(images, Config)) return {};
  if (Config != kConfiguration) return {{0, images.AcqLen}};
  std::vector<std::pair<int32_t, int32_t>> ranges;
  for (const Portion& portion : kSetupPortions)
    ranges.emplace_back(portion.start,
                        portion.total > 0 ? portion.total : images.SetupLen - portion.start);
  return ranges;
}

// Without a usable driver library there is nothing the settings could mend, and every
// further attempt would only repeat the driver's message.
bool Transfer::Tek2Mem(int32_t Config) {
  LinkFailed = false;
  if (!dev_.DevOpen()) {
    if (dev_.DriverMissing) return false;
    op_.openGpibSettings();
  }
  const bool ok = ReadMemFromTek(Config);
  dev_.DevClose();
  return ok;
}

bool Transfer::Mem2Tek(int32_t Config) {
  LinkFailed = false;
  if (!sendable(images_, Config)) {
    op_.message("Data write error", "", MsgIcon::None, MsgButtons::Ok);
    return false;
  }
  if (!dev_.DevOpen()) {
    if (dev_.DriverMissing) return false;
    op_.openGpibSettings();
  }
  const bool ok = WriteMemToTek(Config);
  dev_.DevClose();
  return ok;
}

bool Transfer::ReadMemFromTek(int32_t Config) {
  const KindTexts* texts = textsOf(Config);
  if (texts == nullptr) return false;
  op_.setBusy(true);
  // The writes' results do not matter here: a failed one closes the connection, the read
  // then comes back empty and that is reported below.
  dev_.DevWrite(screenText(texts->reading));
  dev_.DevWrite(texts->query);
  const std::string reply = dev_.DevRead();
  if (op_.cancelled()) {
    dev_.DevWrite(screenText(kClearText));
    op_.setBusy(false);
    return false;
  }
  const int16_t n = Hex2Mem(reply, images_.image(Config), MemoryImages::base(Config), &op_);
  images_.length(Config) = n;
  LinkFailed = n == 0;
  dev_.DevWrite(screenText(kClearText));
  op_.setBusy(false);
  if (n >= 1) return true;
  op_.message(n == -1 ? std::string("Data format error") : withCause("Data read error", dev_),
              "Local Error", MsgIcon::Information, MsgButtons::Ok);
  return false;
}

bool Transfer::WriteMemToTek(int32_t Config) {
  if (!sendable(images_, Config)) {
    op_.message("Data write error", "", MsgIcon::None, MsgButtons::Ok);
    return false;
  }
  const KindTexts* texts = textsOf(Config);
  LinkFailed = false;
  auto failure = [this] {
    LinkFailed = true;
    op_.setBusy(false);
    op_.message(withCause("Data write error", dev_), "", MsgIcon::None, MsgButtons::Ok);
    return false;
  };
  // Every command first, so that the operator sees how much of the whole has gone.
  std::vector<std::string> commands;
  if (Config == kConfiguration) {
    for (const Portion& portion : kSetupPortions) {
      const int16_t total = portion.total > 0
                                ? portion.total
                                : static_cast<int16_t>(images_.SetupLen - portion.start);
      commands.push_back(texts->data + Mem2Hex(images_.SetupMem, MemoryImages::base(Config),
                                               portion.start, total));
    }
  } else {
    commands.push_back(texts->data +
                       Mem2Hex(images_.AcqMem, MemoryImages::base(Config), 0, images_.AcqLen));
    // Only the load makes the analyser take the frames in: without it its memory is unchanged.
    commands.emplace_back(texts->load);
  }
  int64_t expected = 0, sent = 0;
  for (const std::string& command : commands) expected += static_cast<int64_t>(command.size());
  op_.setBusy(true);
  dev_.DevWrite(screenText(texts->writing));
  for (const std::string& command : commands) {
    if (!dev_.DevWrite(command)) return failure();
    sent += static_cast<int64_t>(command.size());
    op_.progress(sent, expected);
    // Stopped before the load, the analyser keeps the memory it had.
    if (op_.cancelled() && sent < expected) {
      dev_.DevWrite(screenText(kClearText));
      op_.setBusy(false);
      return false;
    }
  }
  dev_.DevWrite(screenText(kClearText));
  op_.setBusy(false);
  return true;
}
