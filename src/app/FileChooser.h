#pragma once
// The save and open dialogs of the main window's file commands. The program uses
// QtFileChooser; tests answer with names of their own.
#include <QString>

class QWidget;

struct FileRequest {
  QString title;     // "Save FULL Configuration", "Load Acquisition", ...
  QString filter;    // "Configuration Files (*.cnf)"
  QString startDir;  // the current directory
  QString proposed;  // the file name offered, possibly empty
  // "cnf" / "dat": a name typed without any extension stands for the file with this one.
  QString extension;
};

class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // The chosen name, or the empty text when the dialog was cancelled. Saving never asks
  // before replacing a file; the main window asks where a replacement would lose data.
  virtual QString saveFileName(QWidget* owner, const FileRequest& request) = 0;
  virtual QString openFileName(QWidget* owner, const FileRequest& request) = 0;
};
