#include "memory/DefaultImages.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "memory/HexCodec.h"
#include "memory/MemoryImages.h"
#include "model/AcqLayout.h"

namespace {
// The configuration the analyser comes up with: groups GRPA, CTL1, GRPB, GRPC and CTL2 over
// pod 0 and pods 2 to 5, trigger in the middle of the memory.
constexpr const char* kConfigFrames[] = {
    "#H340100000201000000000101000000000001010001000001010001FF01000001010001FF01000001010001FF0100"
    "0001010001FFB8,"
    "#H3401003001000001010001FF01000001010001FF01000001010001FF01000001010001FF01000001010001FF0100"
    "0001010001FF89,"
    "#H3401006001000001010001FF01000001010001FF01000001010001FF01000001010001FF01FFFFFFFFFFFFFFFFFF"
    "FFFFFFFFFFFF6D,"
    "#H34010090FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"
    "FFFFFFFFFFFF6B,"
    "#H340100C0FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"
    "FFFFFFFFFFFF3B,"
    "#H340100F0FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"
    "FFFFFFFFFFFF0B,"
    "#H34010120FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"
    "FFFFFFFFFFFFDA,"
    "#H34010150FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"
    "FFFFFFFFFFFFAA,"
    "#H34010180FFFFFFFFFFFFFFFFFFFFFFFFFFFFFF000100000FFF10010000FFFFFFFFFFFFFFFFFF0000000000000000"
    "00000000010041,"
    "#H340101B002020202000001010101010101020102010201000000FF000000000000000000FF00FF01000200FF01FF"
    "01FF01FF01FF03,"
    "#H340101E001FF01FF01FF010000010001020202020202020202020202020202010102020202020202020202020202"
    "020201020202A2,"
    "#H34010210020202020202020202020202000700060005000400030002000100000100050F050E050D050C050B050A"
    "050905080507F4,"
    "#H340102400506050505040503050205010500060F060E060D060C060B060A06090608060706060605060406030602"
    "0601060007036F,"
    "#H34010270070207010700000700060005000400030002000100000100050F050E050D050C050B050A050905080507"
    "05060505050476,"
    "#H340102A00503050205010500060F060E000700060005000400030002000100000100050F050E050D0000101B190A"
    "0008000000003A,"
    "#H340102D000020C1D1501000108020500020124242424020000000A00000024242424020000000A00000024242424"
    "020000000A00D1,"
    "#H340103000000101B190B001009000A000004101B190C001019000F0000040C1D1502000429021400020424242424"
    "02000000190092,"
    "#H34010330000024242424020000001900000007060504030201000847464544434241406766656463626160878685"
    "8483828180A7CE,"
    "#H34010360A6A5A4A3A2A1A0486888A8FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF00000000"
    "0000000000002E,"
    "#H0E010390000000000000000000005E;"};

constexpr size_t kDemoLength = 3539;
constexpr int kPodLength = 65;
constexpr size_t kSampleArea = AcqLayout::kSampleArea;

void putWord(std::vector<uint8_t>& image, size_t at, uint32_t word) {
  image[at] = static_cast<uint8_t>(word & 0xFF);
  image[at + 1] = static_cast<uint8_t>(word >> 8);
}

void setStreamBit(std::vector<uint8_t>& image, size_t row, int t, bool high) {
  if (high) image[row + static_cast<size_t>(t / 8)] |= static_cast<uint8_t>(1 << (t % 8));
}

// The demonstration capture: a processor fetching 16-bit words from consecutive addresses,
// one bus cycle every 4 samples (80 ns) with a read strobe in its third sample, until the
// burst ends after sample 503. Pod 0 (the 9-bit card, sampled at double rate) holds address
// lines A0..A7 on channels 0..7 - A0 stays low since the addresses step by two - and the
// strobe on channel 8. Pod 2 holds the word count latched by each strobe on channels 0..7
// and the strobe itself on channel 8. Pods 3 to 5 are fitted but have nothing connected.
constexpr int kCycle = 4;
constexpr int kLastCycle = 125;  // cycles 0..125 fill samples 0..503

bool strobeAt(int sample) {
  return sample >= 0 && sample < (kLastCycle + 1) * kCycle && sample % kCycle == 2;
}

// Time in half samples (10 ns): the address settles 10 ns into each cycle.
uint32_t addressAtHalf(int half) {
  const int cycle = std::min(kLastCycle, (half - 1) / (2 * kCycle));
  return static_cast<uint32_t>(2 * cycle) & 0xFF;
}

// The strobe rises and falls 10 ns after the sample it belongs to.
bool strobeAtHalf(int half) { return half >= 1 && strobeAt((half - 1) / 2); }

uint32_t latchedCountAt(int sample) {
  if (sample < 2) return 0xFF;  // before the first strobe the latch still holds its reset value
  return static_cast<uint32_t>(std::min(kLastCycle, (sample - 2) / kCycle)) & 0xFF;
}

std::vector<uint8_t> demoAcquisition() {
  std::vector<uint8_t> image(kDemoLength, 0);
  // Header: one 9-bit and two 18-bit cards; pods 1, 6 and 7 report no data.
  constexpr bool kPresent[8] = {true, false, true, true, true, true, false, false};
  for (size_t pod = 0; pod < 8; ++pod) {
    if (kPresent[pod]) {
      putWord(image, AcqLayout::kPodLengthTable + 2 * pod, kPodLength);
      putWord(image, AcqLayout::kStartTable + 2 * pod, pod == 0 ? 0xFF00 : 0xFE00);
    } else {
      image[AcqLayout::kAbsentTable + pod] = 0x55;
    }
  }
  image[AcqLayout::kDoubleRate] = 1;  // on the 9-bit card's pod
  image[AcqLayout::kTimeBase] = 1;    // 20 ns
  image[AcqLayout::kCards9] = 1;
  image[AcqLayout::kCards18] = 2;
  putWord(image, AcqLayout::kDataLength, 5 * 9 * kPodLength);

  constexpr size_t kRow = kPodLength;
  // Pod 0 stores two bits per 20 ns sample; its first shown sample (256) is stream bit 7 and
  // stream bit t lies at half sample t + 506.
  for (size_t channel = 0; channel < 9; ++channel) {
    const size_t row = kSampleArea + channel * kRow;
    for (int t = 0; t < 8 * kPodLength; ++t) {
      const int half = t + 506;
      const bool high = channel == 8 ? strobeAtHalf(half) : ((addressAtHalf(half) >> channel) & 1);
      setStreamBit(image, row, t, high);
    }
  }
  // Pod 2 starts at sample 0 in stream bit 7.
  const size_t pod2 = kSampleArea + 9 * kRow;
  for (size_t channel = 0; channel < 9; ++channel) {
    const size_t row = pod2 + channel * kRow;
    for (int t = 0; t < 8 * kPodLength; ++t) {
      const int sample = t - 7;
      const bool high = channel == 8 ? strobeAt(sample) : ((latchedCountAt(sample) >> channel) & 1);
      setStreamBit(image, row, t, high);
    }
  }
  return image;
}
}  // namespace

const std::string& DefaultConfigText() {
  static const std::string text = [] {
    std::string t = "INSET ";
    for (const char* frame : kConfigFrames) t += frame;
    return t;
  }();
  return text;
}

const std::string& DefaultAcqText() {
  static const std::string text = [] {
    const std::vector<uint8_t> image = demoAcquisition();
    return "ACQ " + Mem2Hex(image, kAcqBase, 0, static_cast<int16_t>(image.size()));
  }();
  return text;
}

void LoadDefaultImages(MemoryImages& images, Operator* op) {
  images.SetupLen = Hex2Mem(DefaultConfigText(), images.SetupMem, kSetupBase, op);
  images.AcqLen = Hex2Mem(DefaultAcqText(), images.AcqMem, kAcqBase, op);
}
