#pragma once
// The driver back end that talks to the built-in simulated analyser.
#include <map>
#include <utility>

#include "link/GpibDriver.h"
#include "sim/SimAnalyser.h"

class SimDriver : public GpibDriver {
 public:
  int16_t ibdev(int16_t board, int16_t pad, int16_t sad, int16_t tmo, int16_t eot,
                int16_t eos) override;
  int16_t ibclr(int16_t ud) override;
  int16_t ibwrt(int16_t ud, const std::string& data) override;
  int16_t ibrd(int16_t ud, char* buffer, int32_t count) override;
  int16_t ibloc(int16_t ud) override;
  int16_t ibonl(int16_t ud, int16_t v) override;
  const GpibStatus& status() const override { return status_; }

  SimAnalyser& analyser() { return analyser_; }

  // Status bits and error codes as the NI driver reports them.
  static constexpr int16_t kCmpl = 0x0100;
  static constexpr int16_t kEnd = 0x2000;
  static constexpr int16_t kTimo = 0x4000;
  static constexpr int16_t kEdvr = 0;  // not a valid descriptor
  static constexpr int16_t kEnol = 2;  // no listener: nothing at the address
  static constexpr int16_t kEabo = 6;  // I/O aborted: timeout
  static constexpr int16_t kEneb = 7;  // no such board

 private:
  void pause();
  void succeed(int32_t count, int16_t extraBits = 0);
  void fail(int16_t error, int16_t extraBits = 0);
  // The address the descriptor was opened for, or nothing for an unknown descriptor.
  const std::pair<int16_t, int16_t>* device(int16_t ud) const;
  // Fails the call and returns false unless ud is open and the analyser answers there.
  bool reachable(int16_t ud);

  SimAnalyser analyser_;
  GpibStatus status_;
  std::map<int16_t, std::pair<int16_t, int16_t>> open_;  // descriptor -> (PAD, SAD)
  int16_t nextUd_ = 1;
};
