#include "app/CaptureViewer.h"

#include <QDir>
#include <QFile>

#include "app/FileChooser.h"
#include "app/QtFileChooser.h"
#include "app/QtModalPresenter.h"
#include "display/DisplayIt.h"

CaptureViewer::CaptureViewer(ModalPresenter* presenter, FileChooser* files) {
  if (presenter == nullptr) ownPresenter_ = std::make_unique<QtModalPresenter>();
  if (files == nullptr) ownFiles_ = std::make_unique<QtFileChooser>();
  presenter_ = presenter != nullptr ? presenter : ownPresenter_.get();
  files_ = files != nullptr ? files : ownFiles_.get();
}

CaptureViewer::~CaptureViewer() = default;

QString CaptureViewer::Usage() {
  return QStringLiteral(
      "usage: logirem-view [FILE.dat [FILE.cnf]]\n"
      "Shows an acquisition file of a Tektronix 124x logic analyser in the Data window,\n"
      "without the analyser.\n"
      "\n"
      "  FILE.dat   the acquisition; without it an open dialog asks for one\n"
      "  FILE.cnf   the configuration read with it: the lines of the analyser's display under\n"
      "             their group names (default: the .cnf beside FILE.dat, when there is one);\n"
      "             without one the lines are the pods' channels in order\n"
      "  --help     shows this text\n"
      "  --version  shows the version\n"
      "\n"
      "In the window: arrows move the cursor (Shift: ten samples), Control+arrows page, Home\n"
      "and End go to the ends, + and - (or Control+wheel) zoom, F fits the whole capture, 1\n"
      "shows one sample a column, the wheel scrolls (Shift+wheel the lines), a click puts the\n"
      "cursor, Space sets a marker, Z the zero of the relative time, G and S switch between\n"
      "group and pod names, Control+P prints, Control+E exports.\n");
}

std::optional<int> CaptureViewer::ReadArguments(const QStringList& arguments, QStringList& files,
                                                std::string& out, std::string& err) {
  for (const QString& word : arguments) {
    if (word == QStringLiteral("--help") || word == QStringLiteral("-h")) {
      out += Usage().toStdString();
      return 0;
    }
    if (word == QStringLiteral("--version")) {
      out += Version().toStdString() + "\n";
      return 0;
    }
    if ((word.startsWith(u'-') && word.size() > 1) || files.size() == 2) {
      err += "logirem-view: unexpected " + word.toStdString() + "\n" + Usage().toStdString();
      return 2;
    }
    files << word;
  }
  return std::nullopt;
}

DisplayIt* CaptureViewer::Open(const QString& capture, const QString& configuration) {
  QString name = capture;
  if (name.isEmpty()) {
    FileRequest request;
    request.title = QStringLiteral("View Acquisition");
    request.filter = QStringLiteral("Acquisition Files (*.dat)");
    request.startDir = QDir::currentPath();
    request.extension = QStringLiteral("dat");
    name = files_->openFileName(nullptr, request);
    if (name.isEmpty()) return nullptr;
  }
  if (!session_.Open(QFile::encodeName(name).toStdString(),
                     QFile::encodeName(configuration).toStdString())) {
    return nullptr;
  }
  if (!display_) display_ = std::make_unique<DisplayIt>(session_, info_, nullptr);
  display_->setSourceFiles(name, QFile::decodeName(session_.configurationFile().c_str()));
  display_->BuildView();
  return display_.get();
}

MsgAnswer CaptureViewer::message(const std::string& text, const std::string& title, MsgIcon icon,
                                 MsgButtons buttons) {
  return presenter_->message(display_.get(), QString::fromStdString(text),
                             QString::fromStdString(title), icon, buttons);
}
