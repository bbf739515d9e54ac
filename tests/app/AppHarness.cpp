#include "AppHarness.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

#include "sim/SimDriver.h"

MsgAnswer ScriptedPresenter::message(QWidget* owner, const QString& text, const QString& title,
                                     MsgIcon icon, MsgButtons buttons) {
  lastOwner = owner;
  const QCursor* pointer = QApplication::overrideCursor();
  lastPointer = pointer != nullptr ? pointer->shape() : Qt::ArrowCursor;
  messages.push_back({text.toStdString(), title.toStdString(), icon, buttons});
  log_.push_back("message:" + text.toStdString());
  if (buttons == MsgButtons::Ok) return MsgAnswer::Ok;
  if (answers.empty()) return MsgAnswer::No;
  const MsgAnswer answer = answers.front();
  answers.pop_front();
  return answer;
}

void ScriptedPresenter::showConf(Conf& conf) {
  log_.push_back("conf");
  if (onConf) {
    onConf(conf);
  } else {
    conf.OK_Click();
  }
}

void ScriptedPresenter::showWorkingWindow(WorkingWindow which, const std::function<void()>& run) {
  windows.push_back(which);
  log_.push_back(which == WorkingWindow::ConfigEditor ? "editor" : "display");
  // The real window runs modally; it is closed as soon as its loop turns.
  QTimer::singleShot(0, [] {
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
  });
  run();
}

QString ScriptedFiles::next(const FileRequest& request, const char* what) {
  requests.push_back(request);
  log_.push_back(std::string(what) + ":" + request.title.toStdString());
  if (answers.empty()) return {};
  const QString answer = answers.front();
  answers.pop_front();
  return answer;
}

QString ScriptedFiles::saveFileName(QWidget*, const FileRequest& request) {
  return next(request, "save");
}

QString ScriptedFiles::openFileName(QWidget*, const FileRequest& request) {
  return next(request, "open");
}

AppTest::AppTest()
    : ini(QString::fromStdString(dir.file("settings.ini"))),
      registry(ini),
      previousDir_(QDir::currentPath()) {
  // Relative file names in the tests land in the temp folder, the dialogs' start folder.
  QDir::setCurrent(QString::fromStdString(dir.path().string()));
}

AppTest::~AppTest() { QDir::setCurrent(previousDir_); }

std::unique_ptr<MainWindow> AppTest::start(const QString& commandLine, bool seedSim) {
  auto window = std::make_unique<MainWindow>(registry, &presenter, &files);
  if (seedSim) {
    const StartRequest request = ParseCommandLine(commandLine);
    if (request.action == StartRequest::Action::Run &&
        registry.RegRead(request.AppKey(), QStringLiteral("Interface"), QString()).isEmpty()) {
      registry.RegWrite(request.AppKey(), QStringLiteral("Interface"), QStringLiteral("sim"));
    }
  }
  window->Form_Load(commandLine);
  return window;
}

SimAnalyser& AppTest::sim(MainWindow& window) {
  auto* driver = dynamic_cast<SimDriver*>(&window.driver());
  if (driver == nullptr) throw std::logic_error("the window does not use the simulated analyser");
  return driver->analyser();
}

std::vector<std::string> AppTest::texts() const {
  std::vector<std::string> all;
  for (const auto& m : presenter.messages) all.push_back(m.text);
  return all;
}

bool AppTest::sent(MainWindow& window, const std::string& command) {
  for (const std::string& line : sim(window).transcript()) {
    if (line.rfind("ibwrt " + command, 0) == 0) return true;
  }
  return false;
}
