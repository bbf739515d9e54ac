#pragma once
// The file dialogs as the user sees them.
#include "app/FileChooser.h"

class QtFileChooser : public FileChooser {
 public:
  QString saveFileName(QWidget* owner, const FileRequest& request) override;
  QString openFileName(QWidget* owner, const FileRequest& request) override;
};
