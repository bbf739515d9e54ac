// Reading the configuration and the acquisition from the simulated analyser, as the display
// command does before it opens, with no added delay: the cost of the protocol and codec.
#include <benchmark/benchmark.h>

#include <memory>

#include "QuietOperator.h"
#include "link/DeviceConnection.h"
#include "memory/MemoryImages.h"
#include "memory/Transfer.h"
#include "sim/SimDriver.h"

namespace {
void BM_ReadConfigurationAndAcquisition(benchmark::State& state) {
  SimDriver driver;
  QuietOperator op;
  DeviceConnection dev(driver, op);
  auto images = std::make_unique<MemoryImages>();
  Transfer transfer(dev, *images, op);
  for (auto _ : state) {
    const bool ok = transfer.Tek2Mem(kConfiguration) && transfer.Tek2Mem(kAcquisition);
    benchmark::DoNotOptimize(ok);
    if (!ok || op.messages != 0) state.SkipWithError("transfer failed");
    // The transcript would otherwise grow with every round.
    driver.analyser().transcript().clear();
  }
  state.SetBytesProcessed(state.iterations() * (images->SetupLen + images->AcqLen));
}
BENCHMARK(BM_ReadConfigurationAndAcquisition)->Unit(benchmark::kMicrosecond);

void BM_WriteConfiguration(benchmark::State& state) {
  SimDriver driver;
  QuietOperator op;
  DeviceConnection dev(driver, op);
  auto images = std::make_unique<MemoryImages>();
  Transfer transfer(dev, *images, op);
  transfer.Tek2Mem(kConfiguration);
  for (auto _ : state) {
    benchmark::DoNotOptimize(transfer.Mem2Tek(kConfiguration));
    driver.analyser().transcript().clear();
  }
}
BENCHMARK(BM_WriteConfiguration)->Unit(benchmark::kMicrosecond);
}  // namespace
