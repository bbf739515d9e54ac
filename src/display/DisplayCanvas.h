#pragma once
// The drawing area of the acquisition display: shows the persistent picture pixel for pixel
// and hands mouse presses to the window in twips, wheel turns in notches and new sizes in
// pixels. It never takes the keyboard focus.
#include <QWidget>
#include <functional>

class QImage;

class DisplayCanvas : public QWidget {
  Q_OBJECT
 public:
  // button and shift as the display's rules count them; x and y in twips.
  using MouseHandler = std::function<void(int button, int shift, int32_t x, int32_t y)>;

  // notches of the wheel (positive away from the user) and the shift bits.
  using WheelHandler = std::function<void(int notches, int shift)>;
  using ResizeHandler = std::function<void(QSize size)>;

  DisplayCanvas(const QImage& picture, QWidget* parent);
  void setMouseHandler(MouseHandler handler) { onMouse_ = std::move(handler); }
  void setWheelHandler(WheelHandler handler) { onWheel_ = std::move(handler); }
  void setResizeHandler(ResizeHandler handler) { onResize_ = std::move(handler); }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  const QImage& picture_;
  MouseHandler onMouse_;
  WheelHandler onWheel_;
  ResizeHandler onResize_;
  int wheelRest_ = 0;  // eighths of a degree not yet a whole notch (touchpads send small steps)
};
