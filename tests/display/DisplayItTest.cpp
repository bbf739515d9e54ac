// The real display window offscreen: caption, status bar, keys and mouse through Qt events,
// the write-back question on closing, and printing through the real title and notes dialog
// into a PDF that is read back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "DemoImages.h"
#include "app/Info.h"
#include "display/DisplayCanvas.h"
#include "display/DisplayIt.h"
#include "display/Twips.h"
#include "support/TempDir.h"

namespace {

// Answers the title and notes dialog the way an operator would, once it is up.
void WhenInfoOpens(std::function<void(Info&)> fill) {
  QTimer::singleShot(0, [fill] {
    auto* info = qobject_cast<Info*>(QApplication::activeModalWidget());
    ASSERT_NE(info, nullptr);
    fill(*info);
  });
}

// Without a printer the page goes into a PDF in the current folder.
bool NoPrinter() { return QPrinterInfo::defaultPrinter().isNull(); }

// Runs the process and returns its standard output.
QByteArray RunTool(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(20000)) return {};
  return process.readAllStandardOutput();
}

// Switches the current folder for the lifetime of the object.
class InFolder {
 public:
  explicit InFolder(const std::filesystem::path& folder) : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~InFolder() { std::filesystem::current_path(old_); }

 private:
  std::filesystem::path old_;
};

struct Window {
  HandSession session;
  Info info;
  DisplayIt display{session, info, nullptr};
  Window() { display.BuildView(); }
  DisplayView& view() { return display.view(); }
  void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) { QTest::keyClick(&display, k, m); }
  void click(Qt::MouseButton button, int x, int y) {
    QTest::mouseClick(display.canvas(), button, Qt::NoModifier, QPoint(x, y));
  }
};

TEST(DisplayItWindow, CaptionStatusBarAndSize) {
  Window w;
  EXPECT_EQ(w.display.windowTitle(), "Data");
  EXPECT_EQ(w.display.canvas()->size(), QSize(780, 517));
  EXPECT_EQ(w.display.panelText(1), "0ns");
  EXPECT_EQ(w.display.panelText(2), "TRIG@5120ns");
  EXPECT_EQ(w.display.panelText(3),
            "Use Arrows and S-Arrow to move cursor, C-Arrows to move page, C-P to Print, HOME or "
            "END to go to first or last sample, SPACE to add or delete a cursor, Z to reset "
            "cursor, G or S to switch between Group or Signal names.");
  w.display.show();
  QApplication::processEvents();
  EXPECT_EQ(w.display.size().width(), 780);
  EXPECT_EQ(w.display.size().height(), 517 + w.display.statusBar()->height());
  for (QWidget* child : w.display.findChildren<QWidget*>()) {
    EXPECT_EQ(child->focusPolicy(), Qt::NoFocus) << child->metaObject()->className();
  }
  // Keys that are not commands leave the window open.
  w.key(Qt::Key_Escape);
  w.key(Qt::Key_Return);
  EXPECT_TRUE(w.display.isVisible());
  w.display.hide();
}

