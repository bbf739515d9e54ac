// The printed page laid out on a PDF in a temp folder and read back with the poppler tools.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QMap>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>

#include "display/DisplayDrawing.h"
#include "display/PrintPage.h"
#include "support/TempDir.h"

namespace {

QString Tool(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(20000)) return {};
  return QString::fromUtf8(process.readAllStandardOutput());
}

QImage Drawing() {
  QImage drawing(780, 517, QImage::Format_RGB32);
  drawing.fill(Qt::black);
  drawing.setPixelColor(100, 100, DisplayDrawing::kWhite);
  drawing.setPixelColor(101, 100, DisplayDrawing::kYellow);
  drawing.setPixelColor(102, 100, DisplayDrawing::kCyan);
  return drawing;
}

bool PrintTo(const QString& path, const QString& title, const QStringList& notes) {
  QPdfWriter writer(path);
  writer.setPageLayout(
      QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(0, 0, 0, 0)));
  return PrintPage::Paint(writer, PrintPage::MakePicture(Drawing()), "Header line", title, notes);
}

TEST(PrintPage, PictureIsInvertedAndFramed) {
  const QImage picture = PrintPage::MakePicture(Drawing());
  ASSERT_EQ(picture.size(), QSize(780, 517));
  EXPECT_EQ(picture.pixelColor(300, 300), QColor(Qt::white));
  EXPECT_EQ(picture.pixelColor(100, 100), QColor(Qt::black));
  EXPECT_EQ(picture.pixelColor(101, 100), QColor(0, 0, 255));
  EXPECT_EQ(picture.pixelColor(102, 100), QColor(255, 0, 0));
  // The frame: the top and left edges, and one pixel inside the right and bottom edges.
  for (const QPoint p : {QPoint(0, 0), QPoint(400, 0), QPoint(0, 300), QPoint(778, 300),
                         QPoint(400, 515), QPoint(778, 515)}) {
    EXPECT_EQ(picture.pixelColor(p), QColor(Qt::black)) << p.x() << "," << p.y();
  }
  EXPECT_EQ(picture.pixelColor(779, 300), QColor(Qt::white));
  EXPECT_EQ(picture.pixelColor(400, 516), QColor(Qt::white));
}

TEST(PrintPage, NotesSplitAtLineBreaks) {
  EXPECT_TRUE(PrintPage::SplitNotes("").isEmpty());
  EXPECT_EQ(PrintPage::SplitNotes("first\r\nsecond\r\n"), QStringList({"first", "second", ""}));
  EXPECT_EQ(PrintPage::SplitNotes("one\nline"), QStringList({"one\nline"}));
  const QString header = PrintPage::Header(QDateTime(QDate(2024, 3, 5), QTime(14, 7)));
  EXPECT_TRUE(header.startsWith("Tektronix 124x - Data Acquisition - "));
  EXPECT_TRUE(header.endsWith(QLocale().toString(QDate(2024, 3, 5), QLocale::ShortFormat) + " " +
                              QLocale().toString(QTime(14, 7), QLocale::ShortFormat)));
}

TEST(PrintPage, EmptyTitleAndNotes) {
  TempDir folder;
  const QString pdf = QString::fromStdString(folder.file("empty.pdf"));
  ASSERT_TRUE(PrintTo(pdf, "", {}));
  const QStringList lines =
      Tool("pdftotext", {"-layout", pdf, "-"}).split('\n', Qt::SkipEmptyParts);
  QStringList text;
  for (const QString& l : lines) {
    if (!l.trimmed().isEmpty() && l.trimmed() != "\f") text << l.trimmed();
  }
  EXPECT_EQ(text, QStringList({"Header line", "Notes:"}));
}

// Where each word of the first page starts, in points (1/20 of a twip), as the PDF holds it.
QMap<QString, QPointF> WordStarts(const QString& pdf) {
  const QString html = Tool("pdftotext", {"-bbox", "-f", "1", "-l", "1", pdf, "-"});
  static const QRegularExpression word(
      "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>([^<]*)</word>");
  QMap<QString, QPointF> starts;
  for (auto it = word.globalMatch(html); it.hasNext();) {
    const auto m = it.next();
    starts.insert(m.captured(3), QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()));
  }
  return starts;
}

TEST(PrintPage, ItemsAtTheirPlacesOnThePage) {
  TempDir folder;
  const QString pdf = QString::fromStdString(folder.file("places.pdf"));
  ASSERT_TRUE(PrintTo(pdf, "Title", {"one", "two"}));
  const auto at = WordStarts(pdf);
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

TEST(PrintPage, LongNotesGoOnAFurtherPage) {
  TempDir folder;
  const QString pdf = QString::fromStdString(folder.file("long.pdf"));
  QStringList notes;
  for (int i = 1; i <= 40; ++i) notes << QString("note %1").arg(i);
  ASSERT_TRUE(PrintTo(pdf, "Long", notes));
  EXPECT_TRUE(Tool("pdfinfo", {pdf}).contains(QRegularExpression("Pages:\\s+2")));
  const QString second = Tool("pdftotext", {"-f", "2", "-l", "2", pdf, "-"});
  EXPECT_TRUE(second.contains("note 40"));
  EXPECT_FALSE(second.contains("note 1\n"));
  const QString first = Tool("pdftotext", {"-f", "1", "-l", "1", pdf, "-"});
  EXPECT_TRUE(first.contains("note 1\n"));
}

}  // namespace
