#pragma once
// The display tests' session: the program's built-in images on the simulated analyser, with
// every sample low so that each test knows exactly what is drawn. One 9-bit card (pod 0, two
// samples per byte pair) and two 18-bit cards (pods 2..5), pod length 65, 20 ns, triggered,
// trigger position 256; groups GRPA (pod 0 channels 7..0), CTL1 (pod 0.8), GRPB (pods 2, 3),
// GRPC (pods 4, 5), CTL2 (channel 8 of pods 2..5), displayed in that order.
#include <QString>
#include <QStringList>
#include <cstdint>

#include "display/DisplayView.h"
#include "support/SimSession.h"

class FlatSession : public SimSession {
 public:
  FlatSession();
};

// Header fields of the acquisition image.
void SetAcqByte(MemoryImages& images, int32_t offset, uint8_t value);
// One byte of a channel row (pods 0, 2..5 at length 65).
void SetDemoSample(MemoryImages& images, int pod, int channel, int byteIndex, uint8_t value);

// Builds the view from the session's images, as each opening of the window does.
void BuildFrom(DisplayView& view, Session& session);
// Puts the cursor in `column` on `sample`, as if the keys had brought it there.
void PlaceCursor(DisplayView& view, int16_t column, int16_t sample);
// Runs a command-line tool (the poppler PDF tools) and returns its standard output.
QString RunTool(const QString& program, const QStringList& arguments);
