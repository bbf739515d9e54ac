#include "display/DisplayCanvas.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include "display/DisplayView.h"
#include "display/Twips.h"

DisplayCanvas::DisplayCanvas(const QImage& picture, QWidget* parent)
    : QWidget(parent), picture_(picture) {
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFixedSize(picture.size());
}

void DisplayCanvas::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  p.drawImage(event->rect(), picture_, event->rect());
}

void DisplayCanvas::mousePressEvent(QMouseEvent* event) {
  int button = DisplayView::kLeftButton;
  if (event->button() == Qt::RightButton) button = DisplayView::kRightButton;
  if (event->button() == Qt::MiddleButton) button = DisplayView::kMiddleButton;
  int shift = 0;
  if (event->modifiers() & Qt::ShiftModifier) shift |= DisplayView::kShift;
  if (event->modifiers() & Qt::ControlModifier) shift |= DisplayView::kControl;
  const QPoint at = event->position().toPoint();
  if (onMouse_) onMouse_(button, shift, twips::FromPixel(at.x()), twips::FromPixel(at.y()));
  event->accept();
}
