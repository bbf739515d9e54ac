#include "export/VcdWriter.h"

#include <vector>

#include "export/Capture.h"

namespace {
// Short identifiers from the printable characters, as VCD writers use them.
std::string Identifier(size_t index) {
  std::string id;
  do {
    id += static_cast<char>('!' + index % 94);
    index /= 94;
  } while (index > 0);
  return id;
}

// A comment ends at the first "$end": the source name must not hold one.
std::string CommentText(std::string text) {
  for (char& c : text) {
    if (c == '$' || c == '\r' || c == '\n') c = '_';
  }
  return text;
}

char LevelChar(int level) { return level < 0 ? 'x' : level ? '1' : '0'; }

std::string Bus(const Capture& capture, const Capture::Group& group, int32_t s) {
  std::string bits(group.codes.size(), 'x');
  if (const auto value = capture.GroupValue(group, s)) {
    for (size_t b = 0; b < bits.size(); ++b) {
      bits[bits.size() - 1 - b] = b < 64 && ((*value >> b) & 1) ? '1' : '0';
    }
  }
  return bits;
}
}  // namespace

VcdWriter::TimeScale VcdWriter::ScaleFor(int32_t periodNs) {
  struct Unit {
    int64_t ps;
    const char* name;
  };
  static const Unit kUnits[] = {
      {1000000000000, "s"}, {1000000000, "ms"}, {1000000, "us"}, {1000, "ns"}, {1, "ps"}};
  const int64_t period = (periodNs > 0 ? int64_t{periodNs} : 1) * 1000;
  for (const Unit& unit : kUnits) {
    for (int64_t multiplier : {100, 10, 1}) {
      if (period % (unit.ps * multiplier) == 0) {
        return {period / (unit.ps * multiplier), std::to_string(multiplier) + " " + unit.name,
                multiplier};
      }
    }
  }
  return {period, "1 ps", 1};
}

void VcdWriter::Write(const Capture& capture, std::ostream& out, bool vectors) {
  const auto& channels = capture.channels();
  const auto& groups = capture.groups();
  const TimeScale scale = ScaleFor(capture.period());
  const int32_t last = capture.lastSample();
  const std::vector<std::string> names = capture.ReaderNames(vectors);

  std::string text = "$version Logirem " LOGIREM_VERSION " $end\n$comment\n";
  text += "  source " + CommentText(capture.source()) + "\n";
  if (capture.period() == 0) {
    text += "  sample period SYNC: synchronous clock, one time unit of 1 ns per sample\n";
  } else {
    text += "  sample period " + std::to_string(capture.period()) + " ns\n";
  }
  if (!capture.triggered()) {
    text += "  no trigger\n";
  } else if (capture.triggerSample()) {
    text += "  trigger at sample " + std::to_string(*capture.triggerSample()) + "\n";
  } else {
    text += "  triggered; trigger sample not known without the setup\n";
  }
  text += "$end\n$timescale " + scale.unit + " $end\n$scope module logirem $end\n";
  for (size_t i = 0; i < channels.size(); ++i) {
    text += "$var wire 1 " + Identifier(i) + " " + names[i] + " $end\n";
  }
  if (vectors) {
    for (size_t g = 0; g < groups.size(); ++g) {
      text += "$var wire " + std::to_string(groups[g].codes.size()) + " " +
              Identifier(channels.size() + g) + " " + names[channels.size() + g] + " $end\n";
    }
  }
  text += "$upscope $end\n$enddefinitions $end\n#0\n";
  out << text;
  if (last < 0) return;

  std::vector<char> levels(channels.size(), 0);
  std::vector<std::string> buses(vectors ? groups.size() : 0);
  text = "$dumpvars\n";
  for (size_t i = 0; i < channels.size(); ++i) {
    levels[i] = LevelChar(capture.Level(channels[i], 0));
    text += levels[i];
    text += Identifier(i) + "\n";
  }
  for (size_t g = 0; g < buses.size(); ++g) {
    buses[g] = Bus(capture, groups[g], 0);
    text += "b" + buses[g] + " " + Identifier(channels.size() + g) + "\n";
  }
  text += "$end\n";
  out << text;

  std::string changes;
  for (int32_t s = 1; s <= last; ++s) {
    changes.clear();
    for (size_t i = 0; i < channels.size(); ++i) {
      const char level = LevelChar(capture.Level(channels[i], s));
      if (level == levels[i]) continue;
      levels[i] = level;
      changes += level;
      changes += Identifier(i);
      changes += '\n';
    }
    for (size_t g = 0; g < buses.size(); ++g) {
      std::string bus = Bus(capture, groups[g], s);
      if (bus == buses[g]) continue;
      changes += "b" + bus + " " + Identifier(channels.size() + g) + "\n";
      buses[g] = std::move(bus);
    }
    if (!changes.empty()) out << "#" << s * scale.ticksPerSample << "\n" << changes;
  }
  out << "#" << (int64_t{last} + 1) * scale.ticksPerSample << "\n";
}
