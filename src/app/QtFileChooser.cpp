#include "app/QtFileChooser.h"

#include <QFileDialog>

namespace {
QString Run(QWidget* owner, const FileRequest& request, QFileDialog::AcceptMode mode) {
  QFileDialog dialog(owner, request.title, request.startDir, request.filter);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                     : QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
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
