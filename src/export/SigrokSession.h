#pragma once
// A capture as a sigrok session file (format version 2), which PulseView and sigrok-cli
// open: a zip holding "version", "metadata" (a key file naming the channels) and the samples
// in "logic-1-N" chunks, unitsize bytes per sample, channel i in bit i % 8 of byte i / 8.
// A sample a pod does not have reads 0: the format has no "unknown".
#include <string>

class Capture;

class SigrokSession {
 public:
  // The whole file in `bytes`; false with the reason in `error` when the zip cannot be made.
  static bool Write(const Capture& capture, std::string& bytes, std::string& error);
  static std::string Metadata(const Capture& capture);
};
