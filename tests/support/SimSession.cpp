#include "support/SimSession.h"

#include "memory/DataFiles.h"
#include "memory/DefaultImages.h"

SimSession::SimSession() : connection_(driver_, op_), transfer_(connection_, images_, op_) {
  LoadDefaultImages(images_, &op_);
}

std::string SimSession::Mem2File(const std::string&, int32_t Config, int16_t Off) {
  ++mem2FileCalls;
  if (saveAs.empty() || !WriteFile(saveAs, images_, Config, Off)) return {};
  return NameWithoutExtension(saveAs);
}
