// The eight commands as sequences of reads, writes and file dialogs, on the simulated
// analyser with real files in the temp folder.
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <fstream>

#include "AppHarness.h"
#include "editor/Editit.h"
#include "memory/DataFiles.h"
#include "memory/DefaultImages.h"

namespace {
std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// An image as read back from a file through the program's own reader.
MemoryImages FromFile(const std::string& path, int32_t kind) {
  MemoryImages images;
  EXPECT_TRUE(ReadFile(path, images, kind, nullptr)) << path;
  return images;
}

size_t Count(const EventLog& log, const std::string& entry) {
  return static_cast<size_t>(std::count(log.begin(), log.end(), entry));
}
}  // namespace

TEST_F(AppTest, TekToFileSavesTheAnalysersConfiguration) {
  auto w = start();
  SimAnalyser& analyser = sim(*w);
  analyser.setupMemory()[800] = 0x5A;  // something the default image does not hold
  files.answers = {QStringLiteral("saved.cnf")};
  w->Tek2ConfCmd->click();

  EXPECT_TRUE(sent(*w, "INSETUP?"));
  ASSERT_EQ(files.requests.size(), 1u);
  const FileRequest& r = files.requests[0];
  EXPECT_EQ(r.title, "Save FULL Configuration");
  EXPECT_EQ(r.filter, "Configuration Files (*.cnf)");
  EXPECT_EQ(r.startDir, QDir::currentPath());
  EXPECT_EQ(r.proposed, "");
  const MemoryImages saved = FromFile(dir.file("saved.cnf"), kConfiguration);
  EXPECT_EQ(saved.SetupLen, w->images().SetupLen);
  EXPECT_EQ(saved.SetupMem[800], 0x5A);
  EXPECT_TRUE(presenter.messages.empty());

  // Cancelled: nothing written, nothing said.
  files.answers = {QString()};
  w->Tek2ConfCmd->click();
  EXPECT_EQ(files.requests.size(), 2u);
  EXPECT_EQ(QDir(QString::fromStdString(dir.path().string())).entryList(QDir::Files).size(),
            2u);  // settings.ini and saved.cnf
  EXPECT_TRUE(presenter.messages.empty());
}

TEST_F(AppTest, FileToTekSendsALoadedConfigurationUnlessCancelledOrBad) {
  auto w = start();
  SimAnalyser& analyser = sim(*w);
  MemoryImages edited;
  LoadDefaultImages(edited, nullptr);
  edited.SetupMem[750] = static_cast<uint8_t>(edited.SetupMem[750] ^ 0x0F);
  ASSERT_TRUE(WriteFile(dir.file("edited.cnf"), edited, kConfiguration, 0));

  files.answers = {QString()};  // cancelled
  w->Conf2TekCmd->click();
  EXPECT_FALSE(sent(*w, "INSET "));

  std::ofstream(dir.file("empty.cnf")) << "\r\n";
  files.answers = {QStringLiteral("empty.cnf")};
  w->Conf2TekCmd->click();
  ASSERT_EQ(presenter.messages.size(), 1u);
  EXPECT_EQ(presenter.messages[0].text, "Bad Configuration data");
  EXPECT_EQ(presenter.messages[0].title, "Local Error");
  EXPECT_EQ(presenter.messages[0].icon, MsgIcon::Information);
  EXPECT_FALSE(sent(*w, "INSET "));

  files.answers = {QStringLiteral("edited.cnf")};
  w->Conf2TekCmd->click();
  EXPECT_EQ(files.requests.back().title, "Load Configuration");
  EXPECT_EQ(files.requests.back().filter, "Configuration Files (*.cnf)");
  EXPECT_TRUE(sent(*w, "INSET "));
  EXPECT_EQ(analyser.setupMemory()[750], edited.SetupMem[750]);
  EXPECT_EQ(presenter.messages.size(), 1u);
}

