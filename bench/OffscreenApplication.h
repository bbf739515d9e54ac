#pragma once
// Fonts and widgets need an application object; one for the whole benchmark program, without
// a screen.
#include <QApplication>
#include <memory>

inline void EnsureApplication() {
  static std::unique_ptr<QApplication> app;
  if (app) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "logirem_bench";
  static char* argv[] = {name, nullptr};
  app = std::make_unique<QApplication>(argc, argv);
}
