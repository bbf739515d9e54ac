// The export writers over any acquisition image, alone (every pod) or with any setup image
// (the matched lines, the groups and the trigger), each output read back: the CSV has a
// header and one row per sample, every row as many cells as the header, and the channel
// cells are the capture's levels; the VCD declares its wires before "$enddefinitions",
// its times rise strictly, ending one sample after the last, and every value change names
// a declared wire with 0, 1 or x of its width; the sigrok session opens with libzip,
// holds version 2, metadata giving "total probes" before the probe names and the right
// unitsize, and sample chunks that are whole samples, one per sample, bit for bit the levels.
#include <zip.h>

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <sstream>

#include "FuzzCheck.h"
#include "FuzzImages.h"
#include "export/Capture.h"
#include "export/CsvWriter.h"
#include "export/SigrokSession.h"
#include "export/VcdWriter.h"
#include "model/SetupModel.h"

namespace {
constexpr int32_t kMaxLastSample = 1023;

// Hands each record of a CSV text, cells unquoted, to take.
template <typename Take>
void csvRecords(const std::string& text, Take take) {
  std::vector<std::string> cells{""};
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
      cells.back() += '"';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && c == ',') {
      cells.emplace_back();
    } else if (!quoted && c == '\n') {
      take(cells);
      cells = {""};
    } else {
      cells.back() += c;
    }
  }
  FUZZ_CHECK(!quoted && cells == std::vector<std::string>{""});  // ends with a whole record
}

void checkCsv(const Capture& capture) {
  std::ostringstream out;
  CsvWriter::Write(capture, out);
  const auto& channels = capture.channels();
  const size_t width = 2 + channels.size() + capture.groups().size();
  int32_t s = -1;  // the header first
  csvRecords(out.str(), [&](const std::vector<std::string>& cells) {
    FUZZ_CHECK(cells.size() == width);
    FUZZ_CHECK(cells[0] == (s < 0 ? "sample" : std::to_string(s)));
    for (size_t i = 0; i < channels.size(); ++i) {
      const int level = s < 0 ? 0 : capture.Level(channels[i], s);
      const char* shown = level < 0 ? "" : level ? "1" : "0";
      FUZZ_CHECK(cells[2 + i] == (s < 0 ? channels[i].name : shown));
    }
    ++s;
  });
  FUZZ_CHECK(s == std::max(capture.lastSample(), -1) + 1);
}

void checkVcd(const Capture& capture, bool vectors) {
  std::ostringstream out;
  VcdWriter::Write(capture, out, vectors);
  FUZZ_CHECK(out.str().rfind("$version ", 0) == 0);
  std::istringstream text(out.str());
  std::string word;
  std::map<std::string, size_t> widths;  // declared wires by identifier
  // Declarations: every keyword's words run to its "$end"; a $var has exactly four.
  while (text >> word && word != "$enddefinitions") {
    FUZZ_CHECK(word.front() == '$');
    std::vector<std::string> words;
    for (std::string w; text >> w && w != "$end";) words.push_back(w);
    if (word == "$var") {
      FUZZ_CHECK(words.size() == 4 && words[0] == "wire" && !widths.count(words[2]));
      widths[words[2]] = std::stoul(words[1]);
    }
  }
  FUZZ_CHECK(text >> word && word == "$end");
  FUZZ_CHECK(widths.size() == capture.channels().size() + (vectors ? capture.groups().size() : 0));
  const auto levels = [](const std::string& bits) {
    return !bits.empty() && bits.find_first_not_of("01x") == std::string::npos;
  };
  int64_t time = -1;
  while (text >> word) {
    if (word == "$dumpvars" || word == "$end") continue;
    if (word.front() == '#') {
      const int64_t t = std::stoll(word.substr(1));
      FUZZ_CHECK(t > time);
      time = t;
    } else if (word.front() == 'b') {
      std::string id;
      FUZZ_CHECK(text >> id && widths.count(id) && widths[id] == word.size() - 1);
      FUZZ_CHECK(levels(word.substr(1)));
    } else {
      FUZZ_CHECK(levels(word.substr(0, 1)) && widths.count(word.substr(1)) &&
                 widths[word.substr(1)] == 1);
    }
    FUZZ_CHECK(time >= 0);
  }
  const int64_t ticks = VcdWriter::ScaleFor(capture.period()).ticksPerSample;
  FUZZ_CHECK(time == (capture.lastSample() < 0 ? 0 : (capture.lastSample() + int64_t{1}) * ticks));
}

