#include "editor/ChannelLabel.h"

#include <QMouseEvent>
#include <QPainter>

ChannelLabel::ChannelLabel(QWidget* parent) : QWidget(parent) {
  // Two digits in 17 x 15 pixels: a size smaller than the window's keeps them off the border.
  QFont f = font();
  f.setPixelSize(9);
  setFont(f);
}

void ChannelLabel::setCaption(const QString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  update();
}

void ChannelLabel::setLook(const QColor& background, const QColor& text, bool bold) {
  if (background == background_ && text == text_ && bold == bold_) return;
  background_ = background;
  text_ = text;
  bold_ = bold;
  update();
}

void ChannelLabel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect r = rect();
  p.fillRect(r, background_);
  QFont f = font();
  f.setBold(bold_);
  p.setFont(f);
  p.setPen(isEnabled() ? text_ : palette().color(QPalette::Disabled, QPalette::WindowText));
  p.drawText(r, Qt::AlignCenter, caption_);
  p.setPen(Qt::black);
  p.drawRect(r.adjusted(0, 0, -1, -1));
}

void ChannelLabel::mouseReleaseEvent(QMouseEvent* event) {
  int button = 0;
  switch (event->button()) {
    case Qt::LeftButton:
      button = 1;
      break;
    case Qt::RightButton:
      button = 2;
      break;
    case Qt::MiddleButton:
      button = 4;
      break;
    default:
      break;
  }
  if (button != 0) emit released(button);
}
