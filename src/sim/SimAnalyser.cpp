#include "sim/SimAnalyser.h"

#include <algorithm>
#include <span>
#include <vector>

#include "memory/DefaultImages.h"
#include "memory/HexCodec.h"
#include "model/SetupModel.h"
#include "sim/DemoAcquisition.h"

namespace {
const std::string kDisplayCommand = "DISPLAY 3,1,ASCII,";

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The byte of the two hex digits at p, or -1 when they are not both hex digits.
int hexByte(const std::string& text, size_t p) {
  if (p + 1 >= text.size()) return -1;
  const int hi = hexDigit(text[p]);
  const int lo = hexDigit(text[p + 1]);
  return hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
}

struct Frame {
  int32_t address;
  std::vector<uint8_t> data;
};

// The frames of a memory write, read strictly as the instrument does: every frame complete,
// its checksum right, and every byte inside [base, base + size). Nothing on any fault.
std::optional<std::vector<Frame>> parseFrames(const std::string& text, size_t from, int32_t base,
                                              int32_t size) {
  std::vector<Frame> frames;
  size_t p = from;
  while (true) {
    while (p < text.size() && text[p] != 'H') ++p;
    if (p >= text.size()) break;
    ++p;
    const int count = hexByte(text, p);
    if (count < 5) return std::nullopt;
    int sum = count;
    int32_t address = 0;
    for (int k = 0; k < 3; ++k) {
      const int b = hexByte(text, p + 2 + 2 * static_cast<size_t>(k));
      if (b < 0) return std::nullopt;
      address = address * 256 + b;
      sum += b;
    }
    p += 8;
    Frame frame{address, {}};
    for (int n = 0; n < count - 4; ++n, p += 2) {
      const int b = hexByte(text, p);
      if (b < 0) return std::nullopt;
      frame.data.push_back(static_cast<uint8_t>(b));
      sum += b;
    }
    const int check = hexByte(text, p);
    if (check < 0 || (sum + check) % 256 != 0) return std::nullopt;
    p += 2;
    if (address < base || int64_t{address} - base + (count - 4) > size) return std::nullopt;
    frames.push_back(std::move(frame));
  }
  if (frames.empty()) return std::nullopt;
  return frames;
}

std::string trimmed(const std::string& command) {
  std::string c = command;
  while (!c.empty() && (c.back() == '\n' || c.back() == '\r')) c.pop_back();
  return c;
}

bool startsWith(const std::string& text, const std::string& prefix) {
  return text.rfind(prefix, 0) == 0;
}
}  // namespace

SimAnalyser::SimAnalyser() {
  Hex2Mem(DefaultConfigText(), setup_, kSetupBase, nullptr);
  rebuildCaptures();
}

void SimAnalyser::setAddress(int16_t board, int16_t pad, int16_t sad) {
  board_ = board;
  pad_ = pad;
  sad_ = sad;
}

bool SimAnalyser::answersAt(int16_t board, int16_t pad, int16_t sad) const {
  return !faults_.noDevice && board == board_ && pad == pad_ && sad == sad_;
}

void SimAnalyser::setSlots(const std::array<int, 4>& slots) {
  slots_ = slots;
  rebuildCaptures();
}

void SimAnalyser::rebuildCaptures() {
  const int32_t trigger = SetupModel(setup_).TrigPosition();
  acqLen_ = DemoAcquisition::Build(slots_, trigger, 0, acq_);
  refLen_ = DemoAcquisition::Build(slots_, trigger, 1, ref_);
}

void SimAnalyser::setAcqLength(int16_t length) {
  acqLen_ = std::clamp<int16_t>(length, 0, static_cast<int16_t>(kAcqImageSize));
}

void SimAnalyser::setRefLength(int16_t length) {
  refLen_ = std::clamp<int16_t>(length, 0, static_cast<int16_t>(kAcqImageSize));
}

std::string SimAnalyser::identity() const {
  std::string id = "TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:";
  for (size_t k = 0; k < slots_.size(); ++k) {
    if (k > 0) id += ',';
    id += static_cast<char>('0' + std::clamp(slots_[k], 0, 9));
  }
  return id;
}

void SimAnalyser::deviceClear() {
  pendingReply_.reset();
  replyCut_ = false;
  heldAcq_.clear();
  heldRef_.clear();
  writesSinceClear_ = 0;
}

void SimAnalyser::unread(std::string rest) {
  if (!rest.empty()) pendingReply_ = std::move(rest);
}

std::optional<std::string> SimAnalyser::read() {
  std::optional<std::string> reply;
  reply.swap(pendingReply_);
  if (faults_.replyTimeout) return std::nullopt;
  return reply;
}