TEST_F(AppTest, SaveAcqProposesTheAcquisitionsNameForTheConfiguration) {
  auto w = start();
  SimAnalyser& analyser = sim(*w);
  QDir().mkpath(QStringLiteral("data"));
  files.answers = {QStringLiteral("data/run1.dat"), QStringLiteral("data/run1.cnf")};
  w->Tek2DatCmd->click();
  ASSERT_EQ(files.requests.size(), 2u);
  EXPECT_EQ(files.requests[0].title, "Save FULL Acquisition");
  EXPECT_EQ(files.requests[0].filter, "Acquisition Files (*.dat)");
  EXPECT_EQ(files.requests[1].title, "Save FULL Configuration");
  EXPECT_EQ(files.requests[1].proposed, "data/run1");
  const MemoryImages acq = FromFile(dir.file("data/run1.dat"), kAcquisition);
  ASSERT_EQ(acq.AcqLen, analyser.acqLength());
  EXPECT_TRUE(std::equal(acq.AcqMem.begin(), acq.AcqMem.begin() + acq.AcqLen,
                         analyser.acqMemory().begin()));
  EXPECT_EQ(FromFile(dir.file("data/run1.cnf"), kConfiguration).SetupLen, 922);

  // A folder with a dot in its name: the first dot is not the extension's, so the name
  // is proposed whole.
  QDir().mkpath(QStringLiteral("my.dir"));
  files.requests.clear();
  files.answers = {QStringLiteral("my.dir/run1.dat"), QString()};
  w->Tek2DatCmd->click();
  ASSERT_EQ(files.requests.size(), 2u);
  EXPECT_EQ(files.requests[1].proposed, "my.dir/run1.dat");

  // The acquisition dialog cancelled: the configuration is still read and offered, with
  // no name proposed.
  files.requests.clear();
  files.answers = {QString(), QStringLiteral("only.cnf")};
  w->Tek2DatCmd->click();
  ASSERT_EQ(files.requests.size(), 2u);
  EXPECT_EQ(files.requests[1].proposed, "");
  EXPECT_EQ(Slurp(dir.file("only.cnf")), Slurp(dir.file("data/run1.cnf")));

  // A save that fails proposes nothing for the configuration either.
  files.requests.clear();
  files.answers = {QStringLiteral("missing/run2.dat"), QString()};
  w->Tek2DatCmd->click();
  ASSERT_EQ(files.requests.size(), 2u);
  EXPECT_EQ(files.requests[1].proposed, "");
  EXPECT_TRUE(presenter.messages.empty());
}

TEST_F(AppTest, SaveRefWritesTheReferenceMemoryAsAnAcquisitionFile) {
  auto w = start();
  SimAnalyser& analyser = sim(*w);
  files.answers = {QStringLiteral("ref.dat")};
  w->Tek2RefCmd->click();
  EXPECT_TRUE(sent(*w, "REFMEM?"));
  ASSERT_EQ(files.requests.size(), 1u);
  EXPECT_EQ(files.requests[0].title, "Save FULL Acquisition");
  const MemoryImages ref = FromFile(dir.file("ref.dat"), kReference);
  ASSERT_EQ(ref.AcqLen, analyser.refLength());
  EXPECT_TRUE(std::equal(ref.AcqMem.begin(), ref.AcqMem.begin() + ref.AcqLen,
                         analyser.refMemory().begin()));
}

class LoadCommands : public AppTest {
 protected:
  void SetUp() override {
    MemoryImages images;
    LoadDefaultImages(images, nullptr);
    images.AcqMem[100] = static_cast<uint8_t>(images.AcqMem[100] ^ 0xFF);
    images.SetupMem[900] = static_cast<uint8_t>(images.SetupMem[900] ^ 0x01);
    ASSERT_TRUE(WriteFile(dir.file("run.dat"), images, kAcquisition, 0));
    ASSERT_TRUE(WriteFile(dir.file("run.cnf"), images, kConfiguration, 0));
    fileImages = images;
  }
  MemoryImages fileImages;
};

TEST_F(LoadCommands, LoadAcqSendsBothFilesAndSetsbCnfOnlyWhenBothArrive) {
  auto w = start();
  SimAnalyser& analyser = sim(*w);
  w->GetDisplay->click();
  ASSERT_TRUE(w->bCnf());

  files.answers = {QString()};  // acquisition dialog cancelled
  w->Dat2TekCmd->click();
  EXPECT_FALSE(w->bCnf());
  EXPECT_FALSE(sent(*w, "ACQMEM "));
  EXPECT_EQ(files.requests.size(), 1u);

  files.answers = {QStringLiteral("run.dat"), QString()};  // configuration cancelled
  w->Dat2TekCmd->click();
  EXPECT_TRUE(sent(*w, "ACQMEM "));
  EXPECT_TRUE(sent(*w, "LOAD ACQMEM"));
  EXPECT_FALSE(sent(*w, "INSET "));
  EXPECT_FALSE(w->bCnf());
  EXPECT_EQ(analyser.acqMemory()[100], fileImages.AcqMem[100]);
  ASSERT_EQ(files.requests.size(), 3u);
  EXPECT_EQ(files.requests[1].title, "Load Acquisition");
  EXPECT_EQ(files.requests[2].title, "Load Configuration");
  EXPECT_EQ(files.requests[2].proposed, "run");

  files.answers = {QStringLiteral("run.dat"), QStringLiteral("run.cnf")};
  w->Dat2TekCmd->click();
  EXPECT_TRUE(sent(*w, "INSET "));
  EXPECT_EQ(analyser.setupMemory()[900], fileImages.SetupMem[900]);
  EXPECT_TRUE(w->bCnf());

  // A configuration file offered as the acquisition fails: nothing is sent, bCnf drops.
  analyser.transcript().clear();
  files.answers = {QStringLiteral("run.cnf")};
  w->Dat2TekCmd->click();
  EXPECT_FALSE(w->bCnf());
  EXPECT_FALSE(sent(*w, "ACQMEM "));
  EXPECT_EQ(presenter.messages.back().text, "Bad Acquisition data");
}