TEST(DisplayItWindow, KeysMoveCursorAndPage) {
  Window w;
  w.key(Qt::Key_Right);
  EXPECT_EQ(w.display.panelText(1), "20ns");
  EXPECT_EQ(w.display.picture().pixelColor(58, 5), DisplayDrawing::kYellow);
  EXPECT_EQ(w.display.picture().pixelColor(51, 5), DisplayDrawing::kBlack);
  w.key(Qt::Key_Right, Qt::ShiftModifier);
  EXPECT_EQ(w.view().CursorSample, 11);
  EXPECT_EQ(w.display.panelText(1), "220ns");
  w.key(Qt::Key_End);
  EXPECT_EQ(w.view().CursorSample, 512);
  EXPECT_EQ(w.display.panelText(1), "10240ns");
  w.key(Qt::Key_Left, Qt::ControlModifier);
  EXPECT_EQ(w.view().FirstSample(), 399);
  EXPECT_EQ(w.view().Column(), 103);
  w.key(Qt::Key_Home);
  EXPECT_EQ(w.view().CursorSample, 0);
  w.key(Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(w.view().TopLine, 10);
  w.key(Qt::Key_Up);
  EXPECT_EQ(w.view().TopLine, 9);
  w.key(Qt::Key_P);
  EXPECT_EQ(w.session.op_.messages.size(), 0u);
}

TEST(DisplayItWindow, CommandLettersThroughTypedCharacters) {
  Window w;
  w.key(Qt::Key_S);
  EXPECT_TRUE(w.view().SignalNames);
  w.key(Qt::Key_G, Qt::ShiftModifier);
  EXPECT_FALSE(w.view().SignalNames);
  w.key(Qt::Key_G, Qt::ControlModifier);  // a control character, no command
  w.key(Qt::Key_S, Qt::ControlModifier);
  EXPECT_FALSE(w.view().SignalNames);

  for (int i = 0; i < 5; ++i) w.key(Qt::Key_Right);
  w.key(Qt::Key_Space);
  EXPECT_EQ(w.view().Markers[0], 5);
  EXPECT_EQ(w.display.picture().pixelColor(twips::ToPixel(772 + 525), 5), DisplayDrawing::kRed);
  w.key(Qt::Key_Z);
  EXPECT_EQ(w.view().ZeroSample, 5);
  for (int i = 0; i < 3; ++i) w.key(Qt::Key_Right);
  EXPECT_EQ(w.view().RelSample, 3);
  EXPECT_EQ(w.display.panelText(1), "160ns");
  w.key(Qt::Key_Space);
  w.key(Qt::Key_Left);
  w.key(Qt::Key_Left);
  w.key(Qt::Key_Left);
  w.key(Qt::Key_Space);  // on marker A's sample: removes it
  EXPECT_EQ(w.view().Markers[0], -1);
  EXPECT_EQ(w.view().Markers[1], 8);
}

TEST(DisplayItWindow, MouseInTheNameColumn) {
  Window w;
  const auto before = w.view().LineTable;
  w.click(Qt::RightButton, 10, 70);  // y 1050: line 3
  EXPECT_EQ(w.view().FindPickedLine(), 3);
  w.click(Qt::RightButton, 10, 70);  // its own row again: unpicked
  EXPECT_EQ(w.view().FindPickedLine(), -1);
  w.click(Qt::RightButton, 10, 210);  // y 3150: line 10, pod 2 channel 6
  EXPECT_EQ(w.view().FindPickedLine(), 10);
  EXPECT_EQ(w.display.picture().pixelColor(100, 220), DisplayDrawing::kMagenta);  // its low level
  // The cursor line still crosses it (magenta under the yellow exclusive-or pen).
  EXPECT_EQ(w.display.picture().pixelColor(51, 220), QColor(0, 255, 255));
  w.click(Qt::RightButton, 10, 285);  // y 4275: dropped above line 14
  EXPECT_EQ(w.view().FindPickedLine(), -1);
  EXPECT_TRUE(w.view().OrderModified);
  EXPECT_EQ(w.view().LineTable[13].code, before[10].code);
  EXPECT_EQ(w.view().LineTable[10].code, before[11].code);
  EXPECT_EQ(w.display.picture().pixelColor(100, 280), DisplayDrawing::kWhite);
  EXPECT_EQ(w.display.picture().pixelColor(100, 220), DisplayDrawing::kWhite);

  w.click(Qt::LeftButton, 10, 100);
  EXPECT_TRUE(w.view().SignalNames);
  w.click(Qt::LeftButton, 48, 100);  // x 720: outside the name column
  EXPECT_TRUE(w.view().SignalNames);
  w.click(Qt::RightButton, 300, 70);
  EXPECT_EQ(w.view().FindPickedLine(), -1);
}

TEST(DisplayItWriteBack, QuestionAndAnswers) {
  Window w;
  const auto setupBefore = w.session.images().SetupMem;
  // Nothing moved: closing asks nothing.
  QTimer::singleShot(0, [&] { w.display.close(); });
  w.display.runModal();
  EXPECT_TRUE(w.session.op_.messages.empty());

  // A move, then No: nothing written or sent, and the next close asks again.
  w.display.BuildView();
  w.click(Qt::RightButton, 10, 10);
  w.click(Qt::RightButton, 10, 182);  // GRPA07 below CTL100
  w.session.op_.answers = {MsgAnswer::No};
  w.display.done(QDialog::Rejected);
  ASSERT_EQ(w.session.op_.messages.size(), 1u);
  const auto& question = w.session.op_.messages[0];
  EXPECT_EQ(question.text, "Do you want to update analyser display order ?");
  EXPECT_EQ(question.title, "Configuration modified");
  EXPECT_EQ(question.buttons, MsgButtons::YesNo);
  EXPECT_EQ(w.session.mem2TekCalls, 0);
  EXPECT_EQ(w.session.images().SetupMem, setupBefore);

  // Reopened (the lines are back in the analyser's order) and closed with Yes: the same
  // order is written and sent, since the flag stays set.
  QTimer::singleShot(0, [&] { w.display.close(); });
  w.session.op_.answers = {MsgAnswer::Yes};
  w.display.runModal();
  EXPECT_EQ(w.session.op_.messages.size(), 2u);
  EXPECT_EQ(w.session.mem2TekCalls, 1);
  EXPECT_EQ(w.session.lastKind, 1);
  EXPECT_EQ(w.session.images().SetupMem, setupBefore);
}

TEST(DisplayItPrint, PageWithHeaderTitleNotesAndInvertedPicture) {
  if (!NoPrinter()) GTEST_SKIP() << "a printer is installed";
  TempDir folder;
  InFolder in(folder.path());
  Window w;
  WhenInfoOpens([](Info& info) {
    EXPECT_EQ(info.TitleData->text(), "");
    info.TitleData->setText("Bus capture");
    info.NotesData->setPlainText("first\nsecond\n");
    info.OK->click();
  });
  w.key(Qt::Key_P, Qt::ControlModifier);
  EXPECT_EQ(w.display.PrintTitle, "Bus capture");
  EXPECT_EQ(w.display.PrintNotes, "first\r\nsecond\r\n");
  ASSERT_EQ(w.session.op_.messages.size(), 1u);
  const auto& told = w.session.op_.messages[0];
  EXPECT_EQ(told.icon, MsgIcon::Information);
  const QStringList pdfs = QDir(QString::fromStdString(folder.path().string()))
                               .entryList({QStringLiteral("*.pdf")}, QDir::Files);
  ASSERT_EQ(pdfs.size(), 1);
  const QString pdf =
      QDir(QString::fromStdString(folder.path().string())).absoluteFilePath(pdfs[0]);
  EXPECT_NE(told.text.find(pdf.toStdString()), std::string::npos) << told.text;

  const QString text = QString::fromUtf8(RunTool("pdftotext", {"-layout", pdf, "-"}));
  EXPECT_TRUE(text.contains("Tektronix 124x - Data Acquisition - ")) << text.toStdString();
  EXPECT_TRUE(text.contains(QLocale().toString(QDate::currentDate(), QLocale::ShortFormat)));
  EXPECT_TRUE(text.contains("Bus capture"));
  const QStringList lines = text.split('\n');
  const auto notesAt = lines.indexOf(QRegularExpression("^\\s*Notes:\\s*$"));
  ASSERT_GE(notesAt, 0) << text.toStdString();
  EXPECT_EQ(lines[notesAt + 1].trimmed(), "first");
  EXPECT_EQ(lines[notesAt + 2].trimmed(), "second");
  EXPECT_EQ(text.count("Bus capture"), 1);

  // The picture: black on white, one copy of the drawing area.
  const QString png = QString::fromStdString(folder.file("page"));
  RunTool("pdftoppm", {"-r", "100", "-png", "-singlefile", pdf, png});
  QImage page(png + ".png");
  ASSERT_FALSE(page.isNull());
  EXPECT_GT(page.width(), page.height());  // landscape
  int white = 0;
  int dark = 0;
  for (int y = 0; y < page.height(); ++y) {
    for (int x = 0; x < page.width(); ++x) {
      const int grey = qGray(page.pixel(x, y));
      white += grey > 230 ? 1 : 0;
      dark += grey < 60 ? 1 : 0;
    }
  }
  const int all = page.width() * page.height();
  EXPECT_GT(white, all * 8 / 10);
  EXPECT_GT(dark, all / 200);  // frame, divider, waveforms

  // A second print with the title cleared prints the previous title again.
  QTest::qWait(1100);  // a new second, a new file name
  WhenInfoOpens([](Info& info) {
    EXPECT_EQ(info.TitleData->text(), "Bus capture");
    EXPECT_EQ(info.TitleData->selectedText(), "Bus capture");
    info.TitleData->clear();
    info.OK->click();
  });
  w.key(Qt::Key_P, Qt::ControlModifier);
  EXPECT_EQ(w.display.PrintTitle, "Bus capture");
}

TEST(DisplayItPrint, AFailedPrintIsReportedAndTheWindowGoesOn) {
  if (!NoPrinter()) GTEST_SKIP() << "a printer is installed";
  TempDir folder;
  InFolder in(folder.path());
  // Folders stand where the next PDF files would be written, so writing them fails.
  const QDateTime now = QDateTime::currentDateTime();
  for (int s = 0; s < 10; ++s) {
    const QString name = "Data-" + now.addSecs(s).toString("yyyyMMdd-HHmmss") + ".pdf";
    std::filesystem::create_directory(folder.path() / name.toStdString());
  }
  Window w;
  WhenInfoOpens([](Info& info) { info.OK->click(); });
  w.key(Qt::Key_P, Qt::ControlModifier);
  ASSERT_EQ(w.session.op_.messages.size(), 1u);
  EXPECT_EQ(w.session.op_.messages[0].icon, MsgIcon::Exclamation) << w.session.op_.messages[0].text;
  w.key(Qt::Key_Right);
  EXPECT_EQ(w.view().CursorSample, 1);
}

}  // namespace
