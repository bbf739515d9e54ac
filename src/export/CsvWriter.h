#pragma once
// A capture as a table: header "sample,time_ns," then the channel names and the group
// names, one row per sample. A channel cell is 1, 0, or empty where its pod has no such
// sample; a group cell is the group's value in its display radix, empty where any of its
// channels has no level; time_ns is empty for the synchronous clock.
#include <ostream>

class Capture;

class CsvWriter {
 public:
  static void Write(const Capture& capture, std::ostream& out);
};
