#include "adapter/PortName.h"

#include <algorithm>
#include <cctype>

namespace {
std::string trimmed(const std::string& s) {
  const auto first =
      std::find_if_not(s.begin(), s.end(), [](unsigned char c) { return std::isspace(c); });
  const auto last =
      std::find_if_not(s.rbegin(), s.rend(), [](unsigned char c) { return std::isspace(c); });
  return first < last.base() ? std::string(first, last.base()) : std::string();
}

bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }
}  // namespace

std::optional<PortName> PortName::Parse(const std::string& raw, std::string& why) {
  const std::string text = trimmed(raw);
  PortName name;
  if (startsWith(text, "tcp:")) {
    name.kind = Kind::Tcp;
    std::string rest = text.substr(4);
    name.port = kDefaultTcpPort;
    // The port follows the last colon, unless the host is a bracketed IPv6 address.
    const size_t colon = rest.rfind(':');
    const size_t bracket = rest.rfind(']');
    if (colon != std::string::npos && (bracket == std::string::npos || colon > bracket)) {
      const std::string digits = rest.substr(colon + 1);
      rest.resize(colon);
      if (digits.empty() || digits.size() > 5 ||
          !std::all_of(digits.begin(), digits.end(),
                       [](unsigned char c) { return std::isdigit(c); }) ||
          std::stoi(digits) > 65535 || std::stoi(digits) == 0) {
        why = "\"" + text + "\": the TCP port must be a number from 1 to 65535";
        return std::nullopt;
      }
      name.port = static_cast<uint16_t>(std::stoi(digits));
    }
    if (rest.size() >= 2 && rest.front() == '[' && rest.back() == ']')
      rest = rest.substr(1, rest.size() - 2);
    if (rest.empty()) {
      why = "\"" + text + "\": no host after tcp:";
      return std::nullopt;
    }
    name.host = rest;
    return name;
  }
  name.device = startsWith(text, "serial:") ? text.substr(7) : text;
  if (name.device.empty()) {
    why = text.empty() ? "no port given" : "\"" + text + "\": no device after serial:";
    return std::nullopt;
  }
  return name;
}

std::string PortName::text() const {
  if (kind == Kind::Serial) return "serial:" + device;
  const bool v6 = host.find(':') != std::string::npos;
  return "tcp:" + (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}
