#pragma once
// Chooses the driver back end by its stored name; the one place that knows them all.
#include <iosfwd>
#include <memory>
#include <string>

class GpibDriver;

// "gpib": the system GPIB library (loaded on first use); "prologix": a USB or Ethernet "++"
// adapter on port (opened on first use); "sim": the simulated analyser. Any other name gives
// nothing. trace, when given, receives the adapter's traffic.
std::unique_ptr<GpibDriver> MakeDriver(const std::string& interfaceName,
                                       const std::string& port = {}, std::ostream* trace = nullptr);
// Whether the system GPIB library can be loaded on this machine.
bool SystemGpibAvailable();
