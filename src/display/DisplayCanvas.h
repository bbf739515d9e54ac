#pragma once
// The drawing area of the acquisition display: shows the persistent picture pixel for pixel
// and hands mouse presses to the window in twips. It never takes the keyboard focus.
#include <QWidget>
#include <functional>

class QImage;

class DisplayCanvas : public QWidget {
  Q_OBJECT
 public:
  // button and shift as the display's rules count them; x and y in twips.
  using MouseHandler = std::function<void(int button, int shift, int32_t x, int32_t y)>;

  DisplayCanvas(const QImage& picture, QWidget* parent);
  void setMouseHandler(MouseHandler handler) { onMouse_ = std::move(handler); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  const QImage& picture_;
  MouseHandler onMouse_;
};
