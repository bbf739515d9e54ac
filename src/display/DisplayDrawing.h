#pragma once
// Draws the acquisition display onto a persistent picture of the drawing area, one pixel for
// every 15 twips. The window only shows this picture, so nothing is recomputed on a paint
// event, and printing copies it as it stands. The cursor and marker lines are drawn with an
// exclusive-or pen, so drawing one twice removes it; an old readout is removed by printing it
// again in black.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <cstdint>

#include "display/DisplayView.h"

class QPainter;

class DisplayDrawing {
 public:
  explicit DisplayDrawing(DisplayView& view);

  static const QColor kBlack, kWhite, kDarkGrey, kGreen, kYellow, kCyan, kMagenta, kRed;
  // Courier New 8.25 point (11 pixels on the design's screen), Liberation Mono where Courier
  // New is missing; drawn without smoothing so that printing a text again in black removes
  // every one of its pixels.
  static QFont DisplayFont();

  const QImage& image() const { return image_; }
  // For passes drawn over the display's own (the compare marks).
  QImage& image() { return image_; }
  // Status bar panel 1: the cursor's time from sample 0, as last shown.
  const QString& cursorTimeText() const { return cursorTime_; }

  // Clears the picture and draws everything for the current state.
  void Redraw();
  // A drawing area of another size (never below the design's), redrawn.
  void Resize(int widthPx, int heightPx);
  // The name column in the chosen name set.
  void RedrawNames();
  // Moves the cursor line and its readout from where they were last drawn to the cursor.
  void MoveCursor();
  // One exclusive-or cursor line at x (twips).
  void DrawCursor(int16_t x);

 private:
  void DrawFrame(QPainter& p);
  void DrawPeriod(QPainter& p);
  void DrawGrid(QPainter& p);
  void RedrawNames(QPainter& p);
  void DrawNames(QPainter& p, const QColor& colour, bool podSet);
  void DrawLines(QPainter& p, int32_t cursorSample);
  void DrawSignal(QPainter& p, int32_t line, int16_t pod, int16_t channel, int32_t first,
                  int32_t count, bool picked);
  // Zoomed out: one pixel column at a time, a bar where the level changes inside it.
  void DrawZoomed(QPainter& p, int32_t line, int16_t pod, int16_t channel, int32_t first,
                  bool picked);
  void DrawCursorAndMarkers(QPainter& p);
  void DrawCursor(QPainter& p, int32_t x);
  void MoveCursor(QPainter& p);
  void ShowCursorTime(QPainter& p, const QColor& colour, int32_t x, int32_t sample,
                      int32_t relSample);
  void DrawMarkers(QPainter& p);

  // Straight lines and text at twip positions.
  void HLine(QPainter& p, int32_t x1, int32_t x2, int32_t y, const QColor& colour, int width = 1);
  void VLine(QPainter& p, int32_t x, int32_t y1, int32_t y2, const QColor& colour);
  void XorVLine(QPainter& p, int32_t x, int32_t y1, int32_t y2, const QColor& colour);
  void Text(QPainter& p, int32_t x, int32_t y, const QString& text, const QColor& colour);

  DisplayView& view_;
  QImage image_;
  QFont font_;
  int ascent_ = 0;
  QString cursorTime_;
};
