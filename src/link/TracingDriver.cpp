#include "link/TracingDriver.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

std::string TracingDriver::Shown(std::string_view text, size_t max) {
  std::string out = "\"";
  for (size_t i = 0; i < std::min(text.size(), max); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c < 32 || c >= 127) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  out += '"';
  if (text.size() > max) out += "... (" + std::to_string(text.size()) + " bytes)";
  return out;
}

namespace {

std::string hex4(int16_t v) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(static_cast<uint16_t>(v)));
  return text;
}
}  // namespace

template <typename Call>
int16_t TracingDriver::traced(const std::string& what, Call call) {
  int16_t result = 0;
  try {
    result = call();
  } catch (const DriverUnavailable& e) {
    out_ << "gpib: " << what << " failed: " << e.what() << std::endl;
    throw;
  }
  const GpibStatus& s = inner_.status();
  out_ << "gpib: " << what << " -> " << result << "  ibsta=" << hex4(s.ibsta)
       << (s.failed() ? " ERR" : "") << " iberr=" << s.iberr << " ibcntl=" << s.ibcntl;
  out_ << std::endl;
  return result;
}

int16_t TracingDriver::ibdev(int16_t board, int16_t pad, int16_t sad, int16_t tmo, int16_t eot,
                             int16_t eos) {
  return traced("ibdev(" + std::to_string(board) + ", " + std::to_string(pad) + ", " +
                    std::to_string(sad) + ", " + std::to_string(tmo) + ", " + std::to_string(eot) +
                    ", " + std::to_string(eos) + ")",
                [&] { return inner_.ibdev(board, pad, sad, tmo, eot, eos); });
}

int16_t TracingDriver::ibclr(int16_t ud) {
  return traced("ibclr(" + std::to_string(ud) + ")", [&] { return inner_.ibclr(ud); });
}

int16_t TracingDriver::ibwrt(int16_t ud, const std::string& data) {
  return traced("ibwrt(" + std::to_string(ud) + ", " + Shown(data, kShownText) + ", " +
                    std::to_string(data.size()) + ")",
                [&] { return inner_.ibwrt(ud, data); });
}

int16_t TracingDriver::ibrd(int16_t ud, char* buffer, int32_t count) {
  // Only what the driver reports as received is shown, and never more than was asked for.
  const int16_t r = traced("ibrd(" + std::to_string(ud) + ", " + std::to_string(count) + ")",
                           [&] { return inner_.ibrd(ud, buffer, count); });
  const GpibStatus& s = inner_.status();
  if (!s.failed()) {
    const auto n = static_cast<size_t>(std::clamp<int32_t>(s.ibcntl, 0, std::max(count, 0)));
    out_ << "gpib:   received " << Shown(std::string_view(buffer, n), kShownText) << std::endl;
  }
  return r;
}

int16_t TracingDriver::ibloc(int16_t ud) {
  return traced("ibloc(" + std::to_string(ud) + ")", [&] { return inner_.ibloc(ud); });
}

int16_t TracingDriver::ibonl(int16_t ud, int16_t v) {
  return traced("ibonl(" + std::to_string(ud) + ", " + std::to_string(v) + ")",
                [&] { return inner_.ibonl(ud, v); });
}