TEST_F(LoadCommands, LoadRefSendsTheReferenceAndLeavesbCnfAlone) {
  auto w = start();
  SimAnalyser& analyser = sim(*w);
  files.answers = {QStringLiteral("run.dat"), QStringLiteral("run.cnf")};
  w->Dat2RefCmd->click();
  EXPECT_TRUE(sent(*w, "REFMEM "));
  EXPECT_TRUE(sent(*w, "LOAD REFMEM"));
  EXPECT_TRUE(sent(*w, "INSET "));
  EXPECT_EQ(analyser.refMemory()[100], fileImages.AcqMem[100]);
  EXPECT_EQ(files.requests[1].proposed, "run");
  EXPECT_FALSE(w->bCnf());  // not touched, and it started false

  w->GetDisplay->click();
  ASSERT_TRUE(w->bCnf());
  analyser.transcript().clear();
  files.answers = {QString()};
  w->Dat2RefCmd->click();
  EXPECT_FALSE(sent(*w, "REFMEM "));
  EXPECT_TRUE(w->bCnf());
  files.answers = {QStringLiteral("run.dat"), QString()};
  w->Dat2RefCmd->click();
  EXPECT_TRUE(sent(*w, "REFMEM "));
  EXPECT_FALSE(sent(*w, "INSET "));
  EXPECT_TRUE(w->bCnf());
}

TEST_F(AppTest, EditConfigReadsThenOpensTheOneEditor) {
  auto w = start();
  SimAnalyser& analyser = sim(*w);
  analyser.setupMemory()[720] = 0x33;
  w->EditConfig->click();
  EXPECT_TRUE(sent(*w, "INSETUP?"));
  EXPECT_EQ(w->images().SetupMem[720], 0x33);
  ASSERT_EQ(presenter.windows.size(), 1u);
  EXPECT_EQ(presenter.windows[0], WorkingWindow::ConfigEditor);
  Editit* first = w->editor();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->parentWidget(), w.get());
  w->EditConfig->click();
  EXPECT_EQ(presenter.windows.size(), 2u);
  EXPECT_EQ(w->editor(), first);  // the same window, with what it kept
}

TEST_F(AppTest, GetDisplayReadsBothMemoriesSetsbCnfAndOpensTheDisplay) {
  auto w = start();
  EXPECT_FALSE(w->bCnf());
  w->GetDisplay->click();
  EXPECT_TRUE(sent(*w, "INSETUP?"));
  EXPECT_TRUE(sent(*w, "ACQMEM?"));
  EXPECT_TRUE(w->bCnf());
  EXPECT_EQ(w->images().AcqLen, sim(*w).acqLength());
  ASSERT_EQ(presenter.windows.size(), 1u);
  EXPECT_EQ(presenter.windows[0], WorkingWindow::AcqDisplay);
  DisplayIt* first = w->display();
  ASSERT_NE(first, nullptr);
  w->GetDisplay->click();
  EXPECT_EQ(presenter.windows.size(), 2u);
  EXPECT_EQ(w->display(), first);
}

TEST_F(AppTest, WithoutAnAnalyserTheSettingsDialogComesFirstThenTheReadError) {
  auto w = start();
  sim(*w).setAddress(0, 9, 0);  // nothing answers at 7 any more
  presenter.messages.clear();
  log.clear();
  w->GetDisplay->click();
  EXPECT_EQ(log, (EventLog{"conf", "message:Data read error"}));
  EXPECT_EQ(presenter.messages[0].title, "Local Error");
  EXPECT_EQ(presenter.messages[0].icon, MsgIcon::Information);
  EXPECT_TRUE(presenter.windows.empty());
  EXPECT_FALSE(w->bCnf());
  EXPECT_FALSE(sent(*w, "ACQMEM?"));  // the first failed read ends the command
  EXPECT_FALSE(w->Cnx->isHidden());   // the dialog's identification found nobody

  log.clear();
  w->EditConfig->click();
  EXPECT_EQ(log, (EventLog{"conf", "message:Data read error"}));
  EXPECT_EQ(w->images().SetupLen, 0);
  EXPECT_TRUE(presenter.windows.empty());

  // Saving needs a successful read first; nothing is offered.
  log.clear();
  w->Tek2ConfCmd->click();
  w->Tek2DatCmd->click();
  w->Tek2RefCmd->click();
  EXPECT_EQ(Count(log, "conf"), 3u);
  EXPECT_EQ(Count(log, "message:Data read error"), 3u);
  EXPECT_TRUE(files.requests.empty());

  // Putting the right address into the dialog that the read opens lets the read succeed.
  presenter.onConf = [](Conf& conf) {
    conf.vVal[1]->setText(QStringLiteral("9"));
    conf.OK_Click();
  };
  log.clear();
  w->GetDisplay->click();
  EXPECT_EQ(log, (EventLog{"conf", "display"}));
  EXPECT_TRUE(w->Cnx->isHidden());
  EXPECT_EQ(w->connection().PAd, 9);
}
