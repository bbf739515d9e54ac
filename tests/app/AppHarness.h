#pragma once
// A main window on the simulated analyser, with its settings in a temp INI file, its
// message boxes, settings dialog and working windows answered by the test, and its file
// dialogs answered with names the test queues.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Conf.h"
#include "app/FileChooser.h"
#include "app/MainWindow.h"
#include "app/ModalPresenter.h"
#include "app/StartRequest.h"
#include "backend/Registry.h"
#include "link/DeviceConnection.h"
#include "sim/SimDriver.h"
#include "support/TempDir.h"

// Everything the window showed, in order: "message:<text>", "conf", "editor", "display",
// "save:<title>", "open:<title>".
using EventLog = std::vector<std::string>;

template <typename T>
T Next(std::deque<T>& queue, T whenEmpty) {
  if (queue.empty()) return whenEmpty;
  T front = queue.front();
  queue.pop_front();
  return front;
}

class ScriptedPresenter : public ModalPresenter {
 public:
  explicit ScriptedPresenter(EventLog& log) : log_(log) {}

  struct Shown {
    std::string text, title;
    MsgIcon icon;
    MsgButtons buttons;
  };

  MsgAnswer message(QWidget* owner, const QString& text, const QString& title, MsgIcon icon,
                    MsgButtons buttons) override {
    lastOwner = owner;
    const QCursor* pointer = QApplication::overrideCursor();
    lastPointer = pointer != nullptr ? pointer->shape() : Qt::ArrowCursor;
    messages.push_back({text.toStdString(), title.toStdString(), icon, buttons});
    log_.push_back("message:" + text.toStdString());
    return buttons == MsgButtons::Ok ? MsgAnswer::Ok : Next(answers, MsgAnswer::No);
  }
  void showConf(Conf& conf) override {
    log_.push_back("conf");
    onConf ? onConf(conf) : conf.OK_Click();
  }
  void showWorkingWindow(WorkingWindow which, const std::function<void()>& run) override {
    log_.push_back(which == WorkingWindow::ConfigEditor ? "editor" : "display");
    // The real window runs modally; it is closed as soon as its loop turns.
    QTimer::singleShot(0, [] {
      if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    run();
  }

  std::vector<Shown> messages;
  std::deque<MsgAnswer> answers;      // answers to Yes/No questions; No when empty
  std::function<void(Conf&)> onConf;  // what the user does in the dialog; default: OK
  QWidget* lastOwner = nullptr;
  // The pointer while the last message was up (the arrow when there was no override).
  Qt::CursorShape lastPointer = Qt::ArrowCursor;

 private:
  EventLog& log_;
};

class ScriptedFiles : public FileChooser {
 public:
  explicit ScriptedFiles(EventLog& log) : log_(log) {}
  QString saveFileName(QWidget*, const FileRequest& request) override {
    return next(request, "save:");
  }
  QString openFileName(QWidget*, const FileRequest& request) override {
    return next(request, "open:");
  }

  std::vector<FileRequest> requests;
  std::deque<QString> answers;  // chosen names; an empty one (or none left) cancels
  // The answer of an operator who presses Enter on the proposed name.
  static inline const QString kEnter = QStringLiteral("<Enter>");

 private:
  QString next(const FileRequest& request, const std::string& what) {
    requests.push_back(request);
    log_.push_back(what + request.title.toStdString());
    const QString answer = Next(answers, QString());
    return answer == kEnter ? request.proposed : answer;
  }
  EventLog& log_;
};

class AppTest : public ::testing::Test {
 protected:
  AppTest() : ini(QString::fromStdString(dir.file("settings.ini"))), registry(ini) {
    // Relative file names in the tests land in the temp folder, the dialogs' start folder.
    QDir::setCurrent(QString::fromStdString(dir.path().string()));
  }
  ~AppTest() override { QDir::setCurrent(previousDir_); }

  // Starts an instance; unless told otherwise it uses the simulated analyser.
  std::unique_ptr<MainWindow> start(const QString& commandLine = QString(), bool seedSim = true) {
    auto window = std::make_unique<MainWindow>(registry, &presenter, &files);
    const StartRequest request = ParseCommandLine(commandLine);
    if (seedSim && request.action == StartRequest::Action::Run &&
        registry.RegRead(request.AppKey(), QStringLiteral("Interface"), QString()).isEmpty()) {
      registry.RegWrite(request.AppKey(), QStringLiteral("Interface"), QStringLiteral("sim"));
    }
    window->Form_Load(commandLine);
    return window;
  }
  static SimAnalyser& sim(MainWindow& window) {
    return dynamic_cast<SimDriver&>(window.driver()).analyser();  // throws on other drivers
  }
  // Whether the analyser was sent this command since the transcript was last cleared.
  static bool sent(MainWindow& window, const std::string& command) {
    for (const std::string& line : sim(window).transcript()) {
      if (line.rfind("ibwrt " + command, 0) == 0) return true;
    }
    return false;
  }
  // The settings dialog's answer from now on: these texts in the boxes (null ones kept),
  // the simulator or the system library chosen or left, then OK.
  void answerConf(const QString& pad, const char* interfaceName = nullptr) {
    presenter.onConf = [pad, interfaceName](Conf& conf) {
      if (!pad.isNull()) conf.vVal[1]->setText(pad);
      if (interfaceName != nullptr) {
        (std::string(interfaceName) == "sim" ? conf.SimChoice : conf.GpibChoice)->setChecked(true);
      }
      conf.OK_Click();
    };
  }

  QString previousDir_ = QDir::currentPath();
  TempDir dir;
  QString ini;
  Registry registry;
  EventLog log;
  ScriptedPresenter presenter{log};
  ScriptedFiles files{log};
};

// The same with one instance started on the simulated analyser.
class WindowTest : public AppTest {
 protected:
  void SetUp() override { w = start(); }
  std::unique_ptr<MainWindow> w;
};
