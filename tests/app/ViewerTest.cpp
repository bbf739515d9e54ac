// Captures viewed from their files: the viewer program's command line and the real program,
// its window over real files in a temp folder (whole, cut, damaged, foreign, missing), the
// order saved into the configuration file, and the main window's Control+O and drop.
#include <QProcess>
#include <QTest>

#include "AppHarness.h"
#include "app/CaptureViewer.h"
#include "display/DisplayIt.h"
#include "memory/DataFiles.h"
#include "memory/DefaultImages.h"
#include "model/SetupModel.h"
#include "support/Files.h"

namespace {

class ViewerTest : public AppTest {
 protected:
  // The built-in images as run1.dat and run1.cnf; `acqLen` bytes of the capture.
  void writeFiles(int16_t acqLen = 0) {
    MemoryImages images;
    LoadDefaultImages(images, nullptr);
    if (acqLen > 0) images.AcqLen = acqLen;
    ASSERT_TRUE(WriteFile(dir.file("run1.dat"), images, kAcquisition, 0));
    ASSERT_TRUE(WriteFile(dir.file("run1.cnf"), images, kConfiguration, 0));
  }
  QString file(const char* name) { return QString::fromStdString(dir.file(name)); }
  std::string shown() {
    std::string s;
    for (const Shown& m : messages) s += m.title + ": " + m.text + "\n";
    return s;
  }
  CaptureViewer viewer{this, this};
};

TEST_F(ViewerTest, CommandLineAndTheRealProgram) {
  const struct {
    QStringList words;
    std::optional<int> status;
    std::string out, err;
  } cases[] = {
      {{"--version"}, 0, "logirem-view " LOGIREM_VERSION "\n", ""},
      {{"a.dat", "--bogus"}, 2, "", "logirem-view: unexpected --bogus\nusage: logirem-view"},
      {{"a.dat", "a.cnf", "b.dat"}, 2, "", "logirem-view: unexpected b.dat\nusage: logirem-view"},
      {{"a.dat", "a.cnf"}, std::nullopt, "", ""},
  };
  for (const auto& c : cases) {
    QStringList files;
    std::string out, err;
    EXPECT_EQ(CaptureViewer::ReadArguments(c.words, files, out, err), c.status);
    EXPECT_EQ(std::tuple(out, err.substr(0, c.err.size())), std::tuple(c.out, c.err));
  }
  // The man page is made from --help, on a machine without a screen.
  QProcess program;
  program.setProcessEnvironment(QProcessEnvironment());
  program.start(LOGIREM_BINARY_DIR "/src/viewer/logirem-view", {"--help"});
  ASSERT_TRUE(program.waitForFinished(10000));
  EXPECT_EQ(program.exitCode(), 0);
  EXPECT_TRUE(program.readAllStandardOutput().startsWith(
      "usage: logirem-view [FILE.dat [FILE.cnf]]\nShows an acquisition file"));
}

// The .cnf beside the .dat is taken: the lines of the analyser's display under group names,
// the caption naming the file; without it, the pods' order.
TEST_F(ViewerTest, OpensTheCaptureWithItsConfiguration) {
  writeFiles();
  names = {file("run1.dat")};
  DisplayIt* window = viewer.Open({}, {});
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(requests.at(0).title + " " + requests.at(0).filter,
            "View Acquisition Acquisition Files (*.dat)");
  EXPECT_EQ(window->windowTitle(), "Data - run1.dat");
  EXPECT_EQ(window->view().Name(0, false) + " " + window->panelText(2).toStdString(),
            "GRPA07 TRIG@5120ns");
  QFile::remove(file("run1.cnf"));
  window = viewer.Open(file("run1.dat"), {});
  EXPECT_EQ(std::tuple(window->view().Matched, window->view().Name(0, false)),
            std::tuple(false, "Pod0.0"));
  EXPECT_EQ(shown(), "");
  names = {};
  EXPECT_EQ(viewer.Open({}, {}), nullptr);  // the dialog cancelled
}

// Damaged files say what logiremctl show says; what could be read is shown, and a capture
// with nothing readable gives no window. Checksum reports stop at ten and one counts the rest.
TEST_F(ViewerTest, DamagedFilesAreReportedAsTheCommandLineReportsThem) {
  writeFiles(3538);
  EXPECT_NE(viewer.Open(file("run1.dat"), {}), nullptr);
  EXPECT_EQ(shown(), "View Acquisition: " + dir.file("run1.dat") +
                         ": holds 3538 of the 3539 bytes its header announces; missing samples "
                         "read as 0\n");
  messages.clear();
  std::string frames = Slurp(dir.file("run1.dat"));
  for (size_t at = frames.find("#H"), n = 0; at != std::string::npos && n < 14;
       at = frames.find("#H", at + 1), ++n) {
    frames[at + 10] = frames[at + 10] == '0' ? '1' : '0';
  }
  Put(dir.file("run1.dat"), frames);
  EXPECT_NE(viewer.Open(file("run1.dat"), file("missing.cnf")), nullptr);
  EXPECT_EQ(messages.size(), 13u);
  EXPECT_EQ(messages[10].text, "4 more frames had checksum errors");
  EXPECT_EQ(messages.back().text, dir.file("missing.cnf") + ": cannot open the file");

  messages.clear();
  EXPECT_EQ(viewer.Open(file("run1.cnf"), {}), nullptr);  // a configuration: wrong address
  EXPECT_EQ(viewer.Open(file("none.dat"), {}), nullptr);
  EXPECT_EQ(shown(), "View Acquisition: " + dir.file("run1.cnf") +
                         ": Bad Acquisition data\nView Acquisition: " + dir.file("none.dat") +
                         ": cannot open the file\n");
}

// A new order goes into the configuration file on closing, never to an analyser; No leaves
// the file as it was.
TEST_F(ViewerTest, MovedOrderIsSavedIntoTheConfigurationFile) {
  writeFiles();
  DisplayIt* window = viewer.Open(file("run1.dat"), {});
  ASSERT_NE(window, nullptr);
  const std::string before = Slurp(dir.file("run1.cnf"));
  window->view().Form_MouseDown(2, 0, 100, 150);   // GRPA07 ...
  window->view().Form_MouseDown(2, 0, 100, 2700);  // ... below CTL100
  answers = {MsgAnswer::No, MsgAnswer::Yes};
  window->done(QDialog::Rejected);
  EXPECT_EQ(Slurp(dir.file("run1.cnf")), before);
  window->done(QDialog::Rejected);
  EXPECT_EQ(shown(),
            "Configuration modified: Do you want to save the new display order "
            "into run1.cnf ?\nConfiguration modified: Do you want to save the new "
            "display order into run1.cnf ?\n");
  MemoryImages saved;
  ASSERT_TRUE(ReadFile(dir.file("run1.cnf"), saved, kConfiguration, nullptr));
  SetupModel setup(saved.SetupMem);
  EXPECT_EQ(std::tuple(setup.GetOrderGroup(8), setup.GetOrderBit(8), setup.GetOrderBit(0)),
            std::tuple(0, 7, 6));
}

// Control+O and a dropped .dat open the view; the main window's images stay as they were and
// the analyser hears nothing.
TEST_F(ViewerTest, MainWindowOpensCapturesByKeyAndDrop) {
  writeFiles();
  auto w = start();
  const MemoryImages images = w->images();
  sim(*w).transcript().clear();
  names = {file("run1.dat")};
  w->show();
  QApplication::setActiveWindow(w.get());
  QTest::keyClick(w.get(), Qt::Key_O, Qt::ControlModifier);
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(file("run1.dat")), QUrl::fromLocalFile(file("run1.cnf"))});
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  // (Delivered as the drag manager would, straight to the target.)
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  static_cast<QObject*>(w.get())->event(&enter);
  QMimeData text;
  text.setUrls({QUrl::fromLocalFile(file("notes.txt"))});
  QDragEnterEvent other(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
  static_cast<QObject*>(w.get())->event(&other);
  EXPECT_EQ(std::tuple(enter.isAccepted(), other.isAccepted()), std::tuple(true, false));
  static_cast<QObject*>(w.get())->event(&drop);
  QApplication::processEvents();
  EXPECT_TRUE(log.ends_with("open Acquisition, display, display")) << log;
  EXPECT_EQ(requests.back().title, "View Acquisition");
  EXPECT_EQ(w->images().AcqMem, images.AcqMem);
  EXPECT_TRUE(sim(*w).transcript().empty());
  w->hide();
}

}  // namespace
