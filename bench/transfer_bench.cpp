// Writing the configuration into the simulated analyser (four "INSET " portions), with no
// added delay: the cost of the protocol and codec. Reading is timed in adapter_bench, beside
// the same read through the adapter emulator.
#include <benchmark/benchmark.h>

#include <memory>

#include "QuietOperator.h"
#include "link/DeviceConnection.h"
#include "memory/MemoryImages.h"
#include "memory/Transfer.h"
#include "sim/SimDriver.h"

namespace {
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
