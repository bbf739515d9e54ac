// The real display window offscreen on the simulated analyser: caption, status bar, keys and
// mouse through Qt events, the write-back question on closing with the order reaching the
// analyser, the export, and printing through the real title and notes dialog into a PDF read
// back.
#include <gtest/gtest.h>

#include <QPrinterInfo>
#include <QTest>
#include <QtWidgets>
#include <algorithm>
#include <filesystem>

#include "FlatSession.h"
#include "app/Info.h"
#include "display/DisplayCanvas.h"
#include "display/DisplayIt.h"
#include "display/PrintPage.h"
#include "support/Files.h"
#include "support/TempDir.h"

namespace {

using D = DisplayDrawing;

// The window on the flat images, in a temp folder made current (where prints go).
struct Window {
  FlatSession session;
  Info info;
  DisplayIt display{session, info, nullptr};
  TempDir folder;
  const QString oldFolder = QDir::currentPath();
  Window() {
    display.BuildView();
    QDir::setCurrent(QString::fromStdString(folder.path().string()));
  }
  ~Window() { QDir::setCurrent(oldFolder); }
  DisplayView& view() { return display.view(); }
  const std::vector<RecordingOperator::Message>& told() { return session.op_.messages; }
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
  // Prints with Control+P, answering the title and notes dialog with `fill` once it is up.
  template <class Fill>
  void print(Fill fill) {
    QTimer::singleShot(0,
                       [fill] { fill(*qobject_cast<Info*>(QApplication::activeModalWidget())); });
    key(Qt::Key_P, Qt::ControlModifier);
  }
};

TEST(DisplayItWindow, CaptionStatusBarAndSize) {
  Window w;
  EXPECT_EQ(w.display.windowTitle(), "Data");
  EXPECT_EQ(w.display.panelText(2), "TRIG@5120ns");
  w.display.show();
  QApplication::processEvents();
  // The window's inner area is the drawing area above the status bar, and nothing else.
  EXPECT_EQ(w.display.canvas()->size(), QSize(780, 517));
  EXPECT_EQ(w.display.size(), QSize(780, 517 + w.display.statusBar()->height()));
  // Keys that are not commands leave the window open.
  w.key(Qt::Key_Escape);
  w.key(Qt::Key_Return);
  EXPECT_TRUE(w.display.isVisible());
  w.display.hide();
}

// Each key reaches its rule (the rules themselves are checked on the view), and the cursor
// readout in the status bar follows.
TEST(DisplayItWindow, KeysAndMouseThroughQtEvents) {
  Window w;
  // Key, modifiers, then the cursor's sample and the top row.
  for (const auto& [key, modifiers, sample, top] :
       {std::tuple{Qt::Key_Right, Qt::KeyboardModifiers(), 1, 0},
        {Qt::Key_Right, Qt::ShiftModifier, 11, 0},
        {Qt::Key_End, Qt::KeyboardModifiers(), 512, 0},
        {Qt::Key_Left, Qt::ControlModifier, 502, 0},
        {Qt::Key_Home, Qt::KeyboardModifiers(), 0, 0},
        {Qt::Key_Down, Qt::ShiftModifier, 0, 10},
        {Qt::Key_Up, Qt::KeyboardModifiers(), 0, 9},
        {Qt::Key_P, Qt::KeyboardModifiers(), 0, 9},  // P alone prints nothing
        {Qt::Key_S, Qt::ControlModifier, 0, 9}}) {
    w.key(key, modifiers);
    EXPECT_EQ(
        std::tuple(w.view().CursorSample, w.view().TopLine, w.display.panelText(1).toStdString()),
        std::tuple(sample, top, std::to_string(sample * 20) + "ns"));
  }
  // Control+S types a control character, no command; S and G switch the names, and
  // switching back leaves no trace.
  const QImage labels = w.display.picture().copy(0, 0, 48, 500);
  w.key(Qt::Key_S);
  EXPECT_NE(w.display.picture().copy(0, 0, 48, 500), labels);
  w.key(Qt::Key_G, Qt::ShiftModifier);
  EXPECT_EQ(w.display.picture().copy(0, 0, 48, 500), labels);
  for (int i = 0; i < 5; ++i) w.key(Qt::Key_Right);
  w.key(Qt::Key_Space);
  w.key(Qt::Key_Z);
  w.key(Qt::Key_Right);
  EXPECT_EQ(std::tuple(w.view().Markers[0], w.view().RelSample), std::tuple(5, 1));
  EXPECT_EQ(w.display.panelText(1), "120ns");

  w.view().TopLine = 0;
  w.click(Qt::RightButton, 10, 210);  // y 3150: line 10, pod 2 channel 6
  EXPECT_EQ(w.view().FindPickedLine(), 10);
  EXPECT_EQ(w.px(100, 220), D::kMagenta);  // redrawn at once in the picked colour
  w.click(Qt::RightButton, 300, 220);      // right of the name column: nothing
  w.click(Qt::RightButton, 10, 210);       // its own row again: unpicked, nothing moved
  EXPECT_EQ(w.view().FindPickedLine(), -1);
  EXPECT_EQ(w.px(100, 220), D::kWhite);
  EXPECT_FALSE(w.view().OrderModified);
  w.click(Qt::LeftButton, 48, 100);  // x 720: outside the name column
  EXPECT_FALSE(w.view().SignalNames);
  w.click(Qt::LeftButton, 10, 100);
  EXPECT_TRUE(w.view().SignalNames);
}

// Lines moved in a view that cannot be written back (pod names carry no group) stay on screen,
// and closing says so once and asks nothing. Otherwise closing asks whether to write the
// order back, and a Yes sends it to the analyser.
TEST(DisplayItWriteBack, QuestionAnswersAndTheOrderInTheAnalyser) {
  Window w;
  auto expected = w.session.images().SetupMem;
  // Nothing moved: closing asks nothing.
  QTimer::singleShot(0, [&] { w.display.close(); });
  w.display.runModal();
  EXPECT_TRUE(w.told().empty());
  // A move, then No: nothing written or sent; the next close asks again.
  w.moveFirstLineDown();
  w.session.op_.answers = {MsgAnswer::No, MsgAnswer::Yes};
  w.display.done(QDialog::Rejected);
  ASSERT_EQ(w.told().size(), 1u);
  EXPECT_EQ(std::tuple(w.told()[0].text, w.told()[0].title, w.told()[0].buttons),
            std::tuple("Do you want to update analyser display order ?", "Configuration modified",
                       MsgButtons::YesNo));
  EXPECT_EQ(w.session.images().SetupMem, expected);
  EXPECT_EQ(w.session.analyser().setupMemory(), expected);
  // Yes writes order tables A and B (two bytes a row; B holds A's first 12 rows) and sends
  // them: rows 1..8 move up one and GRPA bit 7 goes to row 8.
  w.display.done(QDialog::Rejected);
  std::rotate(expected.begin() + 540, expected.begin() + 542, expected.begin() + 558);
  std::copy_n(expected.begin() + 540, 24, expected.begin() + 684);
  EXPECT_EQ(w.session.analyser().setupMemory(), expected);
  EXPECT_EQ(w.session.mem2TekCalls, 1);

  w.session.cnf = false;  // configuration and acquisition not read together
  w.display.BuildView();
  w.moveFirstLineDown();
  w.display.done(QDialog::Rejected);
  w.display.done(QDialog::Rejected);
  ASSERT_EQ(w.told().size(), 3u);
  EXPECT_EQ(std::tuple(w.told()[2].text.starts_with("The new line order stays in this display"),
                       w.told()[2].buttons, w.session.mem2TekCalls),
            std::tuple(true, MsgButtons::Ok, 1));
}

// Control+E asks in the dialog "Export" and writes the lines in their order on screen under
// the names shown, or the drawing area as a PNG; a failed write is reported.
TEST(DisplayItExport, ControlEWritesTheLinesAsShownOrThePicture) {
  Window w;
  std::pair<std::string, QString> next;  // the file name typed and the filter chosen
  w.display.setSaveChooser(
      [&](QWidget*, const QString& caption, const QString& filters, QString* chosen) {
        EXPECT_EQ(caption + ": " + filters,
                  "Export: VCD (*.vcd);;sigrok session (*.sr);;CSV (*.csv);;PNG picture (*.png)");
        *chosen = next.second;
        return QString::fromStdString(w.folder.file(next.first));
      });
  const auto exportAs = [&](const std::string& name, const QString& filter) {
    next = {name, filter};
    w.key(Qt::Key_E, Qt::ControlModifier);
  };
  w.moveFirstLineDown();                                    // GRPA06 .. GRPA00, CTL100, GRPA07
  w.session.op_.answers = {MsgAnswer::Yes, MsgAnswer::No};  // paired bits: then, not again
  exportAs("lines", "CSV (*.csv)");
  const std::string csv = Slurp(w.folder.file("lines.csv"));
  EXPECT_TRUE(csv.starts_with("sample,time_ns,GRPA06,GRPA06~,GRPA05,GRPA05~,") &&
              csv.find(",GRPA00~,CTL100,CTL100~,GRPA07,GRPA07~,GRPB15,") != std::string::npos &&
              csv.find(",CTL201,CTL200,TRIG,GRPA,CTL1,GRPB,GRPC,CTL2\n") != std::string::npos)
      << csv.substr(0, csv.find('\n'));

  w.key(Qt::Key_S);  // pod names; the ninth line is GRPA07
  exportAs("pods.vcd", "CSV (*.csv)");
  EXPECT_NE(Slurp(w.folder.file("pods.vcd")).find("$var wire 1 ) Pod0.7 $end"), std::string::npos);
  exportAs("page", "PNG picture (*.png)");
  const QImage png(QString::fromStdString(w.folder.file("page.png")));
  EXPECT_EQ(png.convertToFormat(QImage::Format_RGB32),
            w.display.picture().convertToFormat(QImage::Format_RGB32));
  ASSERT_EQ(w.told().size(), 2u);  // the paired-bit question, once per export to a file
  EXPECT_EQ(std::tuple(w.told()[1].title, w.told()[1].buttons),
            std::tuple("Export", MsgButtons::YesNo));

  exportAs("missing/out.sr", "sigrok session (*.sr)");
  ASSERT_EQ(w.told().size(), 4u);
  EXPECT_EQ(w.told()[3].title, "Export");
  EXPECT_FALSE(QDir(QString::fromStdString(w.folder.file("missing"))).exists());

  // All eight pods, 54 lines on screen, those of the two-bit pods 0 and 2 taking two channels
  // with their paired bits: the session keeps the lines from the top down as far as 64
  // channels go, TRIG among them, and names the lines left out.
  auto& acq = w.session.images().AcqMem;
  for (int pod : {1, 6, 7}) {
    for (int table : {514, 530, 546}) std::copy_n(&acq[table + 4], 2, &acq[table + 2 * pod]);
    acq[562 + pod] = 0;
  }
  acq[583] = 2;  // 9-bit cards
  acq[585] = 3;  // 18-bit cards
  w.display.BuildView();
  exportAs("all.sr", "");  // Yes to the paired bits
  EXPECT_EQ(w.told().back().text,
            "PulseView reads at most 64 channels: the session holds the first lines on screen and "
            "leaves out Pod7.0, Pod7.1, Pod7.2, Pod7.3, Pod7.4, Pod7.5, Pod7.6, Pod7.7, Pod7.8.");
  const QString shown =
      RunTool("sigrok-cli", {"-i", QString::fromStdString(w.folder.file("all.sr")), "--show"});
  EXPECT_EQ(std::tuple(shown.count("\n- "), shown.count("_p: logic\n"),
                       shown.contains("- Pod6.8: logic\n- TRIG: logic\n")),
            std::tuple(64, 18, true))
      << shown.toStdString();

  // Every pod absent: nothing to export, and no file.
  std::fill_n(acq.begin() + 562, 8, uint8_t{1});
  w.display.BuildView();
  exportAs("none.vcd", "VCD (*.vcd)");
  EXPECT_EQ(std::tuple(w.told().back().text, std::filesystem::exists(w.folder.file("none.vcd"))),
            std::tuple("nothing to export: the capture holds no channel", false));
}

// Without a printer the page goes into a PDF in the current folder: header, title, notes and
// the picture, losslessly, as the inverted screen. The dialog keeps its texts, and takes them
// back however it closes. A failed print is reported and never ends the program.
TEST(DisplayItPrint, PageWithHeaderTitleNotesAndInvertedPicture) {
  if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "a printer is installed";
  Window w;
  w.print([](Info& info) {
    info.TitleData->setText("Bus capture");
    info.NotesData->setPlainText("first\nsecond\n");
    info.OK->click();
  });
  const QStringList pdfs = QDir::current().entryList({QStringLiteral("*.pdf")}, QDir::Files);
  ASSERT_EQ(std::tuple(w.told().size(), pdfs.size()), std::tuple(1u, 1));
  const QString pdf = QDir::current().absoluteFilePath(pdfs[0]);
  EXPECT_EQ(std::tuple(w.told()[0].icon, w.told()[0].text),
            std::tuple(MsgIcon::Information,
                       "No printer is installed. The page was saved as " + pdf.toStdString()));

  // (Where each item stands is checked on the page alone.)
  const QString text = RunTool("pdftotext", {pdf, "-"}).simplified();
  EXPECT_TRUE(text.startsWith("Tektronix 124x - Data Acquisition - " +
                              QLocale().toString(QDate::currentDate(), QLocale::ShortFormat)) &&
              text.contains(" Bus capture Notes: first second"))
      << text.toStdString();
  // One image, not JPEG, whose pixels are the inverted screen.
  const QString list = RunTool("pdfimages", {"-list", pdf});
  EXPECT_TRUE(list.trimmed().count('\n') == 2 && !list.contains("jpeg"))  // heading, rule, image
      << list.toStdString();
  RunTool("pdfimages", {"-png", pdf, "picture"});
  EXPECT_EQ(QImage("picture-000.png").convertToFormat(QImage::Format_RGB32),
            PrintPage::MakePicture(w.display.picture()));

  // Printed again: the dialog shows the texts given; closed with Escape nothing is printed,
  // but the edits count, and a cleared title keeps the previous title.
  w.print([](Info& info) {
    EXPECT_EQ(info.NotesData->toPlainText(), "first\nsecond\n");
    EXPECT_EQ(info.TitleData->selectedText(), "Bus capture");  // typing replaces it
    info.TitleData->clear();
    info.NotesData->setPlainText("third");
    QTest::keyClick(&info, Qt::Key_Escape);
  });
  EXPECT_EQ(w.display.PrintTitle, "Bus capture");
  EXPECT_EQ(w.display.PrintNotes, "third");
  EXPECT_EQ(std::tuple(w.told().size(), QDir::current().entryList({"*.pdf"}).size()),
            std::tuple(1u, 1));

  // Folders stand where the next PDF files would be written: the failure is reported, and
  // the window goes on.
  for (const QString& file : QDir::current().entryList({"*.pdf"})) QDir::current().remove(file);
  const QDateTime now = QDateTime::currentDateTime();
  for (int s = 0; s < 10; ++s) {
    QDir::current().mkdir("Data-" + now.addSecs(s).toString("yyyyMMdd-HHmmss") + ".pdf");
  }
  w.print([](Info& info) { info.OK->click(); });
  ASSERT_EQ(w.told().size(), 2u);
  EXPECT_EQ(std::tuple(w.told()[1].icon, w.told()[1].text.starts_with("The page could not be "
                                                                      "printed, nor saved as ")),
            std::tuple(MsgIcon::Exclamation, true));
  w.key(Qt::Key_Right);
  EXPECT_EQ(w.view().CursorSample, 1);
}

}  // namespace
