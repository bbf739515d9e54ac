#include "app/ConfinedDriver.h"

#include "app/LinkThread.h"

ConfinedDriver::~ConfinedDriver() {
  thread_.run([this] { inner_.reset(); });
}

template <class Call>
auto ConfinedDriver::there(Call call) -> decltype(call()) {
  decltype(call()) result{};
  std::exception_ptr error;
  thread_.run([&] {
    try {
      result = call();
    } catch (...) {
      error = std::current_exception();  // an exception cannot cross the queued call itself
    }
  });
  if (error) std::rethrow_exception(error);
  return result;
}

int16_t ConfinedDriver::ibdev(int16_t board, int16_t pad, int16_t sad, int16_t tmo, int16_t eot,
                              int16_t eos) {
  return there([&] { return inner_->ibdev(board, pad, sad, tmo, eot, eos); });
}

int16_t ConfinedDriver::ibclr(int16_t ud) {
  return there([&] { return inner_->ibclr(ud); });
}

int16_t ConfinedDriver::ibwrt(int16_t ud, const std::string& data) {
  return there([&] { return inner_->ibwrt(ud, data); });
}

int16_t ConfinedDriver::ibrd(int16_t ud, char* buffer, int32_t count) {
  return there([&] { return inner_->ibrd(ud, buffer, count); });
}

int16_t ConfinedDriver::ibloc(int16_t ud) {
  return there([&] { return inner_->ibloc(ud); });
}

int16_t ConfinedDriver::ibonl(int16_t ud, int16_t v) {
  return there([&] { return inner_->ibonl(ud, v); });
}

std::string ConfinedDriver::prepare() {
  return there([&] { return inner_->prepare(); });
}
