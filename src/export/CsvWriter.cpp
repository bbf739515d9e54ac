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

// A spreadsheet reads bare digits as a number ("1E10" as 1E+10, "0001" as 1) and a leading
// '=', '+', '-' or '@' as a formula. Prefixed digits stay text there and int(v, 0) reads
// them in a script; a character that would be taken for a number or a formula gets the
// apostrophe spreadsheets take as "this is text".
std::string GroupCell(const Capture::Group& group, uint64_t value) {
  const std::string text = Capture::GroupText(group, value);
  switch (group.radix) {
    case Capture::kAsc:
    case Capture::kEbc:
      return std::string("=+-@0123456789").find(text[0]) == std::string::npos ? Cell(text)
                                                                              : "'" + text;
    case Capture::kOct:
      return "0o" + text;
    case Capture::kBin:
      return "0b" + text;
    default:
      return "0x" + text;
  }
}
}  // namespace

void CsvWriter::Write(const Capture& capture, std::ostream& out) {
  std::string line = "sample,time_ns";
  for (const auto& channel : capture.channels()) {
    line += "," + Cell(channel.kind == Capture::kPaired ? channel.name + "~" : channel.name);
  }
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
        line += GroupCell(group, *value);
      }
    }
    line += '\n';
    out << line;
  }
}
