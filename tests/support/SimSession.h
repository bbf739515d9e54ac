#pragma once
// A session on the simulated analyser for tests of the windows: real images, the simulated
// analyser behind a real connection and transfer, a recording operator, and "save to file"
// answered with a path the test chooses.
#include <string>

#include "link/DeviceConnection.h"
#include "memory/MemoryImages.h"
#include "memory/Session.h"
#include "memory/Transfer.h"
#include "sim/SimDriver.h"
#include "support/RecordingOperator.h"

class SimSession : public Session {
 public:
  SimSession();  // default images loaded, cards 1 x 9-bit and 2 x 18-bit, bCnf true

  MemoryImages& images() override { return images_; }
  Operator& op() override { return op_; }
  bool bCnf() const override { return cnf; }
  int16_t nNm09() const override { return cards09; }
  int16_t nNm18() const override { return cards18; }
  bool Mem2Tek(int32_t Config) override {
    ++mem2TekCalls;
    return transfer_.Mem2Tek(Config);
  }
  std::string Mem2File(const std::string& File, int32_t Config, int16_t Off) override;
  bool ReadReference(MemoryImages& into) override {
    return Transfer(connection_, into, op_).Tek2Mem(kReference);
  }

  SimAnalyser& analyser() { return driver_.analyser(); }

  RecordingOperator op_;
  bool cnf = true;
  int16_t cards09 = 1, cards18 = 2;
  std::string saveAs;  // the file Mem2File "chooses"; empty: the dialog is cancelled
  int mem2TekCalls = 0, mem2FileCalls = 0;

 private:
  MemoryImages images_;
  SimDriver driver_;
  DeviceConnection connection_;
  Transfer transfer_;
};
