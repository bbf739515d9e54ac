// Frame codec speed on a full acquisition image (25001 bytes, 521 frames). Throughput is
// counted in characters of frame text. With LOGIREM_BENCH_TEXT set, the frame text is also
// written to that file, so bench/unhexlify_compare.py can time Python on the same text.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <string>

#include "memory/HexCodec.h"
#include "model/ImageSizes.h"

namespace {
const std::array<uint8_t, kAcqImageSize>& fullImage() {
  static const auto image = [] {
    std::array<uint8_t, kAcqImageSize> m{};
    uint32_t x = 2463534242u;  // xorshift: busy data, every byte value
    for (auto& b : m) {
      x ^= x << 13;
      x ^= x >> 17;
      x ^= x << 5;
      b = static_cast<uint8_t>(x);
    }
    return m;
  }();
  return image;
}

const std::string& frameText() {
  static const std::string text = [] {
    std::string t = Mem2Hex(fullImage(), kAcqBase, 0, static_cast<int16_t>(kAcqImageSize));
    if (const char* path = std::getenv("LOGIREM_BENCH_TEXT")) std::ofstream(path) << t;
    return t;
  }();
  return text;
}

void BM_Hex2Mem(benchmark::State& state) {
  const std::string& text = frameText();
  static std::array<uint8_t, kAcqImageSize> image{};
  for (auto _ : state) {
    benchmark::DoNotOptimize(Hex2Mem(text, image, kAcqBase, nullptr));
    benchmark::ClobberMemory();
  }
  if (image != fullImage()) state.SkipWithError("decoded image differs");
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_Hex2Mem);

void BM_Mem2Hex(benchmark::State& state) {
  const std::string& text = frameText();
  for (auto _ : state) {
    std::string out = Mem2Hex(fullImage(), kAcqBase, 0, static_cast<int16_t>(kAcqImageSize));
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_Mem2Hex);
}  // namespace
