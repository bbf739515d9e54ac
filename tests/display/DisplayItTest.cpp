// The real display window offscreen on the simulated analyser: caption, status bar, keys and
// mouse through Qt events, the write-back question on closing with the order reaching the
// analyser, and printing through the real title and notes dialog into a PDF read back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <functional>

#include "FlatSession.h"
#include "app/Info.h"
#include "display/DisplayCanvas.h"
#include "display/DisplayIt.h"
#include "display/PrintPage.h"
#include "display/Twips.h"
#include "model/SetupModel.h"
#include "support/Files.h"
#include "support/TempDir.h"

namespace {

using D = DisplayDrawing;

// Answers the title and notes dialog the way an operator would, once it is up.
void WhenInfoOpens(std::function<void(Info&)> fill) {
  QTimer::singleShot(0, [fill] {
    auto* info = qobject_cast<Info*>(QApplication::activeModalWidget());
    ASSERT_NE(info, nullptr);
    fill(*info);
  });
}

// Makes the folder current for the lifetime of the object.
struct InFolder {
  explicit InFolder(const TempDir& folder) {
    QDir::setCurrent(QString::fromStdString(folder.path().string()));
  }
  ~InFolder() { QDir::setCurrent(old); }
  const QString old = QDir::currentPath();
};

// The window on the flat images, or on the program's own images with their demonstration
// capture.
template <class SessionType>
struct WindowOn {
  SessionType session;
  Info info;
  DisplayIt display{session, info, nullptr};
  WindowOn() { display.BuildView(); }
  DisplayView& view() { return display.view(); }
  QColor px(int x, int y) const { return display.picture().pixelColor(x, y); }
  void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) { QTest::keyClick(&display, k, m); }
  void click(Qt::MouseButton button, int x, int y) {
    QTest::mouseClick(display.canvas(), button, Qt::NoModifier, QPoint(x, y));
  }
  // GRPA07 (line 0) goes below CTL100 (line 8).
  void moveFirstLineDown() {
    click(Qt::RightButton, 10, 10);
    click(Qt::RightButton, 10, 182);
  }
  bool sentConfiguration() {
    const auto& t = session.analyser().transcript();
    return std::any_of(t.begin(), t.end(), [](const std::string& call) {
      return call.find("INSET ") != std::string::npos;
    });
  }
};
using Window = WindowOn<FlatSession>;

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

TEST(DisplayItWindow, ProgramImagesDrawEveryRow) {
  WindowOn<SimSession> w;
  // The demonstration capture draws waveforms in every row of the first page but pod 0's,
  // which starts later.
  for (int row = 0; row < 24; ++row) {
    if (w.view().LineTable[static_cast<size_t>(row)].code / 10 == 0) continue;
    int lit = 0;
    for (int y = 20 * row + 1; y <= 20 * (row + 1); ++y) {
      for (int x = 55; x < 780; ++x) lit += (w.px(x, y) == D::kWhite || w.px(x, y) == D::kRed);
    }
    EXPECT_GT(lit, 100) << "row " << row;
  }
}

TEST(DisplayItWindow, KeysMoveCursorAndPage) {
  Window w;
  w.key(Qt::Key_Right);
  EXPECT_EQ(w.display.panelText(1), "20ns");
  EXPECT_EQ(w.px(58, 5), D::kYellow);
  EXPECT_EQ(w.px(51, 5), D::kBlack);
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
  EXPECT_EQ(w.px(twips::ToPixel(772 + 525), 5), D::kRed);
  w.key(Qt::Key_Z);
  EXPECT_EQ(w.view().ZeroSample, 5);
  for (int i = 0; i < 3; ++i) w.key(Qt::Key_Right);
  EXPECT_EQ(w.view().RelSample, 3);
  EXPECT_EQ(w.display.panelText(1), "160ns");
  w.key(Qt::Key_Space);
  for (int i = 0; i < 3; ++i) w.key(Qt::Key_Left);
  w.key(Qt::Key_Space);  // on marker A's sample: removes it
  EXPECT_EQ(w.view().Markers[0], -1);
  EXPECT_EQ(w.view().Markers[1], 8);
}

