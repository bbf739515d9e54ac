#include "backend/DriverFactory.h"

#include "adapter/AdapterDriver.h"
#include "link/SystemGpibDriver.h"
#include "sim/SimDriver.h"

std::unique_ptr<GpibDriver> MakeDriver(const std::string& interfaceName, const std::string& port,
                                       std::ostream* trace) {
  if (interfaceName == "gpib") return std::make_unique<SystemGpibDriver>();
  if (interfaceName == "prologix") return std::make_unique<AdapterDriver>(port, trace);
  if (interfaceName == "sim") return std::make_unique<SimDriver>();
  return nullptr;
}

bool SystemGpibAvailable() {
  SystemGpibDriver driver;
  try {
    driver.load();
    return true;
  } catch (const DriverUnavailable&) {
    return false;
  }
}
