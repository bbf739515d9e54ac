#include "link/DeviceConnection.h"

#include <algorithm>

#include "link/GpibDriver.h"
#include "link/Operator.h"

namespace {
constexpr int16_t kEotOn = 1;
constexpr int16_t kEosNone = 0;
}  // namespace

bool DeviceConnection::DevOpen() {
  Connected = true;
  try {
    Dev = driver_.ibdev(Board, PAd, SAd, kTimeout10s, kEotOn, kEosNone);
    if (!driver_.status().failed()) {
      driver_.ibclr(Dev);
      // The analyser expects two throw-away characters after every device clear.
      if (!driver_.status().failed()) driver_.ibwrt(Dev, "XX");
    }
    if (driver_.status().failed()) {
      Connected = false;
      return false;
    }
    return true;
  } catch (const DriverUnavailable& e) {
    op_.message(e.shownText(), "", MsgIcon::Critical, MsgButtons::Ok);
    Connected = false;
    DriverMissing = true;
    return false;
  }
}

bool DeviceConnection::DevWrite(const std::string& Data) {
  const bool wasConnected = Connected;
  if (wasConnected || DevOpen()) {
    try {
      driver_.ibwrt(Dev, Data);
      if (!driver_.status().failed()) return true;
    } catch (const DriverUnavailable&) {
      // Only reachable through a back end that lost its library after opening; a failed
      // write is all the caller needs to know.
    }
  }
  Connected = false;
  return false;
}

std::string DeviceConnection::DevRead() {
  if (!Connected) return {};
  std::string buffer(static_cast<size_t>(kReadBuffer), '\0');
  try {
    driver_.ibrd(Dev, buffer.data(), kReadBuffer);
  } catch (const DriverUnavailable&) {
    return {};
  }
  const GpibStatus& s = driver_.status();
  if (s.failed()) return {};
  // The count comes from the driver; never trust it beyond the buffer it was given.
  buffer.resize(static_cast<size_t>(std::clamp<int32_t>(s.ibcntl, 0, kReadBuffer)));
  op_.progress(static_cast<int64_t>(buffer.size()), 0);
  return buffer;
}

void DeviceConnection::DevClose() {
  if (!Connected) return;
  Connected = false;
  try {
    driver_.ibloc(Dev);
    driver_.ibonl(Dev, 0);
  } catch (const DriverUnavailable&) {
  }
}
