#pragma once
// What the configuration editor and the acquisition display need from the main window:
// the images, the card counts, whether configuration and acquisition were read together,
// and the main window's ways of sending or saving an image.
#include <cstdint>
#include <string>

struct MemoryImages;
class Operator;

class Session {
 public:
  virtual ~Session() = default;
  virtual MemoryImages& images() = 0;
  virtual Operator& op() = 0;
  virtual bool bCnf() const = 0;
  virtual int16_t nNm09() const = 0;
  virtual int16_t nNm18() const = 0;
  virtual bool Mem2Tek(int32_t Config) = 0;
  // The save dialog, then the file; returns the name without extension or the empty text.
  virtual std::string Mem2File(const std::string& File, int32_t Config, int16_t Off) = 0;
  // Reads the analyser's reference memory into `into`, leaving the session's images alone;
  // false where there is no analyser to ask, or the read failed (and was reported).
  virtual bool ReadReference(MemoryImages& into) {
    (void)into;
    return false;
  }
  // Where the operator keeps acquisitions; empty for the current folder.
  virtual std::string dataFolder() const { return {}; }
};
