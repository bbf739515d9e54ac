#include "app/QtFileChooser.h"

#include <QFileDialog>
#include <QFileInfo>

namespace {
// The open dialog takes a name typed without extension (the proposal the main window makes
// from the last file) as the file with the kind's extension, unless a file of that very
// name exists.
class FileDialog : public QFileDialog {
 public:
  FileDialog(QWidget* owner, const FileRequest& request)
      : QFileDialog(owner, request.title, request.startDir, request.filter),
        extension_(request.extension) {}

  void accept() override {
    const QStringList chosen = selectedFiles();
    if (acceptMode() == AcceptOpen && chosen.size() == 1 && !extension_.isEmpty()) {
      const QFileInfo typed(chosen.first());
      const QString withExtension = chosen.first() + u'.' + extension_;
      if (!typed.exists() && !typed.fileName().contains(u'.') && QFileInfo::exists(withExtension)) {
        selectFile(withExtension);
      }
    }
    QFileDialog::accept();
  }

 private:
  QString extension_;
};

QString Run(QWidget* owner, const FileRequest& request, QFileDialog::AcceptMode mode) {
  FileDialog dialog(owner, request);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                     : QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (mode == QFileDialog::AcceptSave) dialog.setDefaultSuffix(request.extension);
  if (!request.proposed.isEmpty()) dialog.selectFile(request.proposed);
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList chosen = dialog.selectedFiles();
  return chosen.isEmpty() ? QString() : chosen.first();
}
}  // namespace

QString QtFileChooser::saveFileName(QWidget* owner, const FileRequest& request) {
  return Run(owner, request, QFileDialog::AcceptSave);
}

QString QtFileChooser::openFileName(QWidget* owner, const FileRequest& request) {
  return Run(owner, request, QFileDialog::AcceptOpen);
}
