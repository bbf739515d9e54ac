#pragma once
// The window program logirem-view: a capture from its files in the Data window, with no
// analyser. It is the operator of its file reads (message boxes, ten checksum reports of one
// file, then one that counts the rest) and owns the one window it shows.
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>

#include "app/Info.h"
#include "display/FileSession.h"
#include "link/Operator.h"

class DisplayIt;
class FileChooser;
class ModalPresenter;

class CaptureViewer : public Operator {
 public:
  // presenter and files default to the real message boxes and open dialog.
  explicit CaptureViewer(ModalPresenter* presenter = nullptr, FileChooser* files = nullptr);
  ~CaptureViewer() override;

  // The command line after the program name. --help and --version print to `out` and end
  // the program (status 0), anything else starting with "-" or a third file is a usage error
  // (status 2, the usage on `err`); otherwise nothing, and `files` holds the file names.
  static std::optional<int> ReadArguments(const QStringList& arguments, QStringList& files,
                                          std::string& out, std::string& err);
  static QString Usage();
  static QString Version() { return QStringLiteral("logirem-view " LOGIREM_VERSION); }

  // Asks for the capture in the open dialog "View Acquisition" when `capture` is empty, reads
  // it and builds its window. Null when the dialog was cancelled or nothing could be read.
  DisplayIt* Open(const QString& capture, const QString& configuration);

  MsgAnswer message(const std::string& text, const std::string& title, MsgIcon icon,
                    MsgButtons buttons) override;
  void setBusy(bool) override {}
  void beep() override {}
  void openGpibSettings() override {}
  int checksumReportLimit() const override { return 10; }

 private:
  std::unique_ptr<ModalPresenter> ownPresenter_;
  std::unique_ptr<FileChooser> ownFiles_;
  ModalPresenter* presenter_;
  FileChooser* files_;
  FileSession session_{*this};
  Info info_;
  std::unique_ptr<DisplayIt> display_;
};
