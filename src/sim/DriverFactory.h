#pragma once
// Chooses the driver back end by its stored name.
#include <memory>
#include <string>

class GpibDriver;

// "gpib": the system GPIB library (loaded on first use); "sim": the simulated analyser.
// Any other name gives nothing.
std::unique_ptr<GpibDriver> MakeDriver(const std::string& interfaceName);
// Whether the system GPIB library can be loaded on this machine.
bool SystemGpibAvailable();
