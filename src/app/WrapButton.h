#pragma once
// A push button whose caption wraps onto a second line when it is wider than the button, as
// the main window's narrow configuration buttons need.
#include <QPushButton>

class WrapButton : public QPushButton {
  Q_OBJECT

 public:
  WrapButton(const QString& caption, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
};
