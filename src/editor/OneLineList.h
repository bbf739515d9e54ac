#pragma once
// A list box one line high. Its value is the index of the item in its visible line; the
// operator changes it with the scroll bar, the arrow keys or the wheel, and the item that
// comes into the line is selected, so the highlighted item is always the value.
#include <QListWidget>

class OneLineList : public QListWidget {
  Q_OBJECT
 public:
  explicit OneLineList(QWidget* parent);

  void setItems(const QStringList& items);
  int value() const { return value_; }
  void setValue(int index);  // scrolls the item into the line and selects it

 signals:
  void valueChanged(int index);

 protected:
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void updateGeometries() override;

 private:
  void Scrolled(int top);
  void FitItems();
  void ShowValue();

  int value_ = 0;
  bool relayout_ = false;
  int wheelRest_ = 0;
};
