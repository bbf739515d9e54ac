#include "export/GtkwaveSave.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "export/Capture.h"
#include "export/VcdWriter.h"

namespace {
// GTKWave's trace flags: right-justified, and the radix.
constexpr int kRightJustify = 0x20;
constexpr int kHex = 0x02;
constexpr int kBin = 0x08;
constexpr int kOct = 0x10;
constexpr int kAscii = 0x800;

int Flags(int16_t radix) {
  switch (radix) {
    case Capture::kOct:
      return kRightJustify | kOct;
    case Capture::kBin:
      return kRightJustify | kBin;
    case Capture::kAsc:
      return kRightJustify | kAscii;
    default:
      return kRightJustify | kHex;
  }
}

// GTKWave escapes a dump name holding '.', which it would take for a hierarchy separator,
// with a leading backslash; a bus declared without a range gets "[msb:0]".
std::string Reference(const std::string& name, size_t width) {
  std::string reference = "logirem.";
  if (name.find('.') != std::string::npos) reference += '\\';
  reference += name;
  if (width > 1) reference += "[" + std::to_string(width - 1) + ":0]";
  return reference;
}

// An alias runs to the first '}'; the analyser's label characters hold none, but a name
// from elsewhere could. GTKWave shows an alias only from its last '.' on ("X.Y 07" as
// "Y 07"), so a '.' becomes U+2024 ONE DOT LEADER, which looks the same.
std::string Alias(const std::string& name) {
  std::string alias;
  for (const char c : name) {
    if (c == '.') {
      alias += "\xE2\x80\xA4";  // in UTF-8
    } else {
      alias += c == '{' || c == '}' || c == '\n' || c == '\r' ? '_' : c;
    }
  }
  return alias;
}
}  // namespace

void GtkwaveSave::Write(const Capture& capture, const std::string& dumpFile,
                        const std::string& saveFile, bool vectors, std::ostream& out) {
  const auto& channels = capture.channels();
  const auto& groups = capture.groups();
  const std::vector<std::string> names = capture.ReaderNames(vectors);
  const VcdWriter::TimeScale scale = VcdWriter::ScaleFor(capture.period());
  // GTKWave counts time in the dump's unit times its multiplier.
  const int64_t perSample = scale.ticksPerSample * scale.multiplier;
  const int64_t marker = capture.triggerSample() ? *capture.triggerSample() * perSample : -1;
  // The zoom is minus the power of two of time units per pixel: the whole capture on about
  // 1000 pixels of a window of the size given.
  const double span =
      static_cast<double>(int64_t{capture.lastSample()} + 1) * static_cast<double>(perSample);
  const int zoom = span > 1000 ? -static_cast<int>(std::ceil(std::log2(span / 1000))) : 0;

  std::string text = "[*] Logirem " LOGIREM_VERSION "\n[dumpfile] \"" + dumpFile +
                     "\"\n[savefile] \"" + saveFile + "\"\n";
  text += "[size] 1200 700\n[timestart] 0\n*" + std::to_string(zoom) + ".000000 " +
          std::to_string(marker);
  for (int named = 0; named < 26; ++named) text += " -1";
  text += "\n";
  int flags = -1;
  const auto trace = [&](int traceFlags, const std::string& alias, const std::string& reference) {
    if (traceFlags != flags) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "@%x\n", traceFlags);  // the flags are read in hex
      text += hex;
    }
    flags = traceFlags;
    text += "+{" + Alias(alias) + "} " + reference + "\n";
  };
  for (size_t i = 0; i < channels.size(); ++i) {
    const Capture::Channel& c = channels[i];
    trace(kRightJustify | kBin, c.kind == Capture::kPaired ? c.name + "~" : c.name,
          Reference(names[i], 1));
  }
  if (vectors) {
    for (size_t g = 0; g < groups.size(); ++g) {
      trace(Flags(groups[g].radix), groups[g].name,
            Reference(names[channels.size() + g], groups[g].codes.size()));
    }
  }
  out << text;
}
