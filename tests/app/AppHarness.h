#pragma once
// A main window on the simulated analyser, with its settings in a temp INI file, its
// message boxes, settings dialog and working windows answered by the test, and its file
// dialogs answered with names the test queues.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Conf.h"
#include "app/FileChooser.h"
#include "app/MainWindow.h"
#include "app/ModalPresenter.h"
#include "app/Registry.h"
#include "app/StartRequest.h"
#include "link/DeviceConnection.h"
#include "sim/SimAnalyser.h"
#include "support/TempDir.h"

// Everything the window showed, in order: "message:<text>", "conf", "editor", "display",
// "save:<title>", "open:<title>".
using EventLog = std::vector<std::string>;

class ScriptedPresenter : public ModalPresenter {
 public:
  explicit ScriptedPresenter(EventLog& log) : log_(log) {}

  struct Shown {
    std::string text, title;
    MsgIcon icon;
    MsgButtons buttons;
  };

  MsgAnswer message(QWidget* owner, const QString& text, const QString& title, MsgIcon icon,
                    MsgButtons buttons) override;
  void showConf(Conf& conf) override;
  void showWorkingWindow(WorkingWindow which, const std::function<void()>& run) override;

  std::vector<Shown> messages;
  std::deque<MsgAnswer> answers;       // answers to Yes/No questions; No when empty
  std::function<void(Conf&)> onConf;   // what the user does in the dialog; default: OK
  std::vector<WorkingWindow> windows;  // working windows opened
  QWidget* lastOwner = nullptr;
  // The pointer while the last message was up (the arrow when there was no override).
  Qt::CursorShape lastPointer = Qt::ArrowCursor;

 private:
  EventLog& log_;
};

class ScriptedFiles : public FileChooser {
 public:
  explicit ScriptedFiles(EventLog& log) : log_(log) {}
  QString saveFileName(QWidget* owner, const FileRequest& request) override;
  QString openFileName(QWidget* owner, const FileRequest& request) override;

  std::vector<FileRequest> requests;
  std::deque<QString> answers;  // chosen names; an empty one (or none left) cancels

 private:
  QString next(const FileRequest& request, const char* what);
  EventLog& log_;
};

class AppTest : public ::testing::Test {
 protected:
  AppTest();
  ~AppTest() override;

  // Starts an instance; unless told otherwise it uses the simulated analyser.
  std::unique_ptr<MainWindow> start(const QString& commandLine = QString(), bool seedSim = true);
  static SimAnalyser& sim(MainWindow& window);
  // Messages shown so far, as texts.
  std::vector<std::string> texts() const;
  // Whether the analyser was sent this command since the transcript was last cleared.
  static bool sent(MainWindow& window, const std::string& command);

  TempDir dir;
  QString ini;
  Registry registry;
  EventLog log;
  ScriptedPresenter presenter{log};
  ScriptedFiles files{log};

 private:
  QString previousDir_;
};
