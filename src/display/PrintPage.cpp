#include "display/PrintPage.h"

#include <QDateTime>
#include <QFont>
#include <QFontMetrics>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>

#include "display/DisplayDrawing.h"
#include "display/Twips.h"

namespace {
constexpr double kTwipsPerInch = 1440;
constexpr int kFontTwips = 200;  // 10 points
}  // namespace

QImage PrintPage::MakePicture(const QImage& drawing) {
  QImage picture = drawing.convertToFormat(QImage::Format_RGB32);
  picture.invertPixels();
  QPainter p(&picture);
  // 11677 and 7735 twips at the design's size; an enlarged window's picture keeps the frame
  // at the same distance from its edges.
  const int right = twips::ToPixel(twips::kAreaWidth - 15) + picture.width() - twips::kAreaWidthPx;
  const int bottom =
      twips::ToPixel(twips::kAreaHeight - 15) + picture.height() - twips::kAreaHeightPx;
  p.fillRect(0, 0, right + 1, 1, Qt::black);
  p.fillRect(0, bottom, right + 1, 1, Qt::black);
  p.fillRect(0, 0, 1, bottom + 1, Qt::black);
  p.fillRect(right, 0, 1, bottom + 1, Qt::black);
  return picture;
}

QString PrintPage::Header(const QDateTime& when) {
  const QLocale locale;
  return QStringLiteral("Tektronix 124x - Data Acquisition - ") +
         locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
         locale.toString(when.time(), QLocale::ShortFormat);
}

QStringList PrintPage::SplitNotes(const QString& notes) {
  if (notes.isEmpty()) return {};
  return notes.split(QStringLiteral("\r\n"));
}

bool PrintPage::Paint(QPagedPaintDevice& device, const QImage& picture, const QString& header,
                      const QString& title, const QStringList& notes) {
  QPainter p;
  if (!p.begin(&device)) return false;
  // The picture is a few flat colours and one-pixel lines: compressed as a photograph it
  // would come out with coloured fringes and thousands of shades.
  p.setRenderHint(QPainter::LosslessImageRendering);
  // Work in twips: one unit is 1/1440 inch on the device.
  const double scale = device.logicalDpiX() / kTwipsPerInch;
  const double scaleY = device.logicalDpiY() / kTwipsPerInch;
  p.scale(scale, scaleY);
  const auto pageWidth = static_cast<int32_t>(device.width() / scale);
  const auto pageHeight = static_cast<int32_t>(device.height() / scaleY);

  QFont font = DisplayDrawing::DisplayFont();
  font.setStyleStrategy(QFont::PreferDefault);
  font.setPixelSize(kFontTwips);
  p.setFont(font);
  p.setPen(Qt::black);
  const QFontMetrics metrics(font);
  const int32_t lineHeight = metrics.height();
  const int32_t ascent = metrics.ascent();
  // Text is placed by its top-left corner; a line end moves down one text line.
  int32_t y = 0;
  auto print = [&](int32_t x, const QString& text) {
    p.drawText(x, y + ascent, text);
    y += lineHeight;
  };

  y = 200;
  print(200, header);
  y = 1000;
  print(800, title);

  // The picture does not move the print position: it sits 600 below the title's line end
  // and "Notes:" comes 200 below the picture.
  // The design's picture at its natural size; a larger window's picture shrinks to the page.
  int32_t width = twips::kAreaWidth + 15 * (picture.width() - twips::kAreaWidthPx);
  int32_t height = twips::kAreaHeight + 15 * (picture.height() - twips::kAreaHeightPx);
  if (width > twips::kAreaWidth && width > pageWidth - 400) {
    const int32_t fitted = std::max(twips::kAreaWidth, pageWidth - 400);
    height = static_cast<int32_t>(int64_t{height} * fitted / width);
    width = fitted;
  }
  const int32_t x = (pageWidth - width) / 2;
  p.drawImage(QRect(x, y + 600, width, height), picture);
  y += height + 600 + 200;
  print(800, QStringLiteral("Notes:"));
  for (const QString& line : notes) {
    if (y + lineHeight > pageHeight && device.newPage()) y = 1000;
    print(1200, line);
  }
  return p.end();
}
