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
}

int OneLineList::value() const { return verticalScrollBar()->value(); }

void OneLineList::setValue(int index) {
  if (count() == 0) return;
  index = std::clamp(index, 0, count() - 1);
  if (verticalScrollBar()->value() == index) {
    Scrolled(index);
  } else {
    verticalScrollBar()->setValue(index);  // Scrolled follows
  }
}

void OneLineList::Scrolled(int top) {
  if (top < 0 || top >= count()) return;
  if (currentRow() != top) setCurrentRow(top);
  emit valueChanged(top);
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
