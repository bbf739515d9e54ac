#include "editor/LabelBox.h"

#include <QKeyEvent>
#include <QSignalBlocker>

#include "editor/LabelRules.h"

LabelBox::LabelBox(QWidget* parent, std::function<void()> beep)
    : QLineEdit(parent), beep_(std::move(beep)) {
  setMaxLength(LabelRules::kMaxLength);
  connect(this, &QLineEdit::textChanged, this, &LabelBox::CheckText);
}

void LabelBox::keyPressEvent(QKeyEvent* event) {
  const QString text = event->text();
  // Control shortcuts (copy, paste, select all) insert nothing themselves. Control with Alt
  // is AltGr on Windows, which types characters and so goes through the filter like any key.
  const Qt::KeyboardModifiers shortcut = event->modifiers() & ~Qt::ShiftModifier;
  if (text.isEmpty() || shortcut == Qt::ControlModifier) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  const std::u32string codes = text.toStdU32String();
  std::u32string entered;
  for (const char32_t c : codes) {
    const auto ok = LabelRules::FilterKey(c);
    if (!ok) {
      if (beep_) beep_();
      event->accept();
      return;
    }
    entered += *ok;
  }
  if (entered == codes) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  QKeyEvent upper(event->type(), event->key(), event->modifiers(),
                  QString::fromStdU32String(entered), event->isAutoRepeat(),
                  static_cast<ushort>(event->count()));
  QLineEdit::keyPressEvent(&upper);
}

// Text that did not come through the key filter (pasting, dropping) is checked whole.
void LabelBox::CheckText() {
  const auto checked = LabelRules::CheckText(text().toStdU32String());
  const QString wanted = checked ? QString::fromStdString(*checked) : QString();
  if (!checked && beep_) beep_();
  if (wanted == text()) return;
  const int cursor = cursorPosition();
  {
    const QSignalBlocker block(this);
    setText(wanted);
    setCursorPosition(std::min(cursor, static_cast<int>(wanted.size())));
  }
  emit textChanged(wanted);
}
