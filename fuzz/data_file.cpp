// Reading a data file with any content, as either kind. A load decodes exactly the file's
// first line, succeeds exactly when it stores something, leaves a failed image cleared, and
// a loaded image saved and loaded again is the same image.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

#include "FuzzCheck.h"
#include "memory/DataFiles.h"
#include "memory/HexCodec.h"
#include "memory/MemoryImages.h"

namespace {
// One input file and one saved file per process, written anew for every input; in memory
// where there is such a folder, since every save syncs its file. Removed at exit.
struct Scratch {
  Scratch() {
    std::error_code ec;
    const std::filesystem::path shm("/dev/shm");
    folder =
        (std::filesystem::is_directory(shm, ec) ? shm : std::filesystem::temp_directory_path()) /
        ("logirem-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    in = (folder / "in").string();
    out = (folder / "out").string();
  }
  ~Scratch() {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
  std::filesystem::path folder;
  std::string in, out;
};
const Scratch scratch;

void check(std::string_view content, int32_t kind) {
  const std::string& in = scratch.in;
  std::ofstream(in, std::ios::binary)
      .write(content.data(), static_cast<std::streamsize>(content.size()));
  auto images = std::make_unique<MemoryImages>();
  images->image(kind).back() = 0x5A;
  const bool ok = ReadFile(in, *images, kind, nullptr);
  const int16_t n = images->length(kind);
  FUZZ_CHECK(ok == (n >= 1));
  if (!ok) {
    FUZZ_CHECK(images->image(kind).back() == 0x5A);
    FUZZ_CHECK(std::all_of(images->image(kind).begin(), images->image(kind).end() - 1,
                           [](uint8_t b) { return b == 0; }));
    return;
  }
  // The same as decoding the first line straight away.
  const std::string_view line = content.substr(0, content.find_first_of("\r\n"));
  auto direct = std::make_unique<MemoryImages>();
  direct->image(kind).back() = 0x5A;
  FUZZ_CHECK(Hex2Mem(line, direct->image(kind), MemoryImages::base(kind), nullptr) == n);
  FUZZ_CHECK(std::ranges::equal(direct->image(kind), images->image(kind)));
  // The other kind's image is never touched.
  const int32_t other = kind == kConfiguration ? kAcquisition : kConfiguration;
  FUZZ_CHECK(images->length(other) == 0);

  // Saved and loaded again: the bytes the length covers come back, the rest is zero.
  const std::string& out = scratch.out;
  FUZZ_CHECK(WriteFile(out, *images, kind, 0));
  auto again = std::make_unique<MemoryImages>();
  again->image(kind).back() = 0x5A;
  FUZZ_CHECK(ReadFile(out, *again, kind, nullptr));
  FUZZ_CHECK(again->length(kind) == n);
  const auto image = images->image(kind);
  const auto back = again->image(kind);
  FUZZ_CHECK(std::equal(back.begin(), back.begin() + n, image.begin()));
  FUZZ_CHECK(std::all_of(back.begin() + n, back.end() - 1, [](uint8_t b) { return b == 0; }));
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  check(content, kConfiguration);
  check(content, kAcquisition);
  return 0;
}
