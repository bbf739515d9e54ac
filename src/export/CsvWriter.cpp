#include "export/CsvWriter.h"

#include <string>

#include "export/Capture.h"

namespace {
// Label names may hold a comma, and an ASC value can be any printable character.
std::string Cell(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}
}  // namespace

void CsvWriter::Write(const Capture& capture, std::ostream& out) {
  std::string line = "sample,time_ns";
  for (const auto& channel : capture.channels()) line += "," + Cell(channel.name);
  for (const auto& group : capture.groups()) line += "," + Cell(group.name);
  out << line << "\n";
  const int64_t period = capture.period();
  for (int32_t s = 0; s <= capture.lastSample(); ++s) {
    line = std::to_string(s) + ",";
    if (period != 0) line += std::to_string(s * period);
    for (const auto& channel : capture.channels()) {
      const int level = capture.Level(channel, s);
      line += level < 0 ? "," : level ? ",1" : ",0";
    }
    for (const auto& group : capture.groups()) {
      line += ',';
      if (const auto value = capture.GroupValue(group, s)) {
        line += Cell(Capture::GroupText(group, *value));
      }
    }
    line += '\n';
    out << line;
  }
}
