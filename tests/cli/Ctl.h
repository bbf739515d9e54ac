#pragma once
// Runs the real logiremctl program and collects what it printed.
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <string>

struct CtlRun {
  int status = -1;  // -1: it crashed or hung
  std::string out, err;
};

// library, when given, is the system GPIB library the program is told to load.
inline CtlRun Ctl(const QStringList& args, const QString& library = {}) {
  QProcess p;
  if (!library.isEmpty()) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LOGIREM_GPIB_LIBRARY", library);
    p.setProcessEnvironment(env);
  }
  p.start(LOGIREM_BINARY_DIR "/src/cli/logiremctl", args);
  CtlRun r;
  if (!p.waitForFinished(20000) || p.exitStatus() != QProcess::NormalExit) return r;
  r.status = p.exitCode();
  r.out = p.readAllStandardOutput().toStdString();
  r.err = p.readAllStandardError().toStdString();
  return r;
}

inline QString Q(const std::string& s) { return QString::fromStdString(s); }