std::string SimAnalyser::memoryReply(const uint8_t* memory, size_t size, int32_t base,
                                     int16_t length) {
  if (length < 1) return {};
  std::vector<uint8_t> bytes(memory, memory + std::min(size, static_cast<size_t>(length)));
  if (faults_.longReply) {
    // Runs on past the capture with zeros to the end of the memory: the longest reply there is.
    bytes.resize(size, 0);
  }
  const int32_t shift = faults_.wrongFirstAddress ? 48 : 0;
  std::string text = Mem2Hex(bytes, base + shift, 0, static_cast<int16_t>(bytes.size()));
  if (faults_.frameOutsideMemory) {
    const std::vector<uint8_t> extra(16, 0xAA);
    text.back() = ',';
    text += Mem2Hex(extra, base + static_cast<int32_t>(size), 0, 16);
  }
  if (faults_.badChecksumFrame > 0) {
    // The checksum is the two characters before the frame's terminator.
    int frame = 0;
    for (size_t p = 0; p < text.size(); ++p) {
      if (text[p] != ',' && text[p] != ';') continue;
      if (++frame == faults_.badChecksumFrame && p >= 2) {
        const int value = hexByte(text, p - 2);
        text.replace(p - 2, 2, HexPad(static_cast<uint32_t>((value + 1) % 256), 2));
        break;
      }
    }
  }
  return text;
}

std::string SimAnalyser::styled(const char* header, std::string reply) const {
  if (style_ == SimReplyStyle::Plain || reply.empty()) return reply;
  return header + reply + "\n";
}

bool SimAnalyser::storeSetupFrames(const std::string& frames) {
  const auto parsed = parseFrames(frames, 0, kSetupBase, kSetupLength);
  if (!parsed) return false;
  for (const Frame& f : *parsed) {
    std::copy(f.data.begin(), f.data.end(), setup_.begin() + (f.address - kSetupBase));
  }
  return true;
}

bool SimAnalyser::loadHeld(const std::string& frames, std::array<uint8_t, kAcqImageSize>& memory,
                           int16_t& length) {
  const auto parsed = parseFrames(frames, 0, kAcqBase, static_cast<int32_t>(kAcqImageSize));
  if (!parsed || parsed->front().address != kAcqBase) return false;
  std::fill(memory.begin(), memory.end(), uint8_t{0});
  int32_t end = 0;
  for (const Frame& f : *parsed) {
    std::copy(f.data.begin(), f.data.end(), memory.begin() + f.address);
    end = std::max<int32_t>(end, f.address + static_cast<int32_t>(f.data.size()));
  }
  length = static_cast<int16_t>(std::min<int32_t>(end, 32767));
  return true;
}

bool SimAnalyser::write(const std::string& raw) {
  ++writesSinceClear_;
  if (faults_.failWriteNumber > 0 && writesSinceClear_ == faults_.failWriteNumber) return false;
  // A new command discards whatever the last reply left unread.
  pendingReply_.reset();
  replyCut_ = false;
  const std::string command = trimmed(raw);

  if (command == "ID?") {
    pendingReply_ = styled("ID ", identity());
  } else if (startsWith(command, kDisplayCommand)) {
    std::string text = command.substr(kDisplayCommand.size());
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
      text = text.substr(1, text.size() - 2);
    }
    screen_ = text;
  } else if (command == "INSETUP?") {
    pendingReply_ =
        styled("INSET ", memoryReply(setup_.data(), setup_.size(), kSetupBase, kSetupLength));
  } else if (command == "ACQMEM?") {
    pendingReply_ = styled("ACQMEM ", memoryReply(acq_.data(), acq_.size(), kAcqBase, acqLen_));
  } else if (command == "REFMEM?") {
    pendingReply_ = styled("REFMEM ", memoryReply(ref_.data(), ref_.size(), kAcqBase, refLen_));
  } else if (startsWith(command, "INSET ")) {
    if (!storeSetupFrames(command.substr(6))) ++rejected_;
  } else if (startsWith(command, "ACQMEM ")) {
    heldAcq_ = command.substr(7);
  } else if (startsWith(command, "REFMEM ")) {
    heldRef_ = command.substr(7);
  } else if (command == "LOAD ACQMEM") {
    if (!heldAcq_.empty() && !loadHeld(heldAcq_, acq_, acqLen_)) ++rejected_;
    heldAcq_.clear();
  } else if (command == "LOAD REFMEM") {
    if (!heldRef_.empty() && !loadHeld(heldRef_, ref_, refLen_)) ++rejected_;
    heldRef_.clear();
  }
  // "XX" after a device clear, and anything the instrument does not know, is ignored; an
  // unknown query therefore leaves nothing to read.
  if (pendingReply_ && pendingReply_->empty()) pendingReply_.reset();
  if (pendingReply_ && faults_.cutReplyAfter > 0 && pendingReply_->size() > faults_.cutReplyAfter) {
    pendingReply_->resize(faults_.cutReplyAfter);
    replyCut_ = true;
  }
  return true;
}
