#pragma once
// The GTKWave save file that goes with a VcdWriter dump of the same capture: GTKWave 3.3
// opened on it (or on the dump and it) lists the channels in the capture's order, then each
// group's bus when the dump has them, in the group's display radix (HEX and ROM as hex, OCT,
// BIN, ASC as ASCII; GTKWave has no EBCDIC, so EBC shows as hex), with the primary marker on
// the trigger sample. Each trace carries the name as shown as its alias, a '.' written as the
// look-alike U+2024: GTKWave shows a dump name holding '.' escaped ("\Pod0.0") and an alias
// only from its last '.' on, and the dump's names lost their punctuation. GTKWave skips
// traces the dump lacks without a word, so the names must be the dump's exactly.
#include <ostream>
#include <string>

class Capture;

class GtkwaveSave {
 public:
  // Both paths absolute: GTKWave opens the dump by its path, and when the two files were
  // moved together it finds the dump where it lies relative to this file.
  static void Write(const Capture& capture, const std::string& dumpFile,
                    const std::string& saveFile, bool vectors, std::ostream& out);
};
