#pragma once
// The strip of a group row: an empty bordered label on which the channels of the group line
// up; a click on it adds a channel.
#include <QLabel>

class StripLabel : public QLabel {
  Q_OBJECT
 public:
  explicit StripLabel(QWidget* parent);

 signals:
  void clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool pressed_ = false;
};
