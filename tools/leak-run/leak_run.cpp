// Runs the main window as logirem does (real message boxes and windows) on the simulated
// analyser, with its settings in a temporary INI file: start, Get Data and Display, the
// Data window closed, the main window closed, quit. Exit status 0 when the Data window
// was shown.
#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "app/AppFont.h"
#include "app/MainWindow.h"
#include "backend/Registry.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setFont(AppFont());
  QTemporaryDir folder;
  Registry registry(folder.filePath(QStringLiteral("Logirem.ini")));
  registry.RegWrite(QStringLiteral("Logirem"), QStringLiteral("Interface"), QStringLiteral("sim"));
  MainWindow window(registry);
  if (!window.Form_Load(QString())) return 1;
  window.show();
  bool shown = false;
  QTimer closer;  // closes the Data window once it is up
  QObject::connect(&closer, &QTimer::timeout, [&shown] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      shown = true;
      modal->close();
    }
  });
  QTimer::singleShot(0, [&] {
    closer.start(50);
    window.GetDisplay->click();
    closer.stop();
    window.close();
  });
  QApplication::exec();
  return shown ? 0 : 1;
}
