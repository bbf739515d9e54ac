#pragma once
// What the command line asks of a start: run an instance, show the usage, or clear an
// instance's stored settings. Also the texts that depend on the instance name.
#include <QString>

struct StartRequest {
  enum class Action { Run, Usage, Clean };
  Action action = Action::Run;
  QString instanceName;  // empty: the default instance

  // " - " and the instance name, or nothing for the default instance.
  QString InstanceSuffix() const;
  // The settings key of the instance: "Logirem" followed by the suffix.
  QString AppKey() const;
};

// Reads the whole command line after the program name.
StartRequest ParseCommandLine(const QString& commandLine);

// Removes leading and trailing blanks (spaces only; a tab belongs to the name).
QString TrimBlanks(const QString& text);

QString UsageText();
QString CleanNotice(const QString& instanceName);
// "Logirem V1.3.0 - LAB" for version 1.3.0 and the instance LAB.
QString WindowCaption(const QString& instanceSuffix);
