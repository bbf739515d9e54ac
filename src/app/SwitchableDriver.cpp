#include "app/SwitchableDriver.h"

namespace {
constexpr int16_t kEdvr = 0;  // the driver's "no such device" error code
}  // namespace

int16_t SwitchableDriver::noDriver() {
  own_.ibsta = GpibStatus::kErr;
  own_.iberr = kEdvr;
  own_.ibcnt = 0;
  own_.ibcntl = 0;
  return own_.ibsta;
}

int16_t SwitchableDriver::ibdev(int16_t board, int16_t pad, int16_t sad, int16_t tmo, int16_t eot,
                                int16_t eos) {
  if (target_ == nullptr) {
    noDriver();
    return -1;
  }
  return target_->ibdev(board, pad, sad, tmo, eot, eos);
}

int16_t SwitchableDriver::ibclr(int16_t ud) {
  return target_ != nullptr ? target_->ibclr(ud) : noDriver();
}

int16_t SwitchableDriver::ibwrt(int16_t ud, const std::string& data) {
  return target_ != nullptr ? target_->ibwrt(ud, data) : noDriver();
}

int16_t SwitchableDriver::ibrd(int16_t ud, char* buffer, int32_t count) {
  return target_ != nullptr ? target_->ibrd(ud, buffer, count) : noDriver();
}

int16_t SwitchableDriver::ibloc(int16_t ud) {
  return target_ != nullptr ? target_->ibloc(ud) : noDriver();
}

int16_t SwitchableDriver::ibonl(int16_t ud, int16_t v) {
  return target_ != nullptr ? target_->ibonl(ud, v) : noDriver();
}

const GpibStatus& SwitchableDriver::status() const {
  return target_ != nullptr ? target_->status() : own_;
}
