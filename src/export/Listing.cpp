#include "export/Listing.h"

#include <algorithm>
#include <cctype>

#include "export/Capture.h"
#include "model/AcqModel.h"
#include "model/SetupModel.h"

namespace {
std::string TrimRight(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

bool IsDigitOf(int16_t radix, char c) {
  switch (radix) {
    case Capture::kOct:
      return c >= '0' && c <= '7';
    case Capture::kBin:
      return c == '0' || c == '1';
    case Capture::kAsc:
    case Capture::kEbc:
      return c >= 0x20 && c < 0x7F;
    default:
      return std::isxdigit(static_cast<unsigned char>(c)) != 0;
  }
}

const char* RadixName(int16_t radix) {
  static const char* const kNames[] = {"HEX", "OCT", "BIN", "OFF", "ASC", "EBC", "ROM"};
  return radix >= 0 && radix < 7 ? kNames[radix] : "HEX";
}

bool IsText(int16_t radix) { return radix == Capture::kAsc || radix == Capture::kEbc; }
}  // namespace

Listing::Listing(std::span<const uint8_t, kAcqImageSize> acq, const SetupModel* setup) {
  Capture capture(acq, "");
  if (setup != nullptr) {
    capture.AddGroups(*setup);
  } else {
    const AcqModel model(acq);
    for (int16_t pod = 0; pod < 8; ++pod) {
      if (model.PodAbsent(pod)) continue;
      Capture::Group group{"Pod" + std::to_string(pod), Capture::kHex, {}, 0};
      for (int16_t c = 0; c < 9; ++c) group.codes.push_back(static_cast<int16_t>(pod * 10 + c));
      capture.AddGroup(std::move(group));
    }
  }
  // Groups come in group order, so a stable sort leaves ties by group number.
  std::vector<Capture::Group> groups = capture.groups();
  std::stable_sort(groups.begin(), groups.end(),
                   [](const auto& a, const auto& b) { return a.column < b.column; });

  header_ = {"Sample", "Time_ns"};
  for (const auto& group : groups) {
    header_.push_back(TrimRight(group.name));
    groups_.push_back({group.radix, Capture::GroupText(group, 0).size()});
  }
  rows_ = capture.lastSample() + 1;
  period_ = capture.period();
  cells_.reserve(static_cast<size_t>(rows_) * groups.size());
  for (int32_t s = 0; s < rows_; ++s) {
    for (const auto& group : groups) {
      const auto value = capture.GroupValue(group, s);
      cells_.push_back(value ? Capture::GroupText(group, *value) : std::string());
    }
  }
}

std::string Listing::Cell(int32_t row, int column) const {
  if (row < 0 || row >= rows_ || column < 0 || column >= columns()) return {};
  if (column == kSampleColumn) return std::to_string(row);
  if (column == kTimeColumn) return period_ == 0 ? std::string() : std::to_string(row * period_);
  return cells_[static_cast<size_t>(row) * groups_.size() +
                static_cast<size_t>(column - kFirstGroupColumn)];
}

std::string Listing::RowText(int32_t row) const {
  std::string text = Cell(row, 0);
  for (int c = 1; c < columns(); ++c) text += '\t' + Cell(row, c);
  return text + '\n';
}

std::string Listing::HeaderText() const {
  std::string text = header_[0];
  for (size_t c = 1; c < header_.size(); ++c) text += '\t' + header_[c];
  return text + '\n';
}

std::string Listing::Text() const {
  std::string text = HeaderText();
  for (int32_t row = 0; row < rows_; ++row) text += RowText(row);
  return text;
}

std::optional<Listing::Pattern> Listing::ParseFind(const std::string& labelAndPattern,
                                                   std::string& why) const {
  const auto equals = labelAndPattern.rfind('=');
  if (equals == std::string::npos) {
    why = "--find needs LABEL=PATTERN, not " + labelAndPattern;
    return std::nullopt;
  }
  return ParseFind(labelAndPattern.substr(0, equals), labelAndPattern.substr(equals + 1), why);
}

std::optional<Listing::Pattern> Listing::ParseFind(const std::string& label,
                                                   const std::string& pattern,
                                                   std::string& why) const {
  const std::string wanted = TrimRight(label);
  const auto found = std::find(header_.begin() + kFirstGroupColumn, header_.end(), wanted);
  if (wanted.empty() || found == header_.end()) {
    why = "no column " + label + " in the listing";
    return std::nullopt;
  }
  Pattern result{static_cast<int>(found - header_.begin()), {}};
  const Column& column = groups_[static_cast<size_t>(result.column - kFirstGroupColumn)];
  if (pattern.size() != column.digits) {
    why = label + " shows " + std::to_string(column.digits) + " digit" +
          (column.digits == 1 ? "" : "s") + ", the pattern " + pattern + " has " +
          std::to_string(pattern.size());
    return std::nullopt;
  }
  for (char c : pattern) {
    // Letter digits are written upper case; a typed 'x' is the wildcard as well.
    const char digit = IsText(column.radix) && c != 'x'
                           ? c
                           : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (digit != 'X' && !IsDigitOf(column.radix, digit)) {
      why = std::string("'") + c + "' is not a " + RadixName(column.radix) + " digit";
      return std::nullopt;
    }
    result.digits += digit;
  }
  return result;
}

bool Listing::Matches(int32_t row, const Pattern& pattern) const {
  if (row < 0 || row >= rows_ || pattern.column < kFirstGroupColumn ||
      pattern.column >= columns()) {
    return false;
  }
  const std::string& cell = cells_[static_cast<size_t>(row) * groups_.size() +
                                   static_cast<size_t>(pattern.column - kFirstGroupColumn)];
  if (cell.size() != pattern.digits.size()) return false;  // no value there
  for (size_t i = 0; i < cell.size(); ++i) {
    if (pattern.digits[i] != 'X' && pattern.digits[i] != cell[i]) return false;
  }
  return true;
}

std::vector<int32_t> Listing::Find(const Pattern& pattern) const {
  std::vector<int32_t> rows;
  for (int32_t row = 0; row < rows_; ++row) {
    if (Matches(row, pattern)) rows.push_back(row);
  }
  return rows;
}
