// Shows the configuration editor on the built-in default setup, as the main window would
// open it, with the card counts given on the command line (default 1 and 2); channel codes
// after them start with their polarity inverted: editor_preview 1 3 23 41.
#include "support/SimSession.h"
// Qt after the simulated analyser, whose member "slots" Qt would take for its keyword.
#include <QApplication>
#include <QWidget>

#include "editor/Editit.h"
#include "model/SetupModel.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  SimSession session;
  if (argc >= 3) {
    session.cards09 = static_cast<int16_t>(std::atoi(argv[1]));
    session.cards18 = static_cast<int16_t>(std::atoi(argv[2]));
  }
  SetupModel setup(session.images().SetupMem);
  for (int i = 3; i < argc; ++i) {
    const int code = std::atoi(argv[i]);
    setup.SetPolarity(static_cast<int16_t>(code / 10), static_cast<int16_t>(code % 10), false);
  }
  QWidget owner;
  owner.setWindowTitle(QStringLiteral("Logirem"));
  owner.setGeometry(20, 40, 500, 120);
  owner.show();
  Editit editor(session, &owner);
  return editor.runModal() >= 0 ? 0 : 1;
}
