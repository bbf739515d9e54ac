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

// library, when given, is the system GPIB library the program is told to load; configHome,
// when given, is where it finds the window program's stored settings.
inline CtlRun Ctl(const QStringList& args, const QString& library = {},
                  const QString& configHome = {}) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  if (!library.isEmpty()) env.insert("LOGIREM_GPIB_LIBRARY", library);
  if (!configHome.isEmpty()) env.insert("XDG_CONFIG_HOME", configHome);
  p.setProcessEnvironment(env);
  p.start(LOGIREM_BINARY_DIR "/src/cli/logiremctl", args);
  CtlRun r;
  if (!p.waitForFinished(20000) || p.exitStatus() != QProcess::NormalExit) return r;
  r.status = p.exitCode();
  r.out = p.readAllStandardOutput().toStdString();
  r.err = p.readAllStandardError().toStdString();
  return r;
}

inline QString Q(const std::string& s) { return QString::fromStdString(s); }
