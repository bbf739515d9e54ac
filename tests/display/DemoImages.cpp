#include "DemoImages.h"

#include <cstring>

#include "model/SetupModel.h"

void SetAcqByte(MemoryImages& images, int32_t offset, uint8_t value) {
  images.AcqMem[static_cast<size_t>(offset)] = value;
}

void SetAcqWord(MemoryImages& images, int32_t offset, int32_t value) {
  SetAcqByte(images, offset, static_cast<uint8_t>(value & 0xFF));
  SetAcqByte(images, offset + 1, static_cast<uint8_t>((value >> 8) & 0xFF));
}

void SetDemoSample(MemoryImages& images, int pod, int channel, int byteIndex, uint8_t value) {
  static constexpr int kBlock[8] = {0, -1, 585, 1170, 1755, 2340, -1, -1};
  SetAcqByte(images, 614 + kBlock[pod] + channel * 65 + byteIndex, value);
}

void FillDemoAcq(MemoryImages& images) {
  images.AcqMem.fill(0);
  for (int pod = 0; pod < 8; ++pod) {
    const bool present = pod == 0 || (pod >= 2 && pod <= 5);
    SetAcqWord(images, 514 + 2 * pod, present ? 65 : 0);
    SetAcqWord(images, 530 + 2 * pod, pod == 0 ? 0xFF00 : (present ? 0xFE00 : 0));
    SetAcqWord(images, 546 + 2 * pod, 0);
    SetAcqByte(images, 562 + pod, present ? 0 : 0x55);
  }
  SetAcqByte(images, 574, 0);  // triggered
  SetAcqByte(images, 579, 1);  // double rate on the 9-bit card
  SetAcqByte(images, 580, 0);  // internal clock
  SetAcqByte(images, 581, 1);  // 20 ns
  SetAcqByte(images, 583, 1);
  SetAcqByte(images, 585, 2);
  SetAcqWord(images, 600, 2925);
  images.AcqLen = 3539;
}

void FillDemoSetup(MemoryImages& images) {
  images.SetupMem.fill(0);
  SetupModel setup(images.SetupMem);
  images.SetupMem[0] = 2;  // trigger position 256
  struct Group {
    const char* label;
    int16_t width, first;
  };
  const Group groups[10] = {{"GRPA", 8, 0}, {"CTL1", 1, 8},  {"    ", 0, 0},   {"    ", 0, 0},
                            {"    ", 0, 0}, {"GRPB", 16, 9}, {"GRPC", 16, 25}, {"CTL2", 4, 41},
                            {"    ", 0, 0}, {"    ", 0, 0}};
  for (int16_t g = 0; g < 10; ++g) {
    setup.SetLabel(g, groups[g].label);
    setup.SetBase(g, groups[g].width > 0 ? 0 : 2);
    setup.SetWidth(g, groups[g].width);
    setup.SetFirst(g, groups[g].first);
  }
  int16_t position = 0;
  auto map = [&](int16_t code) { setup.SetChanMap(position++, code); };
  for (int16_t c = 7; c >= 0; --c) map(c);  // pod 0
  map(8);
  for (int16_t pod = 2; pod <= 5; ++pod) {
    for (int16_t c = 7; c >= 0; --c) map(static_cast<int16_t>(pod * 10 + c));
  }
  for (int16_t pod = 2; pod <= 5; ++pod) map(static_cast<int16_t>(pod * 10 + 8));
  while (position < 72) map(255);

  int16_t line = 0;
  auto order = [&](int16_t g) {
    for (int16_t b = static_cast<int16_t>(groups[g].width - 1); b >= 0; --b) {
      setup.SetOrderA(line, g, b);
      if (line < 12) setup.SetOrderB(line, g, b);
      ++line;
    }
  };
  for (int g : {0, 1, 5, 6, 7}) order(static_cast<int16_t>(g));
  while (line < 72) setup.SetOrderA(line++, 2, 0);
  images.SetupLen = 922;
}
