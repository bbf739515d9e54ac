// The printed page laid out on a PDF in a temp folder and read back with the poppler tools.
#include <gtest/gtest.h>

#include <QtGui>

#include "FlatSession.h"
#include "display/DisplayDrawing.h"
#include "display/PrintPage.h"
#include "support/TempDir.h"

namespace {

// Inverted colours, and a frame on the top and left edges and one pixel inside the right
// and bottom edges.
TEST(PrintPage, PictureIsInvertedAndFramed) {
  QImage drawing(780, 517, QImage::Format_RGB32);
  drawing.fill(Qt::black);
  drawing.setPixelColor(100, 100, DisplayDrawing::kYellow);
  const QImage picture = PrintPage::MakePicture(drawing);
  EXPECT_EQ(picture.pixelColor(100, 100), QColor(0, 0, 255));
  std::string seen;  // inside, the four frame lines, and just outside the right and bottom ones
  for (const auto& [x, y] :
       {std::pair{300, 300}, {400, 0}, {0, 300}, {778, 300}, {400, 515}, {779, 300}, {400, 516}})
    seen += picture.pixelColor(x, y).name().toStdString() + " ";
  EXPECT_EQ(seen, "#ffffff #000000 #000000 #000000 #000000 #ffffff #ffffff ");
}

// Notes that do not fit go on a further page.
TEST(PrintPage, ItemsAtTheirPlacesOnThePage) {
  TempDir folder;
  QStringList notes{"one", "two"};
  for (int i = 3; i <= 40; ++i) notes << QString("n%1").arg(i);
  const QString pdf = QString::fromStdString(folder.file("page.pdf"));
  QPdfWriter writer(pdf);  // the file is complete once the painter ends
  writer.setPageLayout(
      QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(0, 0, 0, 0)));
  QImage drawing(780, 517, QImage::Format_RGB32);
  drawing.fill(Qt::black);
  ASSERT_TRUE(PrintPage::Paint(writer, PrintPage::MakePicture(drawing), "Header", "Title", notes));
  const QString second = RunTool("pdftotext", {"-f", "2", "-l", "2", pdf, "-"});
  EXPECT_TRUE(second.contains("n40") && !second.contains("one"));
  // Where each word of the first page starts, in points (1/20 of a twip).
  const QString html = RunTool("pdftotext", {"-bbox", "-f", "1", "-l", "1", pdf, "-"});
  static const QRegularExpression word(
      "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>([^<]*)</word>");
  QMap<QString, QPointF> at;
  for (auto it = word.globalMatch(html); it.hasNext();) {
    const auto m = it.next();
    at.insert(m.captured(3), QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()));
  }
  // Points from twips: header at x 200, title at 800, notes at 1200; title 800 below header.
  for (const auto& [w, x] : {std::pair{"Header", 10}, {"Title", 40}, {"Notes:", 40}, {"one", 60}})
    EXPECT_NEAR(at.value(w, QPointF(-99, 0)).x(), x, 1.5) << w;
  EXPECT_NEAR(at["Title"].y() - at["Header"].y(), 40, 0.5);
  // One text line below the title the picture starts 600 down; "Notes:" stands 200 below
  // the picture's 7750, so 8550 twips (427.5 points) plus a text line below the title.
  const double line = at["two"].y() - at["one"].y();
  EXPECT_NEAR(at["one"].y() - at["Notes:"].y(), line, 0.5);
  EXPECT_NEAR(at["Notes:"].y() - at["Title"].y(), line + 427.5, 1.0);
}

}  // namespace
