#pragma once
// A capture as a table: header "sample,time_ns," then the channel names and the group
// names, one row per sample. A channel cell is 1, 0, or empty where its pod has no such
// sample; a group cell is the group's value in its display radix, empty where any of its
// channels has no level, written so that a spreadsheet keeps it as text (0x, 0o or 0b before
// digits, an apostrophe before a character it would read as a number or a formula);
// time_ns is empty for the synchronous clock. A paired channel's name is its line's with
// "~" appended; names stay as shown otherwise.
#include <ostream>

class Capture;

class CsvWriter {
 public:
  static void Write(const Capture& capture, std::ostream& out);
};
