// The acquisition display's two drawing paths on the built-in demonstration images: a full
// redraw (every key that pages or scrolls) and a one-sample cursor move (the arrow keys).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <memory>

#include "display/DisplayDrawing.h"
#include "display/DisplayView.h"
#include "memory/DefaultImages.h"
#include "memory/MemoryImages.h"
#include "model/SetupModel.h"

namespace {

// Fonts need an application object; one for the whole program, without a screen.
void EnsureApplication() {
  static std::unique_ptr<QGuiApplication> app;
  if (app) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "display_bench";
  static char* argv[] = {name, nullptr};
  app = std::make_unique<QGuiApplication>(argc, argv);
}

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

}  // namespace
