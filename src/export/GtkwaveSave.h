#pragma once
// The GTKWave save file that goes with a VcdWriter dump of the same capture: GTKWave 3.3
// opened on it (or on the dump and it) lists the channels in the capture's order, then each
// group's bus when the dump has them, in the group's display radix (HEX and ROM as hex, OCT,
// BIN, ASC as ASCII; GTKWave has no EBCDIC, so EBC shows as hex), with the primary marker on
// the trigger sample. Each trace carries the name as shown as its alias: GTKWave would show
// a name holding '.' as an escaped hierarchy name ("\Pod0.0"), and the dump's names lost
// their punctuation. Names in the file that the dump lacks are skipped by GTKWave silently.
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
