#pragma once
// The driver the main window's connection talks to: it passes every call to the back end
// currently chosen, so that the back end can change in the settings dialog even while a
// transfer that opened that dialog is still running on the same connection.
#include "link/GpibDriver.h"

class SwitchableDriver : public GpibDriver {
 public:
  void setTarget(GpibDriver* target) { target_ = target; }  // not owned
  GpibDriver* target() const { return target_; }

  int16_t ibdev(int16_t board, int16_t pad, int16_t sad, int16_t tmo, int16_t eot,
                int16_t eos) override;
  int16_t ibclr(int16_t ud) override;
  int16_t ibwrt(int16_t ud, const std::string& data) override;
  int16_t ibrd(int16_t ud, char* buffer, int32_t count) override;
  int16_t ibloc(int16_t ud) override;
  int16_t ibonl(int16_t ud, int16_t v) override;
  const GpibStatus& status() const override;
  std::string prepare() override {
    return target_ != nullptr ? target_->prepare() : "No interface";
  }
  std::string lastProblem() const override {
    return target_ != nullptr ? target_->lastProblem() : std::string();
  }

 private:
  int16_t noDriver();

  GpibDriver* target_ = nullptr;
  GpibStatus own_;  // the status while there is no back end
};
