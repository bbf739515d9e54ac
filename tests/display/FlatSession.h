#pragma once
// The display tests' session: the program's built-in images on the simulated analyser, with
// every sample low so that each test knows exactly what is drawn. One 9-bit card (pod 0, two
// samples per byte pair) and two 18-bit cards (pods 2..5), pod length 65, 20 ns, triggered,
// trigger position 256; groups GRPA (pod 0 channels 7..0), CTL1 (pod 0.8), GRPB (pods 2, 3),
// GRPC (pods 4, 5), CTL2 (channel 8 of pods 2..5), displayed in that order.
#include <QProcess>
#include <algorithm>

#include "display/DisplayDrawing.h"
#include "display/DisplayView.h"
#include "model/SetupModel.h"
#include "support/SimSession.h"

class FlatSession : public SimSession {
 public:
  FlatSession() { std::fill(images().AcqMem.begin() + 614, images().AcqMem.end(), uint8_t{0}); }
};

// One byte of a channel row (pods 0, 2..5 at length 65).
inline void SetDemoSample(MemoryImages& images, int pod, int channel, int byteIndex,
                          uint8_t value) {
  static constexpr int kBlock[8] = {0, -1, 585, 1170, 1755, 2340, -1, -1};
  images.AcqMem[static_cast<size_t>(614 + kBlock[pod] + channel * 65 + byteIndex)] = value;
}

// Puts the cursor in `column` on `sample`, as if the keys had brought it there.
inline void PlaceCursor(DisplayView& view, int16_t column, int16_t sample) {
  view.CursorX = static_cast<int16_t>(DisplayView::kFirstColumnX + 105 * column);
  view.CursorSample = sample;
  view.RelSample = static_cast<int16_t>(sample - view.ZeroSample);
  view.CursorDrawn();
}

// Runs a command-line tool (the poppler PDF tools) and returns its standard output.
inline QString RunTool(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  return process.waitForFinished(20000) ? QString::fromUtf8(process.readAllStandardOutput())
                                        : QString();
}

// The view and its drawing on a flat session. Pod order (not matched): lines 0..8 are pod 0,
// lines 9..17 pod 2, and so on.
struct Drawn {
  FlatSession session;
  DisplayView view;
  DisplayDrawing drawing{view};

  explicit Drawn(bool matched = false) { session.cnf = matched; }
  void build() {
    SetupModel setup(session.images().SetupMem);  // as each opening of the window does
    view.BuildView(setup, session.images().AcqMem, session.bCnf(), session.nNm09(),
                   session.nNm18());
    drawing.Redraw();
  }
  void place(int16_t column, int16_t sample) {
    PlaceCursor(view, column, sample);
    drawing.Redraw();
  }
  // n pixels from (x, y) rightwards, or downwards when `down`, as one letter per pixel:
  // K black, W white, g dark grey, Y yellow, R red, M magenta, C cyan, G green, B blue.
  std::string pixels(int x, int y, int n, bool down = false) const {
    static const std::pair<QColor, char> kLetters[] = {
        {DisplayDrawing::kBlack, 'K'},    {DisplayDrawing::kWhite, 'W'},
        {DisplayDrawing::kDarkGrey, 'g'}, {DisplayDrawing::kYellow, 'Y'},
        {DisplayDrawing::kRed, 'R'},      {DisplayDrawing::kMagenta, 'M'},
        {DisplayDrawing::kCyan, 'C'},     {DisplayDrawing::kGreen, 'G'},
        {QColor(0, 0, 255), 'B'}};
    std::string s;
    for (int i = 0; i < n; ++i) {
      const QColor c = drawing.image().pixelColor(down ? x : x + i, down ? y + i : y);
      const auto it = std::ranges::find(kLetters, c, &std::pair<QColor, char>::first);
      s += it == std::end(kLetters) ? '?' : it->second;
    }
    return s;
  }
  // Pixels of one colour inside a pixel rectangle.
  int count(char c, int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      n += static_cast<int>(std::ranges::count(pixels(x0, y, x1 - x0), c));
    return n;
  }
};