std::string zipEntry(zip_t* archive, const char* name) {
  zip_stat_t stat;
  FUZZ_CHECK(zip_stat(archive, name, 0, &stat) == 0);
  std::string bytes(static_cast<size_t>(stat.size), '\0');
  zip_file_t* file = zip_fopen(archive, name, 0);
  FUZZ_CHECK(file != nullptr);
  FUZZ_CHECK(zip_fread(file, bytes.data(), stat.size) == static_cast<zip_int64_t>(stat.size));
  zip_fclose(file);
  return bytes;
}

void checkSigrok(const Capture& capture) {
  std::string bytes, error;
  FUZZ_CHECK(SigrokSession::Write(capture, bytes, error));
  zip_error_t zerror;
  zip_error_init(&zerror);
  zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &zerror);
  zip_t* archive = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &zerror);
  FUZZ_CHECK(archive != nullptr);
  FUZZ_CHECK(zipEntry(archive, "version") == "2");

  const auto& channels = capture.channels();
  const size_t unit = std::max<size_t>(1, (channels.size() + 7) / 8);
  std::istringstream metadata(zipEntry(archive, "metadata"));
  bool counted = false, sized = false;
  size_t probes = 0;
  for (std::string line; std::getline(metadata, line);) {
    if (line == "total probes=" + std::to_string(channels.size())) counted = true;
    if (line.rfind("probe", 0) == 0) {
      FUZZ_CHECK(counted);
      ++probes;
    }
    if (line == "unitsize=" + std::to_string(unit)) sized = true;
  }
  FUZZ_CHECK(counted && sized && probes == channels.size());

  const int64_t entries = zip_get_num_entries(archive, 0);
  FUZZ_CHECK(entries >= 2);
  int64_t s = 0;
  for (int64_t chunk = 1; chunk <= entries - 2; ++chunk) {
    const std::string samples = zipEntry(archive, ("logic-1-" + std::to_string(chunk)).c_str());
    FUZZ_CHECK(!samples.empty() && samples.size() % unit == 0);
    for (size_t at = 0; at < samples.size(); at += unit, ++s) {
      for (size_t i = 0; i < channels.size(); ++i) {
        const bool high = (samples[at + i / 8] >> (i % 8)) & 1;
        FUZZ_CHECK(high == (capture.Level(channels[i], static_cast<int32_t>(s)) == 1));
      }
    }
  }
  FUZZ_CHECK(s == std::max(capture.lastSample(), -1) + int64_t{1});
  zip_close(archive);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint8_t flags = in.byte();
  FuzzImages images(in, flags & 0x80);
  auto& acq = images.acq;
  const SetupModel setup(*images.setup);

  Capture capture(*acq, std::string(in.bytes(in.byte() % 16)));
  // A crafted header can announce 262,000 samples; beyond 1024 (twice the built-in
  // acquisition) the rows only repeat what shorter ones showed, and make the run slow.
  if (capture.lastSample() > kMaxLastSample) return 0;
  if (flags & 1) {
    capture.AddMatchedLines(setup);
    capture.AddGroups(setup);
    capture.SetTrigger(setup);
  } else {
    capture.AddAllPods();
  }
  checkCsv(capture);
  checkVcd(capture, flags & 2);
  checkSigrok(capture);
  return 0;
}
