// Frame decoding into both images, from any text. Nothing changes outside the image (and a
// failed decode leaves even its last byte), a decoded image encodes to frames that decode to
// the same image, and a limited operator's checksum reports plus its count of the rest make
// those of an unlimited one.
#include <algorithm>
#include <array>
#include <vector>

#include "FuzzCheck.h"
#include "link/Operator.h"
#include "memory/HexCodec.h"
#include "model/ImageSizes.h"

namespace {
class CountingOperator : public Operator {
 public:
  explicit CountingOperator(int limit) : limit_(limit) {}
  MsgAnswer message(const std::string& text, const std::string&, MsgIcon, MsgButtons) override {
    if (text.rfind("Checksum Error on Frame:", 0) == 0) {
      ++reports;
    } else {
      FUZZ_CHECK(summaries == 0);
      ++summaries;
      counted = std::stoi(text);
    }
    return MsgAnswer::Ok;
  }
  void setBusy(bool) override {}
  void beep() override {}
  void openGpibSettings() override {}
  int checksumReportLimit() const override { return limit_; }

  int reports = 0, summaries = 0, counted = 0;

 private:
  int limit_;
};

constexpr size_t kGuard = 64;
constexpr uint8_t kGuardByte = 0xA5;

void decodeInto(std::string_view text, size_t size, int32_t base) {
  // The image sits between guard bytes; its last byte holds a mark a failed decode keeps.
  std::vector<uint8_t> storage(size + 2 * kGuard, kGuardByte);
  const std::span<uint8_t> image(storage.data() + kGuard, size);
  image.back() = 0x5A;
  CountingOperator all(0);
  const int16_t n = Hex2Mem(text, image, base, &all);

  FUZZ_CHECK(std::all_of(storage.begin(), storage.begin() + kGuard,
                         [](uint8_t b) { return b == kGuardByte; }));
  FUZZ_CHECK(std::all_of(storage.end() - kGuard, storage.end(),
                         [](uint8_t b) { return b == kGuardByte; }));
  FUZZ_CHECK(n >= -1 && static_cast<size_t>(std::max<int16_t>(n, 0)) <= size);
  FUZZ_CHECK(all.summaries == 0);
  if (n < 1) {
    // A failed decode leaves the image as cleared: every byte zero but the last, which keeps
    // its value (only a frame that addresses it may change it).
    FUZZ_CHECK(std::all_of(image.begin(), image.end() - 1, [](uint8_t b) { return b == 0; }));
    FUZZ_CHECK(image.back() == 0x5A);
  }

  // Ten reports and a count of the rest tell of every bad frame.
  std::vector<uint8_t> second(size);
  CountingOperator limited(10);
  FUZZ_CHECK(Hex2Mem(text, second, base, &limited) == n);
  FUZZ_CHECK(limited.reports == std::min(all.reports, 10));
  FUZZ_CHECK(limited.reports + limited.counted == all.reports);
  FUZZ_CHECK(limited.summaries == (all.reports > 10 ? 1 : 0));

  if (n < 1) return;
  // Whatever was decoded, the image up to its highest written byte encodes to clean frames
  // that decode to the very same bytes and encode again to the very same text.
  const auto top = static_cast<size_t>(
      std::find_if(image.rbegin() + 1, image.rend(), [](uint8_t b) { return b != 0; }).base() -
      image.begin());
  const auto total = static_cast<int16_t>(std::max<size_t>(top, 1));
  const std::string frames = Mem2Hex(image, base, 0, total);
  FUZZ_CHECK(!frames.empty());
  std::vector<uint8_t> copy(size);
  CountingOperator clean(0);
  FUZZ_CHECK(Hex2Mem(frames, copy, base, &clean) == total);
  FUZZ_CHECK(clean.reports == 0);
  FUZZ_CHECK(std::equal(copy.begin(), copy.end() - 1, image.begin()));
  FUZZ_CHECK(Mem2Hex(copy, base, 0, total) == frames);
}

// The input bytes as image content: encoded and decoded, they come back unchanged.
void encodeBytes(std::string_view data, size_t size, int32_t base) {
  const size_t total = std::min(data.size(), size - 1);
  if (total == 0) return;
  std::vector<uint8_t> image(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(total));
  image.resize(size);
  const std::string frames = Mem2Hex(image, base, 0, static_cast<int16_t>(total));
  FUZZ_CHECK(frames.size() == (total + 47) / 48 * 13 + 2 * total);
  std::vector<uint8_t> back(size);
  CountingOperator clean(0);
  FUZZ_CHECK(Hex2Mem(frames, back, base, &clean) == static_cast<int16_t>(total));
  FUZZ_CHECK(clean.reports == 0);
  FUZZ_CHECK(back == image);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  decodeInto(text, kSetupImageSize, kSetupBase);
  decodeInto(text, kAcqImageSize, kAcqBase);
  encodeBytes(text, kSetupImageSize, kSetupBase);
  return 0;
}
