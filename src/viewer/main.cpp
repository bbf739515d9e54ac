// logirem-view: an acquisition file in the Data window, without the analyser.
#include <QApplication>
#include <iostream>

#include "app/AppFont.h"
#include "app/CaptureViewer.h"
#include "display/DisplayIt.h"

int main(int argc, char** argv) {
  // Help and version come before the window system, so they work without a screen (the
  // manual page is made from --help).
  QStringList words;
  for (int i = 1; i < argc; ++i) words << QString::fromLocal8Bit(argv[i]);
  QStringList files;
  std::string out, err;
  if (const auto status = CaptureViewer::ReadArguments(words, files, out, err)) {
    std::cout << out;
    std::cerr << err;
    return *status;
  }
  QApplication app(argc, argv);
  QApplication::setFont(AppFont());
  CaptureViewer viewer;
  DisplayIt* window = viewer.Open(files.value(0), files.value(1));
  if (window == nullptr) return 1;
  window->show();
  return QApplication::exec();
}
