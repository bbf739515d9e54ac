#pragma once
// The label box of a group row: four characters of the analyser's label set, typed keys
// entered in upper case, anything else refused with the beep.
#include <QLineEdit>
#include <functional>

class LabelBox : public QLineEdit {
  Q_OBJECT
 public:
  LabelBox(QWidget* parent, std::function<void()> beep);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void CheckText();

  std::function<void()> beep_;
};
