// The printed page laid out on a PDF in a temp folder and read back with the poppler tools.
#include <gtest/gtest.h>

#include <QDateTime>
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
