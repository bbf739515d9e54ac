// The acquisition display's two drawing paths on the built-in demonstration images: a full
// redraw (every key that pages or scrolls) and a one-sample cursor move (the arrow keys).
// Then the zoomed-out view on a crafted capture of 72 lines x 21,665 samples: a fitted
// redraw, a zoom step, a wheel scroll, and a capture file opened into a drawn window.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdio>
#include <memory>

#include "OffscreenApplication.h"
#include "QuietOperator.h"
#include "display/DisplayDrawing.h"
#include "display/DisplayIt.h"
#include "display/DisplayView.h"
#include "display/FileSession.h"
#include "display/TitleNotesPrompt.h"
#include "memory/DataFiles.h"
#include "memory/DefaultImages.h"
#include "memory/MemoryImages.h"
#include "model/SetupModel.h"

namespace {

struct Display {
  MemoryImages images;
  DisplayView view;
  DisplayDrawing drawing{view};
  Display() {
    LoadDefaultImages(images, nullptr);
    SetupModel setup(images.SetupMem);
    view.BuildView(setup, images.AcqMem, true, 1, 2);
    // A page where every line, pod 0 included, has samples.
    view.CursorX = 772 + 105 * 50;
    view.CursorSample = 300;
    view.RelSample = 300;
    view.CursorDrawn();
    view.Markers[0] = 290;
    view.Markers[1] = 310;
    drawing.Redraw();
  }
};

void BM_FullRedraw(benchmark::State& state) {
  EnsureApplication();
  Display d;
  for (auto _ : state) {
    d.drawing.Redraw();
    benchmark::DoNotOptimize(d.drawing.image().constBits());
  }
}
BENCHMARK(BM_FullRedraw)->Unit(benchmark::kMicrosecond);

void BM_CursorMoveOneSample(benchmark::State& state) {
  EnsureApplication();
  Display d;
  bool right = true;
  for (auto _ : state) {
    d.view.Form_KeyDown(right ? DisplayView::kRight : DisplayView::kLeft, 0);
    d.drawing.MoveCursor();
    right = !right;
    benchmark::DoNotOptimize(d.drawing.image().constBits());
  }
}
BENCHMARK(BM_CursorMoveOneSample)->Unit(benchmark::kMicrosecond);

// Four 18-bit cards (eight pods, 72 lines), rows of 2709 bytes from sample 0 to 21664. The
// image holds the first 24,387 bytes of samples, a changing pattern; the rest reads as 0.
void CraftLongCapture(MemoryImages& images) {
  LoadDefaultImages(images, nullptr);
  auto& acq = images.AcqMem;
  const auto word = [&](int at, int v) {
    acq[static_cast<size_t>(at)] = static_cast<uint8_t>(v & 255);
    acq[static_cast<size_t>(at + 1)] = static_cast<uint8_t>((v >> 8) & 255);
  };
  for (int pod = 0; pod < 8; ++pod) {
    word(514 + 2 * pod, 2709);
    word(530 + 2 * pod, 65536 - 2708 * 8);
    word(546 + 2 * pod, 0);
    acq[static_cast<size_t>(562 + pod)] = 0;
  }
  acq[579] = 0;  // no double rate
  acq[583] = 0;
  acq[585] = 4;
  for (size_t i = 614; i < acq.size(); ++i) acq[i] = static_cast<uint8_t>(i * 37 % 251);
  images.AcqLen = static_cast<int16_t>(acq.size());
}

struct LongDisplay {
  MemoryImages images;
  DisplayView view;
  DisplayDrawing drawing{view};
  explicit LongDisplay(int heightPx) {
    CraftLongCapture(images);
    SetupModel setup(images.SetupMem);
    view.BuildView(setup, images.AcqMem, false, 0, 4);
    drawing.Resize(780, heightPx);
  }
};

// At the design's size (24 rows) and tall enough for all 72 rows.
void BM_FitRedraw(benchmark::State& state) {
  EnsureApplication();
  LongDisplay d(static_cast<int>(state.range(0)));
  d.view.SetZoom(d.view.Axis.Levels() - 1, 0);
  for (auto _ : state) {
    d.drawing.Redraw();
    benchmark::DoNotOptimize(d.drawing.image().constBits());
  }
  state.counters["rows"] = static_cast<double>(d.view.Axis.Rows());
}
BENCHMARK(BM_FitRedraw)->Arg(517)->Arg(1477)->Unit(benchmark::kMicrosecond);

// Between fit and the step before it, each step redrawn.
void BM_ZoomStep(benchmark::State& state) {
  EnsureApplication();
  LongDisplay d(517);
  const int fit = d.view.Axis.Levels() - 1;
  d.view.SetZoom(fit, 0);
  bool in = true;
  for (auto _ : state) {
    d.view.Form_KeyPress(in ? '+' : '-');
    d.drawing.Redraw();
    in = !in;
    benchmark::DoNotOptimize(d.drawing.image().constBits());
  }
}
BENCHMARK(BM_ZoomStep)->Unit(benchmark::kMicrosecond);

// A tenth of a page at eight samples a pixel column, back and forth.
void BM_WheelScroll(benchmark::State& state) {
  EnsureApplication();
  LongDisplay d(517);
  d.view.SetZoom(6, 0);
  d.view.ScrollTo(5000);
  int notches = 1;
  for (auto _ : state) {
    d.view.Wheel(notches, 0);
    d.drawing.Redraw();
    notches = -notches;
    benchmark::DoNotOptimize(d.drawing.image().constBits());
  }
}
BENCHMARK(BM_WheelScroll)->Unit(benchmark::kMicrosecond);

class NoPrompt : public TitleNotesPrompt {
 public:
  void setTitle(const QString&) override {}
  void setNotes(const QString&) override {}
  bool showModal(QWidget*) override { return true; }
  QString title() const override { return {}; }
  QString notes() const override { return {}; }
};

// What logirem-view does once the program runs: read the file, build the window, show it
// drawn (the program's own start-up and the window system's come on top).
void BM_OpenCaptureFileWindow(benchmark::State& state) {
  EnsureApplication();
  MemoryImages images;
  CraftLongCapture(images);
  const std::string file = "display_bench_capture.dat";
  WriteFile(file, images, kAcquisition, 0);
  QuietOperator op;
  NoPrompt prompt;
  for (auto _ : state) {
    FileSession session(op);
    session.Open(file);
    DisplayIt window(session, prompt, nullptr);
    window.setSourceFiles(QString::fromStdString(file), {});
    window.BuildView();
    window.show();
    QApplication::processEvents();
    benchmark::DoNotOptimize(window.picture().constBits());
  }
  std::remove(file.c_str());
}
BENCHMARK(BM_OpenCaptureFileWindow)->Unit(benchmark::kMillisecond);

}  // namespace
