// Exports of the full built-in acquisition: the writers in the process, the whole
// `logiremctl export` process, and sigrok-cli converting the same VCD into a session, which
// the command line should beat by half at least.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "export/Capture.h"
#include "export/CsvWriter.h"
#include "export/GtkwaveSave.h"
#include "export/SigrokSession.h"
#include "export/VcdWriter.h"
#include "memory/DataFiles.h"
#include "memory/DefaultImages.h"
#include "memory/MemoryImages.h"
#include "model/SetupModel.h"

extern char** environ;

namespace {
namespace fs = std::filesystem;

struct Files {
  fs::path dir = fs::temp_directory_path() / "logirem_export_bench";
  std::string dat = (dir / "demo.dat").string();
  std::string vcd = (dir / "demo.vcd").string();
  Files() {
    fs::create_directories(dir);
    MemoryImages images;
    LoadDefaultImages(images, nullptr);
    WriteFile(dat, images, kAcquisition, 0);
    Capture capture(images.AcqMem, dat);
    capture.AddAllPods();
    std::ostringstream out;
    VcdWriter::Write(capture, out, false);
    SaveWholeFile(vcd, out.str());
  }
  std::string out(const std::string& name) const { return (dir / name).string(); }
};
const Files& files() {
  static const Files f;
  return f;
}

// Runs a program to its end with its output thrown away; false when it failed.
bool Run(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  return spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

template <class Write>
void InProcess(benchmark::State& state, Write write) {
  MemoryImages images;
  LoadDefaultImages(images, nullptr);
  for (auto _ : state) {
    Capture capture(images.AcqMem, "demo.dat");
    capture.AddAllPods();
    benchmark::DoNotOptimize(write(capture));
  }
}

void BM_WriteSr(benchmark::State& state) {
  InProcess(state, [](const Capture& c) {
    std::string bytes, error;
    SigrokSession::Write(c, bytes, error);
    return bytes.size();
  });
}
void BM_WriteVcd(benchmark::State& state) {
  InProcess(state, [](const Capture& c) {
    std::ostringstream out;
    VcdWriter::Write(c, out, false);
    return out.str().size();
  });
}
void BM_WriteCsv(benchmark::State& state) {
  InProcess(state, [](const Capture& c) {
    std::ostringstream out;
    CsvWriter::Write(c, out);
    return out.str().size();
  });
}

// Everything the setup brings: the display's lines with their paired bits and TRIG, the groups
// as CSV columns and VCD buses, reader names and the GTKWave save file, all four files.
void BM_WriteAllWithSetup(benchmark::State& state) {
  MemoryImages images;
  LoadDefaultImages(images, nullptr);
  const SetupModel setup(images.SetupMem);
  for (auto _ : state) {
    Capture capture(images.AcqMem, "demo.dat");
    capture.AddMatchedLines(setup);
    capture.AddGroups(setup);
    capture.SetTrigger(setup);
    capture.AddPairedChannels();
    capture.AddTriggerChannel();
    std::string bytes, error;
    SigrokSession::Write(capture, bytes, error);
    std::ostringstream out;
    CsvWriter::Write(capture, out);
    VcdWriter::Write(capture, out, true);
    GtkwaveSave::Write(capture, "/tmp/demo.vcd", "/tmp/demo.gtkw", true, out);
    benchmark::DoNotOptimize(bytes.size() + out.str().size());
  }
}

void Process(benchmark::State& state, const std::vector<std::string>& args) {
  for (auto _ : state) {
    if (!Run(args)) {
      state.SkipWithError(("failed: " + args[0]).c_str());
      return;
    }
  }
}
void BM_LogiremctlExportSr(benchmark::State& state) {
  Process(state, {LOGIREM_BINARY_DIR "/src/cli/logiremctl", "export", files().dat, "--format", "sr",
                  "-o", files().out("ctl.sr")});
}
void BM_LogiremctlExportVcd(benchmark::State& state) {
  Process(state, {LOGIREM_BINARY_DIR "/src/cli/logiremctl", "export", files().dat, "--format",
                  "vcd", "-o", files().out("ctl.vcd")});
}
// The same conversion by sigrok: the VCD's 10 ns unit read at the 20 ns sample period.
void BM_SigrokCliVcdToSr(benchmark::State& state) {
  Process(state, {"sigrok-cli", "-i", files().vcd, "-I", "vcd:downsample=2", "-o",
                  files().out("sigrok.sr")});
}
}  // namespace

BENCHMARK(BM_WriteSr)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriteVcd)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriteCsv)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriteAllWithSetup)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LogiremctlExportSr)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LogiremctlExportVcd)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SigrokCliVcdToSr)->Unit(benchmark::kMillisecond)->UseRealTime();
