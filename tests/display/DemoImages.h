#pragma once
// Images shaped like the program's built-in ones, made byte by byte so that every test knows
// exactly what is in them: one 9-bit card (pod 0, two samples per byte pair) and two 18-bit
// cards (pods 2..5), pod length 65, 20 ns, triggered, trigger position 256; configuration
// GRPA (pod 0 channels 7..0), CTL1 (pod 0.8), GRPB (pods 2, 3), GRPC (pods 4, 5), CTL2
// (channel 8 of pods 2..5), displayed in that order. All samples start low.
#include <cstdint>
#include <string>

#include "link/Operator.h"
#include "memory/MemoryImages.h"
#include "memory/Session.h"
#include "support/RecordingOperator.h"

void FillDemoSetup(MemoryImages& images);
void FillDemoAcq(MemoryImages& images);

// Header fields of the acquisition image.
void SetAcqByte(MemoryImages& images, int32_t offset, uint8_t value);
void SetAcqWord(MemoryImages& images, int32_t offset, int32_t value);
// One byte of a channel row of the demo acquisition (pods 0, 2..5 at length 65).
void SetDemoSample(MemoryImages& images, int pod, int channel, int byteIndex, uint8_t value);

// A session on hand-made images; Mem2Tek only counts.
class HandSession : public Session {
 public:
  HandSession() {
    FillDemoSetup(images_);
    FillDemoAcq(images_);
  }
  MemoryImages& images() override { return images_; }
  Operator& op() override { return op_; }
  bool bCnf() const override { return cnf; }
  int16_t nNm09() const override { return cards09; }
  int16_t nNm18() const override { return cards18; }
  bool Mem2Tek(int32_t Config) override {
    lastKind = Config;
    ++mem2TekCalls;
    return true;
  }
  std::string Mem2File(const std::string&, int32_t, int16_t) override { return {}; }

  RecordingOperator op_;
  bool cnf = true;
  int16_t cards09 = 1;
  int16_t cards18 = 2;
  int mem2TekCalls = 0;
  int32_t lastKind = 0;

 private:
  MemoryImages images_;
};
