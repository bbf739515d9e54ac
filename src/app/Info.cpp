#include "app/Info.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWindow>

namespace {
// The dialog's layout is given in twips, 15 to a pixel.
int Px(int twips) { return twips / 15; }

QLabel* BoldLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont bold = label->font();
  bold.setBold(true);
  label->setFont(bold);
  return label;
}
}  // namespace

Info::Info(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Informations"));
  BoldLabel(QStringLiteral("TITLE"), this)->setGeometry(Px(120), Px(0), Px(6375), Px(240));
  TitleData = new QLineEdit(this);
  TitleData->setGeometry(Px(120), Px(240), Px(6375), Px(285));
  BoldLabel(QStringLiteral("NOTES"), this)->setGeometry(Px(120), Px(600), Px(6375), Px(240));
  NotesData = new QPlainTextEdit(this);
  NotesData->setGeometry(Px(120), Px(840), Px(6375), Px(1575));
  OK = new QPushButton(QStringLiteral("&OK"), this);
  OK->setGeometry(Px(5760), Px(2520), Px(735), Px(375));
  OK->setDefault(true);
  connect(OK, &QPushButton::clicked, this, &QDialog::accept);
  setFixedSize(Px(120 + 6375 + 120), Px(2520 + 375 + 120));
}

void Info::showEvent(QShowEvent* event) {
  TitleData->setText(title_);
  QString shown = notes_;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  NotesData->setPlainText(shown);
  TitleData->setSelection(0, static_cast<int>(title_.size()));
  TitleData->setFocus();
  QDialog::showEvent(event);
}

void Info::showModal(QWidget* owner) {
  if (owner != nullptr) {
    // 390 twips below and 90 to the right of the owner's top-left corner.
    move(owner->frameGeometry().topLeft() + QPoint(Px(90), Px(390)));
    winId();
    if (windowHandle() != nullptr && owner->window()->windowHandle() != nullptr) {
      windowHandle()->setTransientParent(owner->window()->windowHandle());
    }
  }
  setWindowModality(Qt::ApplicationModal);
  exec();
}

void Info::done(int result) {
  title_ = TitleData->text();
  notes_ = NotesData->toPlainText();
  notes_.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  QDialog::done(result);
}
