// logirem: the window program.
#include <QApplication>
#include <QStringList>

#include "app/AppFont.h"
#include "app/MainWindow.h"
#include "backend/Registry.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setFont(AppFont());
  QStringList words = QApplication::arguments();
  words.removeFirst();
  Registry registry;
  MainWindow window(registry);
  if (!window.Form_Load(words.join(u' '))) {
    window.Form_Unload();  // stores nothing unless the settings had been read
    return 0;
  }
  window.show();
  return QApplication::exec();
}
