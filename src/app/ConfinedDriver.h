#pragma once
// A driver back end whose every call runs on the link thread, whoever makes it: the
// window's identification, the settings dialog's Test and OK, and the transfers running
// there already. Errors raised there reach the caller as if the call had been made here.
#include <exception>
#include <memory>

#include "link/GpibDriver.h"

class LinkThread;

class ConfinedDriver : public GpibDriver {
 public:
  ConfinedDriver(std::unique_ptr<GpibDriver> inner, LinkThread& thread)
      : inner_(std::move(inner)), thread_(thread) {}
  ~ConfinedDriver() override;  // the back end goes on the thread that used its port

  GpibDriver& inner() { return *inner_; }

  int16_t ibdev(int16_t board, int16_t pad, int16_t sad, int16_t tmo, int16_t eot,
                int16_t eos) override;
  int16_t ibclr(int16_t ud) override;
  int16_t ibwrt(int16_t ud, const std::string& data) override;
  int16_t ibrd(int16_t ud, char* buffer, int32_t count) override;
  int16_t ibloc(int16_t ud) override;
  int16_t ibonl(int16_t ud, int16_t v) override;
  // Read once a call has returned, so never while the link thread changes it.
  const GpibStatus& status() const override { return inner_->status(); }
  std::string prepare() override;

 private:
  template <class Call>
  auto there(Call call) -> decltype(call());

  std::unique_ptr<GpibDriver> inner_;
  LinkThread& thread_;
};
