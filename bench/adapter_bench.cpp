// Reading the configuration and the acquisition (the display command's pair) through the
// adapter emulator over loopback TCP, beside the same pair on the simulated analyser in
// process: what the "++" protocol and the sockets add. No read may wait for a timeout, so
// the pair takes a few milliseconds; the counters give the adapter round trips.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <functional>
#include <future>
#include <memory>

#include "QuietOperator.h"
#include "adapter/AdapterDriver.h"
#include "backend/AdapterEmulator.h"
#include "link/DeviceConnection.h"
#include "memory/MemoryImages.h"
#include "memory/Transfer.h"
#include "sim/SimDriver.h"

namespace {
// afterRound runs at the end of every round (to keep state from growing between rounds).
void ReadPair(
    benchmark::State& state, GpibDriver& driver, const std::function<void()>& afterRound = [] {}) {
  QuietOperator op;
  DeviceConnection dev(driver, op);
  auto images = std::make_unique<MemoryImages>();
  Transfer transfer(dev, *images, op);
  for (auto _ : state) {
    const bool ok = transfer.Tek2Mem(kConfiguration) && transfer.Tek2Mem(kAcquisition);
    benchmark::DoNotOptimize(ok);
    if (!ok || op.messages != 0) state.SkipWithError("transfer failed");
    afterRound();
  }
  state.SetBytesProcessed(state.iterations() * (images->SetupLen + images->AcqLen));
}

void BM_PairInProcess(benchmark::State& state) {
  SimDriver driver;
  // The transcript would otherwise grow with every round.
  ReadPair(state, driver, [&] { driver.analyser().transcript().clear(); });
}

void BM_PairThroughAdapterOverTcp(benchmark::State& state) {
  AdapterEmulator emulator{EmulatorOptions()};
  std::atomic<bool> stop{false};
  std::promise<std::string> where;
  std::unique_ptr<QThread> thread(QThread::create([&] {
    std::string why;
    emulator.serve(
        "tcp:127.0.0.1:0", stop, [&](const std::string& p) { where.set_value(p); }, why);
  }));
  thread->start();
  {
    AdapterDriver driver(where.get_future().get());
    if (!driver.prepare().empty()) state.SkipWithError("no adapter");
    const int before = driver.roundTrips();
    ReadPair(state, driver);
    const double trips = driver.roundTrips() - before;
    state.counters["round_trips_per_command"] =
        benchmark::Counter(trips / (2.0 * static_cast<double>(state.iterations())));
  }
  stop = true;
  thread->wait();
}
}  // namespace

BENCHMARK(BM_PairInProcess)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PairThroughAdapterOverTcp)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
