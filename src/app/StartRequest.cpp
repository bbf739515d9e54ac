#include "app/StartRequest.h"

QString StartRequest::InstanceSuffix() const {
  return instanceName.isEmpty() ? QString() : QStringLiteral(" - ") + instanceName;
}

QString StartRequest::AppKey() const { return QStringLiteral("Logirem") + InstanceSuffix(); }

QString TrimBlanks(const QString& text) {
  qsizetype first = 0;
  qsizetype last = text.size();
  while (first < last && text[first] == u' ') ++first;
  while (last > first && text[last - 1] == u' ') --last;
  return text.mid(first, last - first);
}

StartRequest ParseCommandLine(const QString& commandLine) {
  StartRequest request;
  QString text = TrimBlanks(commandLine);
  if (text.contains(QStringLiteral("-?"))) {
    request.action = StartRequest::Action::Usage;
    return request;
  }
  const qsizetype clean = text.indexOf(QStringLiteral("-clean"));
  if (clean >= 0) {
    text.replace(clean, 6, QString(6, u' '));
    text = TrimBlanks(text);
    request.action =
        text.contains(u'-') ? StartRequest::Action::Usage : StartRequest::Action::Clean;
    if (request.action == StartRequest::Action::Clean) request.instanceName = text;
    return request;
  }
  if (text.contains(u'-')) {
    request.action = StartRequest::Action::Usage;
    return request;
  }
  request.instanceName = text;
  return request;
}

QString UsageText() {
  return QStringLiteral(
      "Usage:\tLogirem.exe (NUM) (-clean)\r\n"
      "     with\r\n"
      "\tNAME  = Instance name\r\n"
      "\t-clean = Registry clean option");
}

QString CleanNotice(const QString& instanceName) {
  return QStringLiteral("Cleaning ") + instanceName +
         QStringLiteral(" registry context\r\nPlease restart application");
}

QString WindowCaption(const QString& instanceSuffix) {
  return QStringLiteral("Logirem V%1.%2.%3")
             .arg(LOGIREM_VERSION_MAJOR)
             .arg(LOGIREM_VERSION_MINOR)
             .arg(LOGIREM_VERSION_PATCH) +
         instanceSuffix;
}
