#include "display/DisplayCanvas.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>

#include "display/DisplayView.h"
#include "display/Twips.h"

DisplayCanvas::DisplayCanvas(const QImage& picture, QWidget* parent)
    : QWidget(parent), picture_(picture) {
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(picture.size());
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QSize DisplayCanvas::sizeHint() const { return minimumSize(); }

void DisplayCanvas::resizeEvent(QResizeEvent* event) {
  if (onResize_) onResize_(event->size());
}

void DisplayCanvas::wheelEvent(QWheelEvent* event) {
  int shift = 0;
  if (event->modifiers() & Qt::ShiftModifier) shift |= DisplayView::kShift;
  if (event->modifiers() & Qt::ControlModifier) shift |= DisplayView::kControl;
  // Some systems turn Shift+wheel into a sideways turn.
  const QPoint delta = event->angleDelta();
  wheelRest_ += delta.y() != 0 ? delta.y() : delta.x();
  const int notches = wheelRest_ / 120;
  wheelRest_ -= notches * 120;
  if (notches != 0 && onWheel_) onWheel_(notches, shift);
  event->accept();
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
