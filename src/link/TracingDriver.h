#pragma once
// Wraps another driver and prints every call, its result and the status words, for
// diagnosing a link with real hardware (logiremctl --trace).
#include <ostream>
#include <string_view>

#include "link/GpibDriver.h"

class TracingDriver : public GpibDriver {
 public:
  TracingDriver(GpibDriver& inner, std::ostream& out) : inner_(inner), out_(out) {}

  int16_t ibdev(int16_t board, int16_t pad, int16_t sad, int16_t tmo, int16_t eot,
                int16_t eos) override;
  int16_t ibclr(int16_t ud) override;
  int16_t ibwrt(int16_t ud, const std::string& data) override;
  int16_t ibrd(int16_t ud, char* buffer, int32_t count) override;
  int16_t ibloc(int16_t ud) override;
  int16_t ibonl(int16_t ud, int16_t v) override;
  const GpibStatus& status() const override { return inner_.status(); }
  std::string prepare() override { return inner_.prepare(); }
  std::string lastProblem() const override { return inner_.lastProblem(); }

  // Longest stretch of sent or received text shown per call.
  static constexpr size_t kShownText = 60;
  // text in double quotes with control characters made visible (\r, \n, \x1B), cut to max
  // characters with the full length noted.
  static std::string Shown(std::string_view text, size_t max);

 private:
  // Runs call, then prints "what -> result  ibsta=... iberr=... ibcntl=...".
  template <typename Call>
  int16_t traced(const std::string& what, Call call);

  GpibDriver& inner_;
  std::ostream& out_;
};
