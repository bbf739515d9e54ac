#include "app/FrameBox.h"

#include <QPainter>

FrameBox::FrameBox(const QString& caption, QWidget* parent) : QGroupBox(caption, parent) {}

void FrameBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QFontMetrics metrics(font());
  const int lineY = metrics.height() / 2;
  const QRect outer(0, lineY, width() - 2, height() - lineY - 2);
  // Etched: a shadow line with a light line one pixel below and to the right.
  painter.setPen(palette().color(QPalette::Light));
  painter.drawRect(outer.translated(1, 1));
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawRect(outer);
  if (title().isEmpty()) return;
  const QString caption = QString(title()).remove(u'&');
  const QRect text(6, 0, metrics.horizontalAdvance(caption) + 4, metrics.height());
  painter.fillRect(text, palette().color(QPalette::Window));
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawText(text, Qt::AlignCenter, caption);
}
