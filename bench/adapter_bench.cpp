// Reading the configuration and the acquisition (the display command's pair) through the
// adapter emulator over loopback TCP, beside the same pair on the simulated analyser in
// process: what the "++" protocol and the sockets add. No read may wait for a timeout, so
// the pair takes a few milliseconds; the counters give the adapter round trips.
// Then the largest acquisition reply (four 18-bit cards, a full memory: some 57,000
// characters) read through each emulated adapter model, in reads of 10,000 as the program
// makes them. Targets: a Prologix model within 0.3 s; a serial one within 1.1 times the time
// its bytes need on the line plus 0.3 s (counters "seconds", "wire_seconds", "target").
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
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
#include "model/ImageSizes.h"
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

// The emulator serving on a loopback port of its own until this goes out of scope.
class Serving {
 public:
  explicit Serving(AdapterEmulator& emulator) {
    thread_.reset(QThread::create([&emulator, this] {
      std::string why;
      emulator.serve(
          "tcp:127.0.0.1:0", stop_, [this](const std::string& p) { where_.set_value(p); }, why);
    }));
    thread_->start();
    port_ = where_.get_future().get();
  }
  ~Serving() {
    stop_ = true;
    thread_->wait();
  }
  const std::string& port() const { return port_; }

 private:
  std::atomic<bool> stop_{false};
  std::promise<std::string> where_;
  std::unique_ptr<QThread> thread_;
  std::string port_;
};

void BM_PairInProcess(benchmark::State& state) {
  SimDriver driver;
  // The transcript would otherwise grow with every round.
  ReadPair(state, driver, [&] { driver.analyser().transcript().clear(); });
}

void BM_PairThroughAdapterOverTcp(benchmark::State& state) {
  AdapterEmulator emulator{EmulatorOptions()};
  Serving serving(emulator);
  {
    AdapterDriver driver(serving.port());
    if (!driver.prepare().empty()) state.SkipWithError("no adapter");
    const int before = driver.roundTrips();
    ReadPair(state, driver);
    const double trips = driver.roundTrips() - before;
    state.counters["round_trips_per_command"] =
        benchmark::Counter(trips / (2.0 * static_cast<double>(state.iterations())));
  }
}

const char* const kModels[] = {"prologix-usb", "prologix-eth", "ar488-uno", "ar488-usb", "clone"};

void BM_LargestReplyPerModel(benchmark::State& state) {
  const char* model = kModels[state.range(0)];
  state.SetLabel(model);
  EmulatorOptions o;
  o.model = AdapterEmulator::ModelNamed(model);
  AdapterEmulator emulator(o);
  emulator.analyser().setSlots({2, 2, 2, 2});
  emulator.analyser().setAcqLength(static_cast<int16_t>(kAcqImageSize));
  Serving serving(emulator);
  {
    AdapterDriver driver(serving.port());
    const int16_t ud = driver.ibdev(0, 7, 0, DeviceConnection::kTimeout10s, 1, 0);
    std::string buffer(DeviceConnection::kReadBuffer, '\0');
    size_t total = 0;
    for (auto _ : state) {
      total = 0;
      driver.ibwrt(ud, "ACQMEM?");
      do {
        driver.ibrd(ud, buffer.data(), DeviceConnection::kReadBuffer);
        total += static_cast<size_t>(std::max(driver.status().ibcntl, 0));
      } while (!driver.status().failed() && (driver.status().ibsta & AdapterDriver::kEnd) == 0);
      if (driver.status().failed()) state.SkipWithError(driver.lastProblem().c_str());
    }
    // The line carries ten bits a byte; only the AR488 on an Uno and the clone have one.
    const bool serial = std::string(model) == "ar488-uno" || std::string(model) == "clone";
    const double wire = serial ? static_cast<double>(total) * 10.0 / 115200.0 : 0.0;
    state.counters["bytes"] = static_cast<double>(total);
    state.counters["wire_seconds"] = wire;
    state.counters["target"] = serial ? 1.1 * wire + 0.3 : 0.3;
    state.counters["seconds"] =
        benchmark::Counter(static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  }
}
}  // namespace

BENCHMARK(BM_LargestReplyPerModel)
    ->DenseRange(0, 4)
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_PairInProcess)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PairThroughAdapterOverTcp)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
