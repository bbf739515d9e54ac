#include "app/QtFileChooser.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>

namespace {
// The open dialog takes a name typed without extension (the proposal the main window makes
// from the last file, or a name the operator types) as the file with the kind's extension,
// unless a file of that very name exists. Qt's own check would refuse such a name before
// accept() could mend it, so the dialog lets any name through and checks it here.
class FileDialog : public QFileDialog {
 public:
  FileDialog(QWidget* owner, const FileRequest& request)
      : QFileDialog(owner, request.title, request.startDir, request.filter),
        extension_(request.extension) {}

  // The file chosen: the typed name's file with the extension, or what Qt's dialog selected.
  QString chosen() const {
    if (!resolved_.isEmpty()) return resolved_;
    const QStringList files = selectedFiles();
    return files.isEmpty() ? QString() : files.first();
  }

  void accept() override {
    if (acceptMode() == AcceptOpen) {
      // The name box as typed: while a path is typed, the list's selection follows the
      // folders on the way, so selectedFiles() need not hold the name.
      const auto* box = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      const QString text = box != nullptr ? box->text().trimmed() : QString();
      const QString typed = text.isEmpty() ? QString() : directory().absoluteFilePath(text);
      if (!typed.isEmpty() && !QFileInfo::exists(typed)) {
        const QString withExtension = typed + u'.' + extension_;
        if (!extension_.isEmpty() && !QFileInfo(typed).fileName().contains(u'.') &&
            QFileInfo(withExtension).isFile()) {
          resolved_ = withExtension;
          return QDialog::accept();
        }
        // Neither exists: Qt's own "File not found" warning, and the dialog stays.
        setFileMode(ExistingFile);
        QFileDialog::accept();
        return setFileMode(AnyFile);
      }
    }
    QFileDialog::accept();
  }

 private:
  QString extension_;
  QString resolved_;
};

QString Run(QWidget* owner, const FileRequest& request, QFileDialog::AcceptMode mode) {
  FileDialog dialog(owner, request);
  // A native dialog would bypass the check above, and the operator would meet a dialog
  // that refuses the names the main window proposes.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (mode == QFileDialog::AcceptSave) dialog.setDefaultSuffix(request.extension);
  if (!request.proposed.isEmpty()) dialog.selectFile(request.proposed);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.chosen();
}
}  // namespace

QString QtFileChooser::saveFileName(QWidget* owner, const FileRequest& request) {
  return Run(owner, request, QFileDialog::AcceptSave);
}

QString QtFileChooser::openFileName(QWidget* owner, const FileRequest& request) {
  return Run(owner, request, QFileDialog::AcceptOpen);
}
