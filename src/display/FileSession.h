#pragma once
// A capture looked at from its files, away from the analyser: its own copy of the images,
// the configuration beside it when there is one, and nothing ever sent. A damaged file is
// reported as logiremctl show reports it, and what could be read is still shown.
#include <cstdint>
#include <string>

#include "memory/MemoryImages.h"
#include "memory/Session.h"

class FileSession : public Session {
 public:
  explicit FileSession(Operator& op) : op_(op) {}

  // Reads the acquisition and its configuration: `configuration`, or else the .cnf beside
  // the .dat when one exists. With a configuration the two count as read together, so the
  // lines are those of the analyser's display. False (and reported) when nothing of the
  // acquisition could be read; a configuration that cannot be read is reported and left out.
  bool Open(const std::string& capture, const std::string& configuration = {});
  const std::string& captureFile() const { return capture_; }
  // Empty when no configuration was read.
  const std::string& configurationFile() const { return configuration_; }

  MemoryImages& images() override { return images_; }
  Operator& op() override { return op_; }
  bool bCnf() const override { return !configuration_.empty(); }
  // The capture's own cards: a file has no analyser to count them.
  int16_t nNm09() const override;
  int16_t nNm18() const override;
  // Nothing from a file reaches an analyser or another file through here.
  bool Mem2Tek(int32_t) override { return false; }
  std::string Mem2File(const std::string&, int32_t, int16_t) override { return {}; }

  // The configuration file beside a capture: run1.dat gives run1.cnf.
  static std::string BesideConfiguration(const std::string& capture);

 private:
  void Report(const std::string& file, const std::string& reason);

  Operator& op_;
  MemoryImages images_;
  std::string capture_;
  std::string configuration_;
};
