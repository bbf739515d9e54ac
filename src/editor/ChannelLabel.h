#pragma once
// One channel label of a pool: a small bordered caption whose colours and weight the editor
// sets, reporting the mouse button released over it.
#include <QColor>
#include <QWidget>

class ChannelLabel : public QWidget {
  Q_OBJECT
 public:
  explicit ChannelLabel(QWidget* parent);

  void setCaption(const QString& caption);
  void setLook(const QColor& background, const QColor& text, bool bold);
  const QString& caption() const { return caption_; }
  const QColor& background() const { return background_; }
  const QColor& textColour() const { return text_; }
  bool bold() const { return bold_; }

 signals:
  // 1 left, 2 right, 4 middle.
  void released(int button);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QString caption_;
  QColor background_;
  QColor text_;
  bool bold_ = true;
};
