#pragma once
// The driver back end that talks to the built-in simulated analyser.
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

 private:
  SimAnalyser analyser_;
  GpibStatus status_;
};
