#include "editor/OneLineList.h"

#include <QScrollBar>
#include <QSignalBlocker>
#include <QWheelEvent>
#include <algorithm>

OneLineList::OneLineList(QWidget* parent) : QListWidget(parent) {
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  setTextElideMode(Qt::ElideNone);
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &OneLineList::Scrolled);
}

void OneLineList::setItems(const QStringList& items) {
  const QSignalBlocker block(this);
  clear();
  addItems(items);
  FitItems();
  value_ = 0;
  if (count() > 0) setCurrentRow(0);
}

void OneLineList::setValue(int index) {
  if (count() == 0) return;
  value_ = std::clamp(index, 0, count() - 1);
  ShowValue();
  emit valueChanged(value_);
}

void OneLineList::ShowValue() {
  if (currentRow() != value_) setCurrentRow(value_);
  if (verticalScrollBar()->value() != value_) verticalScrollBar()->setValue(value_);
}

void OneLineList::Scrolled(int top) {
  // While the list lays itself out the scroll range can be momentarily short; only the
  // operator's scrolling changes the value.
  if (relayout_ || top < 0 || top >= count() || top == value_) return;
  value_ = top;
  if (currentRow() != top) setCurrentRow(top);
  emit valueChanged(top);
}

void OneLineList::updateGeometries() {
  relayout_ = true;
  QListWidget::updateGeometries();
  relayout_ = false;
  ShowValue();
}

// One item per notch: the line shows one item, so scrolling three at a time would skip.
void OneLineList::wheelEvent(QWheelEvent* event) {
  wheelRest_ += event->angleDelta().y();
  int steps = wheelRest_ / 120;
  wheelRest_ -= steps * 120;
  if (steps != 0) {
    verticalScrollBar()->setValue(verticalScrollBar()->value() - steps);
  }
  event->accept();
}

// The items are as high as the visible line, so exactly one shows and the scroll range is
// one step per item.
void OneLineList::resizeEvent(QResizeEvent* event) {
  QListWidget::resizeEvent(event);
  FitItems();
}

void OneLineList::FitItems() {
  const QSize line(viewport()->width(), viewport()->height());
  for (int i = 0; i < count(); ++i) item(i)->setSizeHint(line);
}
