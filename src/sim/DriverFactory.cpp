#include "sim/DriverFactory.h"

#include "link/SystemGpibDriver.h"
#include "sim/SimDriver.h"

std::unique_ptr<GpibDriver> MakeDriver(const std::string& interfaceName) {
  if (interfaceName == "gpib") return std::make_unique<SystemGpibDriver>();
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