TEST(DisplayItWindow, MouseInTheNameColumn) {
  Window w;
  const auto before = w.view().LineTable;
  w.click(Qt::RightButton, 10, 70);  // y 1050: line 3
  EXPECT_EQ(w.view().FindPickedLine(), 3);
  w.click(Qt::RightButton, 10, 70);  // its own row again: unpicked, nothing moved
  EXPECT_EQ(w.view().FindPickedLine(), -1);
  EXPECT_FALSE(w.view().OrderModified);
  w.click(Qt::RightButton, 10, 210);  // y 3150: line 10, pod 2 channel 6
  EXPECT_EQ(w.view().FindPickedLine(), 10);
  EXPECT_EQ(w.px(100, 220), D::kMagenta);  // its low level
  // The cursor line still crosses it (magenta under the yellow exclusive-or pen).
  EXPECT_EQ(w.px(51, 220), QColor(0, 255, 255));
  w.click(Qt::RightButton, 10, 285);  // y 4275: dropped above line 14
  EXPECT_EQ(w.view().FindPickedLine(), -1);
  EXPECT_TRUE(w.view().OrderModified);
  EXPECT_EQ(w.view().LineTable[13].code, before[10].code);
  EXPECT_EQ(w.view().LineTable[10].code, before[11].code);
  EXPECT_EQ(w.px(100, 280), D::kWhite);
  EXPECT_EQ(w.px(100, 220), D::kWhite);

  w.click(Qt::LeftButton, 10, 100);
  EXPECT_TRUE(w.view().SignalNames);
  w.click(Qt::LeftButton, 48, 100);  // x 720: outside the name column
  EXPECT_TRUE(w.view().SignalNames);
  w.click(Qt::RightButton, 300, 70);
  EXPECT_EQ(w.view().FindPickedLine(), -1);
}

TEST(DisplayItWriteBack, QuestionAnswersAndTheOrderInTheAnalyser) {
  Window w;
  const auto setupBefore = w.session.images().SetupMem;
  // Nothing moved: closing asks nothing.
  QTimer::singleShot(0, [&] { w.display.close(); });
  w.display.runModal();
  EXPECT_TRUE(w.session.op_.messages.empty());

  // A move, then No: nothing written or sent.
  w.display.BuildView();
  w.moveFirstLineDown();
  w.session.op_.answers = {MsgAnswer::No};
  w.display.done(QDialog::Rejected);
  ASSERT_EQ(w.session.op_.messages.size(), 1u);
  const auto& question = w.session.op_.messages[0];
  EXPECT_EQ(question.text, "Do you want to update analyser display order ?");
  EXPECT_EQ(question.title, "Configuration modified");
  EXPECT_EQ(question.buttons, MsgButtons::YesNo);
  EXPECT_EQ(w.session.mem2TekCalls, 0);
  EXPECT_FALSE(w.sentConfiguration());
  EXPECT_EQ(w.session.images().SetupMem, setupBefore);

  // The next close asks again; Yes writes order tables A and B and sends them.
  w.session.op_.answers = {MsgAnswer::Yes};
  w.display.done(QDialog::Rejected);
  EXPECT_EQ(w.session.op_.messages.size(), 2u);
  EXPECT_EQ(w.session.mem2TekCalls, 1);
  EXPECT_TRUE(w.sentConfiguration());
  auto& sent = w.session.analyser().setupMemory();
  EXPECT_EQ(w.session.images().SetupMem, sent);
  // Rows 0..7 move up one, GRPA bit 7 is row 8 (table B holds the first 12 rows), the rest stay.
  SetupModel analyser(sent);
  auto copy = setupBefore;
  SetupModel original(copy);
  EXPECT_EQ(analyser.GetOrderGroup(8), 0);
  EXPECT_EQ(analyser.GetOrderBit(8), 7);
  for (int16_t i = 0; i < 72; ++i) {
    const auto from = static_cast<int16_t>(i < 8 ? i + 1 : (i == 8 ? 0 : i));
    EXPECT_EQ(analyser.GetOrderGroup(i), original.GetOrderGroup(from)) << i;
    EXPECT_EQ(analyser.GetOrderBit(i), original.GetOrderBit(from)) << i;
    if (i >= 12) continue;
    EXPECT_EQ(analyser.GetOrderBGroup(i), original.GetOrderBGroup(from)) << i;
    EXPECT_EQ(analyser.GetOrderBBit(i), original.GetOrderBBit(from)) << i;
  }

  // Reopened on the written order and closed: the flag stays set, so it asks and sends again.
  QTimer::singleShot(0, [&] { w.display.close(); });
  w.display.runModal();
  EXPECT_EQ(w.session.op_.messages.size(), 3u);
  EXPECT_EQ(w.session.mem2TekCalls, 2);
  EXPECT_EQ(w.session.analyser().setupMemory(), w.session.images().SetupMem);
}

