#include "FlatSession.h"

#include <QProcess>
#include <algorithm>

#include "model/SetupModel.h"

FlatSession::FlatSession() {
  auto& acq = images().AcqMem;
  std::fill(acq.begin() + 614, acq.begin() + images().AcqLen, uint8_t{0});
}

void SetAcqByte(MemoryImages& images, int32_t offset, uint8_t value) {
  images.AcqMem[static_cast<size_t>(offset)] = value;
}

void SetDemoSample(MemoryImages& images, int pod, int channel, int byteIndex, uint8_t value) {
  static constexpr int kBlock[8] = {0, -1, 585, 1170, 1755, 2340, -1, -1};
  SetAcqByte(images, 614 + kBlock[pod] + channel * 65 + byteIndex, value);
}

void BuildFrom(DisplayView& view, Session& session) {
  SetupModel setup(session.images().SetupMem);
  view.BuildView(setup, session.images().AcqMem, session.bCnf(), session.nNm09(), session.nNm18());
}

void PlaceCursor(DisplayView& view, int16_t column, int16_t sample) {
  view.CursorX = static_cast<int16_t>(DisplayView::kFirstColumnX + 105 * column);
  view.CursorSample = sample;
  view.RelSample = static_cast<int16_t>(sample - view.ZeroSample);
  view.CursorDrawn();
}

QString RunTool(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(20000)) return {};
  return QString::fromUtf8(process.readAllStandardOutput());
}
