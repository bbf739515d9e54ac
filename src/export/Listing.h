#pragma once
// The analyser's state listing as a table: one row per sample of the time axis, the sample
// number, its time, and one column per group in the group's display radix, written exactly as
// the CSV export writes a group value. The command line, the Listing window and the clipboard
// all take their text from here, so a pasted listing is the one a script would print.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/ImageSizes.h"

class SetupModel;

class Listing {
 public:
  static constexpr int kSampleColumn = 0;
  static constexpr int kTimeColumn = 1;
  static constexpr int kFirstGroupColumn = 2;

  // With a setup: the groups in use whose display radix is not OFF, ordered by their listing
  // column, ties by group number. Without: one column per present pod, its nine channels as
  // three HEX digits. Every cell is worked out here, so the image may go away afterwards.
  Listing(std::span<const uint8_t, kAcqImageSize> acq, const SetupModel* setup);

  int columns() const { return static_cast<int>(header_.size()); }
  int32_t rows() const { return rows_; }
  const std::vector<std::string>& header() const { return header_; }
  std::string Cell(int32_t row, int column) const;
  // The header's cells separated by tabs, with a line feed at the end.
  std::string HeaderText() const;
  // The row's cells separated by tabs, with a line feed at the end.
  std::string RowText(int32_t row) const;
  // The header and every row.
  std::string Text() const;

  // A search on one group column: a character per digit the column shows; 'X' stands for any.
  struct Pattern {
    int column = kFirstGroupColumn;
    std::string digits;
  };
  // "LABEL=PATTERN" or the two parts; nothing, and why, for an unknown label or a pattern the
  // column cannot show.
  std::optional<Pattern> ParseFind(const std::string& labelAndPattern, std::string& why) const;
  std::optional<Pattern> ParseFind(const std::string& label, const std::string& pattern,
                                   std::string& why) const;
  bool Matches(int32_t row, const Pattern& pattern) const;
  std::vector<int32_t> Find(const Pattern& pattern) const;

 private:
  struct Column {
    int16_t radix = 0;
    size_t digits = 0;
  };
  std::vector<std::string> header_;
  std::vector<Column> groups_;
  std::vector<std::string> cells_;  // row by row, one per group column
  int32_t rows_ = 0;
  int64_t period_ = 0;
};
