#include "link/DeviceConnection.h"

#include <algorithm>

#include "link/GpibDriver.h"
#include "link/Operator.h"

namespace {
constexpr int16_t kEotOn = 1;
constexpr int16_t kEosNone = 0;
}  // namespace

void DeviceConnection::noteCause() { Cause = driver_.lastProblem(); }

bool DeviceConnection::DevOpen() {
  Connected = true;
  Cause.clear();
  openFailed_ = false;
  try {
    Dev = driver_.ibdev(Board, PAd, SAd, kTimeout10s, kEotOn, kEosNone);
    if (!driver_.status().failed()) {
      driver_.ibclr(Dev);
      // The analyser expects two throw-away characters after every device clear.
      if (!driver_.status().failed()) driver_.ibwrt(Dev, "XX");
    }
    if (driver_.status().failed()) {
      noteCause();
      Connected = false;
      openFailed_ = true;
      failedBoard_ = Board, failedPad_ = PAd, failedSad_ = SAd;
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
  const bool sameFailure =
      openFailed_ && Board == failedBoard_ && PAd == failedPad_ && SAd == failedSad_;
  if (wasConnected || (!sameFailure && DevOpen())) {
    try {
      driver_.ibwrt(Dev, Data);
      if (!driver_.status().failed()) return true;
      noteCause();
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
  // A reply longer than one buffer arrives over several reads, as NI-488.2 hands it out: each
  // read stops at the count, and only the last one carries END. A reply that stops short of
  // END (a timeout, a dropped link) is no reply: half a memory must never pass for a whole one.
  std::string reply;
  std::string buffer(static_cast<size_t>(kReadBuffer), '\0');
  while (true) {
    try {
      driver_.ibrd(Dev, buffer.data(), kReadBuffer);
    } catch (const DriverUnavailable&) {
      return {};
    }
    const GpibStatus& s = driver_.status();
    if (s.failed()) {
      noteCause();
      return {};
    }
    // The count comes from the driver; never trust it beyond the buffer it was given.
    const auto n = static_cast<size_t>(std::clamp<int32_t>(s.ibcntl, 0, kReadBuffer));
    reply.append(buffer, 0, n);
    op_.progress(static_cast<int64_t>(reply.size()), 0);
    // A cancelled transfer stops after the driver call in progress.
    if (op_.cancelled()) return {};
    if (s.ended()) return reply;
    // No progress, or more than any memory of the analyser fills: a device that talks on
    // without end must not fill the memory.
    if (n == 0 || reply.size() >= static_cast<size_t>(kLongestReply)) return {};
  }
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
