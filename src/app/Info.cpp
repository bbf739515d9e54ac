#include "app/Info.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWindow>

#include "app/WindowPlacement.h"

namespace {
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
  BoldLabel(QStringLiteral("TITLE"), this)
      ->setGeometry(TwipsToPixels(120), TwipsToPixels(0), TwipsToPixels(6375), TwipsToPixels(240));
  TitleData = new QLineEdit(this);
  TitleData->setGeometry(TwipsToPixels(120), TwipsToPixels(240), TwipsToPixels(6375),
                         TwipsToPixels(285));
  BoldLabel(QStringLiteral("NOTES"), this)
      ->setGeometry(TwipsToPixels(120), TwipsToPixels(600), TwipsToPixels(6375),
                    TwipsToPixels(240));
  NotesData = new QPlainTextEdit(this);
  NotesData->setGeometry(TwipsToPixels(120), TwipsToPixels(840), TwipsToPixels(6375),
                         TwipsToPixels(1575));
  OK = new QPushButton(QStringLiteral("&OK"), this);
  OK->setGeometry(TwipsToPixels(5760), TwipsToPixels(2520), TwipsToPixels(735), TwipsToPixels(375));
  OK->setDefault(true);
  connect(OK, &QPushButton::clicked, this, &QDialog::accept);
  setFixedSize(TwipsToPixels(120 + 6375 + 120), TwipsToPixels(2520 + 375 + 120));
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

bool Info::showModal(QWidget* owner) {
  if (owner != nullptr) {
    // 390 twips below and 90 to the right of the owner's top-left corner.
    move(owner->frameGeometry().topLeft() + QPoint(TwipsToPixels(90), TwipsToPixels(390)));
    winId();
    if (windowHandle() != nullptr && owner->window()->windowHandle() != nullptr) {
      windowHandle()->setTransientParent(owner->window()->windowHandle());
    }
  }
  setWindowModality(Qt::ApplicationModal);
  return exec() == QDialog::Accepted;
}

void Info::done(int result) {
  title_ = TitleData->text();
  notes_ = NotesData->toPlainText();
  notes_.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  QDialog::done(result);
}
