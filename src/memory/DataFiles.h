#pragma once
// Configuration (.cnf) and acquisition (.dat) files: one line of frames and CR LF.
#include <cstdint>
#include <string>
#include <string_view>

struct MemoryImages;
class Operator;

// Writes image bytes Off.. of the kind's image. The old file is replaced only once the new
// one is completely written, so a failed save never destroys it; the file replaced keeps
// its owner, group and mode where the process may, and a symbolic link writes (or creates)
// the file it points to. A pipe or device is written in place, a pipe nobody reads refused.
// On failure why (when given) receives the reason, in the system's words where it has them
// ("Permission denied", "No space left on device").
bool WriteFile(const std::string& filename, const MemoryImages& images, int32_t Config, int16_t Off,
               std::string* why = nullptr);
// Writes any content the same way: the file holds its old content or the whole new one.
bool SaveWholeFile(const std::string& filename, std::string_view content,
                   std::string* why = nullptr);
// Reads the file's first line into the kind's image (zeroed even on failure). False when
// nothing was decoded, the first frame is at the wrong address, a frame leaves the image, or
// the file cannot be read or its first line is over 1 MiB.
bool ReadFile(const std::string& filename, MemoryImages& images, int32_t Config, Operator* op);

// "Configuration" for kind 1, "Acquisition" for kinds 2 and 3; and "cnf" / "dat".
std::string KindWord(int32_t Config);
std::string KindExtension(int32_t Config);
// The chosen name without the extension of its file name: my.dir/run1.cnf gives my.dir/run1,
// since a dot in a folder never counts. "/" and "\\" both end a folder.
std::string NameWithoutExtension(const std::string& name);
// A file name without any "." gets the kind's extension (run1 gives run1.cnf); an extension
// the operator typed is kept. The file dialogs do the same.
std::string NameWithExtension(const std::string& name, int32_t Config);
