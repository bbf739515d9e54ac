#pragma once
// The printed page of the acquisition display: the drawing area turned into black on white
// paper and framed, a header with the date and time, the title, the picture at its natural
// size, and the notes. The layout paints on any paged device, a printer or a PDF file alike.
#include <QImage>
#include <QString>
#include <QStringList>

class QDateTime;
class QPagedPaintDevice;

class PrintPage {
 public:
  // The drawing area as printed: every pixel inverted, then a black frame one pixel inside
  // the right and bottom edges.
  static QImage MakePicture(const QImage& drawing);
  // "Tektronix 124x - Data Acquisition - " followed by the short date and time.
  static QString Header(const QDateTime& when);
  // The note lines, split at every CR LF; the empty text gives no lines.
  static QStringList SplitNotes(const QString& notes);
  // Lays the page out in twips from the device's top-left corner; the picture goes in
  // losslessly. A note that would run past
  // the bottom of the page goes on a new one. False when the device cannot be painted on.
  static bool Paint(QPagedPaintDevice& device, const QImage& picture, const QString& header,
                    const QString& title, const QStringList& notes);
};