TEST(DisplayItWriteBack, PodNamesAreNeverWrittenBack) {
  Window w;
  w.session.cnf = false;  // configuration and acquisition not read together
  w.display.BuildView();
  const auto before = w.session.analyser().setupMemory();
  w.moveFirstLineDown();
  ASSERT_TRUE(w.view().OrderModified);
  // The operator is told once that the moved order stays on screen; nothing is asked.
  w.display.done(QDialog::Rejected);
  w.display.done(QDialog::Rejected);
  ASSERT_EQ(w.session.op_.messages.size(), 1u);
  EXPECT_TRUE(
      w.session.op_.messages[0].text.starts_with("The new line order stays in this display"));
  EXPECT_EQ(w.session.op_.messages[0].buttons, MsgButtons::Ok);
  EXPECT_EQ(w.session.mem2TekCalls, 0);
  EXPECT_FALSE(w.sentConfiguration());
  EXPECT_EQ(w.session.analyser().setupMemory(), before);
}

// Control+E asks in the dialog "Export" and writes the lines in their order on screen under
// the names shown, or the drawing area as a PNG; a failed write is reported.
TEST(DisplayItExport, ControlEWritesTheLinesAsShownOrThePicture) {
  TempDir folder;
  Window w;
  std::vector<std::pair<QString, QString>> answers;  // file name, chosen filter
  QString caption, filters;
  w.display.setSaveChooser([&](QWidget*, const QString& c, const QString& f, QString* chosen) {
    caption = c;
    filters = f;
    if (answers.empty()) return QString();
    const auto [name, filter] = answers.front();
    answers.erase(answers.begin());
    *chosen = filter;
    return name;
  });
  EXPECT_NE(w.display.statusBar()->toolTip().indexOf("C-E to Export"), -1);

  w.moveFirstLineDown();  // GRPA06 .. GRPA00, CTL100, GRPA07
  const QString csv = QString::fromStdString(folder.file("lines"));
  answers.push_back({csv, "CSV (*.csv)"});
  w.key(Qt::Key_E, Qt::ControlModifier);
  EXPECT_EQ(caption, "Export");
  EXPECT_EQ(filters.split(";;"), (QStringList{"VCD (*.vcd)", "sigrok session (*.sr)", "CSV (*.csv)",
                                              "PNG picture (*.png)"}));
  std::string header = Slurp(folder.file("lines.csv"));
  header = header.substr(0, header.find('\n'));
  EXPECT_EQ(header.substr(0, 42), "sample,time_ns,GRPA06,GRPA05,GRPA04,GRPA03");
  EXPECT_NE(header.find(",GRPA00,CTL100,GRPA07,GRPB15,"), std::string::npos) << header;
  EXPECT_TRUE(header.ends_with(",CTL203,CTL202,CTL201,CTL200,GRPA,CTL1,GRPB,GRPC,CTL2"));

  w.key(Qt::Key_S);  // pod names
  answers.push_back({QString::fromStdString(folder.file("pods.vcd")), "CSV (*.csv)"});
  w.key(Qt::Key_E, Qt::ControlModifier);
  const std::string vcd = Slurp(folder.file("pods.vcd"));
  EXPECT_NE(vcd.find("$var wire 1 ! Pod0.6 $end"), std::string::npos);
  EXPECT_NE(vcd.find("$var wire 1 ) Pod0.7 $end"), std::string::npos);  // the ninth line

  answers.push_back({QString::fromStdString(folder.file("page")), "PNG picture (*.png)"});
  w.key(Qt::Key_E, Qt::ControlModifier);
  const QImage png(QString::fromStdString(folder.file("page.png")));
  ASSERT_FALSE(png.isNull());
  EXPECT_EQ(png.convertToFormat(QImage::Format_RGB32),
            w.display.picture().convertToFormat(QImage::Format_RGB32));

  EXPECT_TRUE(w.session.op_.messages.empty());
  const std::string nowhere = folder.file("missing/out.sr");
  answers.push_back({QString::fromStdString(nowhere), "sigrok session (*.sr)"});
  w.key(Qt::Key_E, Qt::ControlModifier);
  ASSERT_EQ(w.session.op_.messages.size(), 1u);
  EXPECT_EQ(w.session.op_.messages[0].title, "Export");
  EXPECT_FALSE(std::filesystem::exists(nowhere));
}

