// The printed page laid out on a PDF in a temp folder and read back with the poppler tools.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QMap>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QRegularExpression>

#include "FlatSession.h"
#include "display/DisplayDrawing.h"
#include "display/PrintPage.h"
#include "support/TempDir.h"

namespace {

// A black drawing area with a white, a yellow and a cyan pixel side by side at (100, 100).
QImage Drawing() {
  QImage drawing(780, 517, QImage::Format_RGB32);
  drawing.fill(Qt::black);
  drawing.setPixelColor(100, 100, DisplayDrawing::kWhite);
  drawing.setPixelColor(101, 100, DisplayDrawing::kYellow);
  drawing.setPixelColor(102, 100, DisplayDrawing::kCyan);
  return drawing;
}

class PrintPageOnPdf : public ::testing::Test {
 protected:
  // Prints the page with `title` and `notes` into a PDF and returns its path.
  QString print(const QString& title, const QStringList& notes) {
    const QString pdf = QString::fromStdString(folder_.file("page.pdf"));
    QPdfWriter writer(pdf);
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(0, 0, 0, 0)));
    EXPECT_TRUE(
        PrintPage::Paint(writer, PrintPage::MakePicture(Drawing()), "Header line", title, notes));
    return pdf;
  }
  TempDir folder_;
};

TEST(PrintPage, PictureIsInvertedAndFramed) {
  const QImage picture = PrintPage::MakePicture(Drawing());
  ASSERT_EQ(picture.size(), QSize(780, 517));
  // The frame: the top and left edges, and one pixel inside the right and bottom edges.
  const std::pair<QPoint, QColor> spots[] = {
      {{300, 300}, Qt::white},         {{100, 100}, Qt::black}, {{101, 100}, QColor(0, 0, 255)},
      {{102, 100}, QColor(255, 0, 0)}, {{0, 0}, Qt::black},     {{400, 0}, Qt::black},
      {{0, 300}, Qt::black},           {{778, 300}, Qt::black}, {{400, 515}, Qt::black},
      {{778, 515}, Qt::black},         {{779, 300}, Qt::white}, {{400, 516}, Qt::white}};
  for (const auto& [p, colour] : spots) {
    EXPECT_EQ(picture.pixelColor(p), colour) << p.x() << "," << p.y();
  }
}

TEST(PrintPage, NotesSplitAtLineBreaksAndHeaderCarriesDateAndTime) {
  EXPECT_TRUE(PrintPage::SplitNotes("").isEmpty());
  EXPECT_EQ(PrintPage::SplitNotes("first\r\nsecond\r\n"), QStringList({"first", "second", ""}));
  EXPECT_EQ(PrintPage::SplitNotes("one\nline"), QStringList({"one\nline"}));
  const QDateTime when(QDate(2024, 3, 5), QTime(14, 7));
  EXPECT_EQ(PrintPage::Header(when), "Tektronix 124x - Data Acquisition - " +
                                         QLocale().toString(when.date(), QLocale::ShortFormat) +
                                         " " +
                                         QLocale().toString(when.time(), QLocale::ShortFormat));
}

TEST_F(PrintPageOnPdf, EmptyTitleAndNotesPrintNothingButHeaderAndNotesCaption) {
  QStringList text;
  for (const QString& l : RunTool("pdftotext", {"-layout", print("", {}), "-"}).split('\n')) {
    if (!l.trimmed().isEmpty() && l.trimmed() != "\f") text << l.trimmed();
  }
  EXPECT_EQ(text, QStringList({"Header line", "Notes:"}));
}

TEST_F(PrintPageOnPdf, ItemsAtTheirPlacesOnThePage) {
  // Where each word of the first page starts, in points (1/20 of a twip).
  const QString html =
      RunTool("pdftotext", {"-bbox", "-f", "1", "-l", "1", print("Title", {"one", "two"}), "-"});
  static const QRegularExpression word(
      "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>([^<]*)</word>");
  QMap<QString, QPointF> at;
  for (auto it = word.globalMatch(html); it.hasNext();) {
    const auto m = it.next();
    at.insert(m.captured(3), QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()));
  }
  for (const char* w : {"Header", "Title", "Notes:", "one", "two"})
    ASSERT_TRUE(at.contains(w)) << w;
  // Points from twips: header at x 200, title at 800, notes at 1200; title 800 below header.
  EXPECT_NEAR(at["Header"].x(), 10, 1.5);
  EXPECT_NEAR(at["Title"].x(), 40, 1.5);
  EXPECT_NEAR(at["Notes:"].x(), 40, 1.5);
  EXPECT_NEAR(at["one"].x(), 60, 1.5);
  EXPECT_NEAR(at["Title"].y() - at["Header"].y(), 40, 0.5);
  // One text line below the title the picture starts 600 down; "Notes:" stands 200 below
  // the picture's 7750, so 8550 twips (427.5 points) plus a text line below the title.
  const double line = at["two"].y() - at["one"].y();
  EXPECT_NEAR(at["one"].y() - at["Notes:"].y(), line, 0.5);
  EXPECT_NEAR(at["Notes:"].y() - at["Title"].y(), line + 427.5, 1.0);
}

TEST_F(PrintPageOnPdf, LongNotesGoOnAFurtherPage) {
  QStringList notes;
  for (int i = 1; i <= 40; ++i) notes << QString("note %1").arg(i);
  const QString pdf = print("Long", notes);
  EXPECT_TRUE(RunTool("pdfinfo", {pdf}).contains(QRegularExpression("Pages:\\s+2")));
  const QString first = RunTool("pdftotext", {"-f", "1", "-l", "1", pdf, "-"});
  const QString second = RunTool("pdftotext", {"-f", "2", "-l", "2", pdf, "-"});
  EXPECT_TRUE(first.contains("note 1\n"));
  EXPECT_FALSE(second.contains("note 1\n"));
  EXPECT_TRUE(second.contains("note 40"));
}

}  // namespace
