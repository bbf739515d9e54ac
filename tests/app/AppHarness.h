#pragma once
// A main window on the simulated analyser, answered by the test.
#include <gtest/gtest.h>

#include <QtWidgets>
#include <deque>
#include <functional>

#include "app/Conf.h"
#include "app/FileChooser.h"
#include "app/MainWindow.h"
#include "app/ModalPresenter.h"
#include "app/StartRequest.h"
#include "backend/Registry.h"
#include "link/DeviceConnection.h"
#include "sim/SimDriver.h"
#include "support/TempDir.h"

// The fixture answers the window's message boxes, settings dialog, working windows and
// file dialogs itself, and keeps its settings in a temp INI file.
class AppTest : public ::testing::Test, public ModalPresenter, public FileChooser {
 protected:
  AppTest() : ini(QString::fromStdString(dir.file("settings.ini"))), registry(ini) {
    // Relative file names in the tests land in the temp folder, the dialogs' start folder.
    QDir::setCurrent(QString::fromStdString(dir.path().string()));
  }
  ~AppTest() override { QDir::setCurrent(previousDir_); }

  struct Shown {
    std::string text, title;
  };
  MsgAnswer message(QWidget*, const QString& text, const QString& title, MsgIcon,
                    MsgButtons buttons) override {
    const QCursor* pointer = QApplication::overrideCursor();
    lastPointer = pointer != nullptr ? pointer->shape() : Qt::ArrowCursor;
    messages.push_back({text.toStdString(), title.toStdString()});
    note(text.toStdString());
    if (buttons == MsgButtons::Ok) return MsgAnswer::Ok;
    const MsgAnswer answer = answers.empty() ? MsgAnswer::No : answers.front();
    if (!answers.empty()) answers.pop_front();
    return answer;
  }
  void showConf(Conf& conf) override {
    note("conf");
    onConf ? onConf(conf) : conf.OK_Click();
  }
  void showWorkingWindow(WorkingWindow which, const std::function<void()>& run) override {
    note(which == WorkingWindow::ConfigEditor ? "editor" : "display");
    // The real window runs modally; it is closed as soon as its loop turns.
    QTimer::singleShot(0, [] {
      if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    run();
  }
  QString saveFileName(QWidget*, const FileRequest& r) override { return choose(r, "save "); }
  QString openFileName(QWidget*, const FileRequest& r) override { return choose(r, "open "); }
  QString choose(const FileRequest& request, const std::string& what) {
    requests.push_back(request);
    note(what + request.title.section(' ', -1).toStdString());
    const QString name = names.empty() ? QString() : names.front();
    if (!names.empty()) names.pop_front();
    return name == kEnter ? request.proposed : name;
  }

  // Starts an instance; unless told otherwise it uses the simulated analyser.
  std::unique_ptr<MainWindow> start(const QString& commandLine = QString(), bool seedSim = true) {
    auto window = std::make_unique<MainWindow>(registry, this, this);
    const QString key = ParseCommandLine(commandLine).AppKey();
    if (seedSim && stored(key, "Interface") == "<none>") store(key, "Interface", "sim");
    window->Form_Load(commandLine);
    return window;
  }
  QString stored(const QString& key, const char* name) {
    return registry.RegRead(key, QString::fromLatin1(name), QStringLiteral("<none>"));
  }
  void store(const QString& key, const char* name, const QString& v) {
    registry.RegWrite(key, QString::fromLatin1(name), v);
  }
  void store(const QString& key, const char* name, int32_t v) {
    registry.RegWrite(key, QString::fromLatin1(name), v);
  }
  static SimAnalyser& sim(MainWindow& window) {
    return dynamic_cast<SimDriver&>(window.driver()).analyser();  // throws on other drivers
  }
  // Whether the analyser was sent this command since the transcript was last cleared.
  static bool sent(MainWindow& window, const std::string& command) {
    const auto& lines = sim(window).transcript();
    const auto isIt = [&](const std::string& l) { return l.rfind("ibwrt " + command, 0) == 0; };
    return std::any_of(lines.begin(), lines.end(), isIt);
  }

  QString previousDir_ = QDir::currentPath();
  TempDir dir;
  QString ini;
  Registry registry;
  const QString kMain = QStringLiteral("Logirem");
  // Everything the window showed, in order: message texts, "conf", "editor", "display",
  // "save KIND", "open KIND" (the file dialogs).
  std::string log;
  void note(const std::string& event) { log += (log.empty() ? "" : ", ") + event; }
  std::vector<Shown> messages;
  std::deque<MsgAnswer> answers;                  // answers to Yes/No questions; No when empty
  std::function<void(Conf&)> onConf;              // what the user does in the dialog; default: OK
  Qt::CursorShape lastPointer = Qt::ArrowCursor;  // while the last message was up
  std::vector<FileRequest> requests;
  std::deque<QString> names;  // file names chosen; an empty one (or none left) cancels
  // The answer of an operator who presses Enter on the proposed name.
  static inline const QString kEnter = QStringLiteral("<Enter>");
};

// The same with one instance started on the simulated analyser.
class WindowTest : public AppTest {
 protected:
  void SetUp() override { w = start(); }
  std::unique_ptr<MainWindow> w;
};
