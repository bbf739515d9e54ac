#pragma once
// A frame drawn as an etched rectangle with its caption set into the top line, as frames
// look in the program's design. Children are placed in its own coordinates.
#include <QGroupBox>

class FrameBox : public QGroupBox {
  Q_OBJECT

 public:
  FrameBox(const QString& caption, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
};
