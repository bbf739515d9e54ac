#include "app/QtModalPresenter.h"

#include <QApplication>
#include <QMessageBox>

#include "app/Conf.h"

QString MessageBoxText(const QString& text) {
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(u'\r', u'\n');
  return shown;
}

MsgAnswer QtModalPresenter::message(QWidget* owner, const QString& text, const QString& title,
                                    MsgIcon icon, MsgButtons buttons) {
  QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
  switch (icon) {
    case MsgIcon::None:
      boxIcon = QMessageBox::NoIcon;
      break;
    case MsgIcon::Information:
      boxIcon = QMessageBox::Information;
      break;
    case MsgIcon::Critical:
      boxIcon = QMessageBox::Critical;
      break;
    case MsgIcon::Question:
      boxIcon = QMessageBox::Question;
      break;
    case MsgIcon::Exclamation:
      boxIcon = QMessageBox::Warning;
      break;
  }
  const QMessageBox::StandardButtons boxButtons =
      buttons == MsgButtons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
  // A message raised from inside a modal window (the editor, the settings dialog's test)
  // belongs over that window rather than over the main window behind it.
  QWidget* modal = QApplication::activeModalWidget();
  QMessageBox box(boxIcon, title.isEmpty() ? QStringLiteral("Logirem") : title,
                  MessageBoxText(text), boxButtons, modal != nullptr ? modal : owner);
  box.setTextFormat(Qt::PlainText);
  if (buttons == MsgButtons::YesNo) box.setDefaultButton(QMessageBox::Yes);
  const int answer = box.exec();
  if (buttons == MsgButtons::Ok) return MsgAnswer::Ok;
  return answer == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
}

void QtModalPresenter::showConf(Conf& conf) { conf.exec(); }

void QtModalPresenter::showWorkingWindow(WorkingWindow, const std::function<void()>& run) { run(); }
