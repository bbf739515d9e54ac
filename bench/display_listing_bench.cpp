// The Listing window on the longest capture an image can hold (one pod of 2709 bytes a row:
// 21,665 samples), with five groups in every radix: building the table and showing it, and a
// search over all of its rows. Goals: open in 100 ms, search in 5 ms.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTableView>
#include <memory>
#include <random>

#include "OffscreenApplication.h"
#include "display/ListingWindow.h"
#include "export/Listing.h"
#include "memory/DefaultImages.h"
#include "memory/MemoryImages.h"
#include "model/SetupModel.h"

namespace {
struct LongCapture {
  MemoryImages images;
  LongCapture() {
    LoadDefaultImages(images, nullptr);
    auto& a = images.AcqMem;
    constexpr int kLength = 2709;
    for (int pod = 0; pod < 8; ++pod) a[562 + pod] = pod == 2 ? 0 : 0x55;
    a[514 + 4] = kLength & 0xFF;
    a[515 + 4] = kLength >> 8;
    constexpr int kStart = 65536 - (kLength - 1) * 8;  // the first sample is sample 0
    a[530 + 4] = kStart & 0xFF;
    a[531 + 4] = kStart >> 8;
    a[546 + 4] = a[547 + 4] = 0;
    a[579] = 0;
    a[583] = 0;
    a[585] = 1;
    std::mt19937 random(7);
    for (size_t i = 614; i < 614 + 9 * kLength; ++i) a[i] = static_cast<uint8_t>(random());
    // Pod 2 channels 8..0 at positions 0..8; groups over them in HEX, OCT, BIN, ASC, EBC.
    SetupModel setup(images.SetupMem);
    for (int16_t p = 0; p < 72; ++p) setup.SetChanMap(p, p < 9 ? 28 - p : 255);
    const struct {
      int16_t group, width, first, radix;
    } groups[] = {{0, 9, 0, 0}, {1, 8, 1, 1}, {5, 4, 5, 2}, {6, 8, 1, 4}, {7, 8, 1, 5}};
    for (int16_t g = 0; g < 10; ++g) setup.SetBase(g, 2);
    int16_t column = 0;
    for (const auto& [g, width, first, radix] : groups) {
      setup.SetBase(g, 0);
      setup.SetWidth(g, width);
      setup.SetFirst(g, first);
      setup.SetDisplayRadix(g, radix);
      setup.SetColumn(g, column);
      column = static_cast<int16_t>(column + 10);
    }
  }
};

void BM_ListingOpen(benchmark::State& state) {
  EnsureApplication();
  LongCapture capture;
  SetupModel setup(capture.images.SetupMem);
  ListingWindow window(nullptr);
  window.show();
  for (auto _ : state) {
    window.setListing(std::make_unique<Listing>(capture.images.AcqMem, &setup));
    window.selectSample(21664);
    benchmark::DoNotOptimize(window.table()->viewport()->grab());
  }
  state.counters["rows"] = window.model().rowCount();
}
BENCHMARK(BM_ListingOpen)->Unit(benchmark::kMillisecond);

void BM_ListingSearch(benchmark::State& state) {
  LongCapture capture;
  SetupModel setup(capture.images.SetupMem);
  const Listing listing(capture.images.AcqMem, &setup);
  std::string why;
  const auto pattern = listing.ParseFind("GRPA", "1X3", why);
  size_t found = 0;
  for (auto _ : state) {
    found = listing.Find(*pattern).size();
    benchmark::DoNotOptimize(found);
  }
  state.counters["rows"] = listing.rows();
  state.counters["matches"] = static_cast<double>(found);
}
BENCHMARK(BM_ListingSearch)->Unit(benchmark::kMillisecond);
}  // namespace
