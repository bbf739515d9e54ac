#include "display/FileSession.h"

#include "link/Operator.h"
#include "memory/DataFiles.h"
#include "model/AcqModel.h"

void FileSession::Report(const std::string& file, const std::string& reason) {
  op_.message(file + ": " + reason, "View Acquisition", MsgIcon::Exclamation, MsgButtons::Ok);
}

std::string FileSession::BesideConfiguration(const std::string& capture) {
  return NameWithoutExtension(capture) + ".cnf";
}

bool FileSession::Open(const std::string& capture, const std::string& configuration) {
  images_ = MemoryImages{};
  capture_ = capture;
  configuration_.clear();
  if (!CanOpen(capture)) {
    Report(capture, "cannot open the file");
    return false;
  }
  if (!ReadFile(capture, images_, kAcquisition, &op_)) {
    Report(capture, "Bad " + KindWord(kAcquisition) + " data");
    return false;
  }
  if (const std::string cut = CutOffWarning(images_); !cut.empty()) Report(capture, cut);

  std::string setup = configuration;
  if (setup.empty()) {
    setup = BesideConfiguration(capture);
    if (!CanOpen(setup)) return true;  // none beside it: pod order
  }
  if (!CanOpen(setup)) {
    Report(setup, "cannot open the file");
  } else if (!ReadFile(setup, images_, kConfiguration, &op_)) {
    Report(setup, "Bad " + KindWord(kConfiguration) + " data");
  } else {
    configuration_ = setup;
  }
  return true;
}

int16_t FileSession::nNm09() const {
  return static_cast<int16_t>(AcqModel(images_.AcqMem).Cards9());
}

int16_t FileSession::nNm18() const {
  return static_cast<int16_t>(AcqModel(images_.AcqMem).Cards18());
}
