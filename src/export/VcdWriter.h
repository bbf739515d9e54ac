#pragma once
// A capture as a value change dump that GTKWave and sigrok-cli both read: one 1-bit wire per
// channel, the largest time unit of 1, 10 or 100 s/ms/us/ns/ps that divides the sample
// period, sample s at time s * period, only changes after "#0", and a bare time one sample
// after the last. `x` where a pod has no such sample (sigrok reads it as 0). The synchronous
// clock gets one time unit of 1 ns per sample. With `vectors`, one bus per group as well:
// GTKWave shows them, but sigrok-cli 0.7 (libsigrok 0.5) lists the wires, skips the buses and
// stops reading at the first bus value, so it reads no sample at all, exit 0 and silent.
// PulseView 0.4 opens such a file without a complaint, and aborts on more than 64 wires.
#include <cstdint>
#include <ostream>
#include <string>

class Capture;

class VcdWriter {
 public:
  static void Write(const Capture& capture, std::ostream& out, bool vectors);

  struct TimeScale {
    int64_t ticksPerSample;
    std::string unit;    // "10 ns"
    int64_t multiplier;  // 10: GTKWave counts time in ns then, ticks times this
  };
  static TimeScale ScaleFor(int32_t periodNs);
};