TEST(DisplayItPrint, PageWithHeaderTitleNotesAndInvertedPicture) {
  if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "a printer is installed";
  TempDir folder;
  InFolder in(folder);
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
  const QDir dir(QString::fromStdString(folder.path().string()));
  const QStringList pdfs = dir.entryList({QStringLiteral("*.pdf")}, QDir::Files);
  ASSERT_EQ(pdfs.size(), 1);
  const QString pdf = dir.absoluteFilePath(pdfs[0]);
  EXPECT_EQ(told.text, "No printer is installed. The page was saved as " + pdf.toStdString());

  // (Where each item stands is checked on the page alone.)
  const QString text = RunTool("pdftotext", {"-layout", pdf, "-"});
  EXPECT_TRUE(text.contains("Tektronix 124x - Data Acquisition - " +
                            QLocale().toString(QDate::currentDate(), QLocale::ShortFormat)))
      << text.toStdString();
  EXPECT_EQ(text.count("Bus capture"), 1);
  EXPECT_TRUE(
      text.contains(QRegularExpression("\\n\\s*Notes:\\s*\\n\\s*first\\s*\\n\\s*second\\s*\\n")));

  // The picture: black on white, one copy of the drawing area.
  const QString png = QString::fromStdString(folder.file("page"));
  RunTool("pdftoppm", {"-r", "100", "-png", "-singlefile", pdf, png});
  QImage page(png + ".png");
  ASSERT_FALSE(page.isNull());
  EXPECT_GT(page.width(), page.height());  // landscape
  int white = 0, dark = 0;
  for (int y = 0; y < page.height(); ++y) {
    for (int x = 0; x < page.width(); ++x) {
      white += qGray(page.pixel(x, y)) > 230;
      dark += qGray(page.pixel(x, y)) < 60;
    }
  }
  const int all = page.width() * page.height();
  EXPECT_GT(white, all * 8 / 10);
  EXPECT_GT(dark, all / 200);  // frame, divider, waveforms

  // The picture goes in losslessly: one image, not JPEG, whose pixels are the inverted screen.
  const QString list = RunTool("pdfimages", {"-list", pdf});
  EXPECT_TRUE(list.contains(QRegularExpression("\\s780\\s+517\\s+rgb\\s+3\\s+8\\s+image\\s")))
      << list.toStdString();
  EXPECT_FALSE(list.contains("jpeg")) << list.toStdString();
  const QString images = QString::fromStdString(folder.file("picture"));
  RunTool("pdfimages", {"-png", pdf, images});
  EXPECT_EQ(QImage(images + "-000.png").convertToFormat(QImage::Format_RGB32),
            PrintPage::MakePicture(w.display.picture()));

  // A second print with the title cleared prints the previous title again.
  WhenInfoOpens([](Info& info) {
    EXPECT_EQ(info.TitleData->text(), "Bus capture");
    info.TitleData->clear();
    info.OK->click();
  });
  w.key(Qt::Key_P, Qt::ControlModifier);
  EXPECT_EQ(w.display.PrintTitle, "Bus capture");
}

TEST(DisplayItPrint, AFailedPrintIsReportedAndTheWindowGoesOn) {
  if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "a printer is installed";
  TempDir folder;
  InFolder in(folder);
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
  const auto& told = w.session.op_.messages[0];
  EXPECT_EQ(told.icon, MsgIcon::Exclamation);
  EXPECT_TRUE(told.text.starts_with("The page could not be printed, nor saved as ")) << told.text;
  w.key(Qt::Key_Right);
  EXPECT_EQ(w.view().CursorSample, 1);
}

}  // namespace
