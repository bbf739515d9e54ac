// The eight commands as sequences of reads, writes and file dialogs, on the simulated
// analyser with real files in the temp folder.
#include <algorithm>
#include <fstream>

#include "AppHarness.h"
#include "cli/Ctl.h"
#include "editor/Editit.h"
#include "memory/DataFiles.h"
#include "memory/DefaultImages.h"
#include "memory/HexCodec.h"

namespace {
// An image as read back from a file through the program's own reader.
MemoryImages FromFile(const std::string& path, int32_t kind) {
  MemoryImages images;
  EXPECT_TRUE(ReadFile(path, images, kind, nullptr)) << path;
  return images;
}

template <typename Memory>
bool Holds(const MemoryImages& file, const Memory& memory, int16_t length) {
  return file.AcqLen == length &&
         std::equal(file.AcqMem.begin(), file.AcqMem.begin() + length, memory.begin());
}
}  // namespace

TEST_F(WindowTest, TekToFileSavesTheAnalysersConfiguration) {
  sim(*w).setupMemory()[800] = 0x5A;  // something the default image does not hold
  files.answers = {QStringLiteral("saved.cnf"), QString()};
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

  // Cancelled: nothing written, nothing said.
  w->Tek2ConfCmd->click();
  EXPECT_EQ(files.requests.size(), 2u);
  EXPECT_EQ(QDir().entryList(QDir::Files),
            QStringList({QStringLiteral("saved.cnf"), QStringLiteral("settings.ini")}));
  EXPECT_TRUE(presenter.messages.empty());
}

TEST_F(WindowTest, FileToTekSendsALoadedConfigurationUnlessCancelledOrBad) {
  MemoryImages edited;
  LoadDefaultImages(edited, nullptr);
  edited.SetupMem[750] = static_cast<uint8_t>(edited.SetupMem[750] ^ 0x0F);
  ASSERT_TRUE(WriteFile(dir.file("edited.cnf"), edited, kConfiguration, 0));
  std::ofstream(dir.file("empty.cnf")) << "\r\n";

  files.answers = {QString(), QStringLiteral("empty.cnf")};  // cancelled, then a bad file
  w->Conf2TekCmd->click();
  w->Conf2TekCmd->click();
  EXPECT_FALSE(sent(*w, "INSET "));
  ASSERT_EQ(presenter.messages.size(), 1u);
  EXPECT_EQ(presenter.messages[0].text, "Bad Configuration data");
  EXPECT_EQ(presenter.messages[0].title, "Local Error");
  EXPECT_EQ(presenter.messages[0].icon, MsgIcon::Information);

  files.answers = {QStringLiteral("edited.cnf")};
  w->Conf2TekCmd->click();
  EXPECT_EQ(files.requests.back().title, "Load Configuration");
  EXPECT_EQ(files.requests.back().filter, "Configuration Files (*.cnf)");
  EXPECT_TRUE(sent(*w, "INSET "));
  EXPECT_EQ(sim(*w).setupMemory()[750], edited.SetupMem[750]);
  EXPECT_EQ(presenter.messages.size(), 1u);
}

// Every frame of a 74-frame acquisition file bad: ten checksum boxes, then one that counts
// the other 64; the capture is loaded as it stands.
TEST_F(WindowTest, ADamagedFileShowsTenChecksumBoxesAndCountsTheRest) {
  MemoryImages defaults;
  LoadDefaultImages(defaults, nullptr);
  std::string text = Mem2Hex(defaults.AcqMem, 0, 0, defaults.AcqLen);
  for (size_t p = text.find_first_of(",;"); p != std::string::npos;
       p = text.find_first_of(",;", p + 1)) {
    text[p - 1] = text[p - 1] == '0' ? '1' : '0';
  }
  std::ofstream(dir.file("bad.dat")) << text << "\r\n";
  files.answers = {QStringLiteral("bad.dat")};
  EXPECT_EQ(w->File2Mem("", kAcquisition), "bad");
  ASSERT_EQ(presenter.messages.size(), 11u);
  for (size_t i = 0; i < 10; ++i) {
    EXPECT_EQ(presenter.messages[i].text.rfind(
                  "Checksum Error on Frame:" + std::to_string(i + 1) + "\r\n", 0),
              0u);
  }
  EXPECT_EQ(presenter.messages[10].text, "64 more frames had checksum errors");
  EXPECT_EQ(presenter.messages[10].icon, MsgIcon::None);
  EXPECT_EQ(w->images().AcqLen, defaults.AcqLen);
  EXPECT_EQ(w->images().AcqMem, defaults.AcqMem);
}

TEST_F(WindowTest, SaveAcqProposesTheAcquisitionsNameForTheConfiguration) {
  QDir().mkpath(QStringLiteral("data"));
  QDir().mkpath(QStringLiteral("my.dir"));
  struct Case {
    const char *acqName, *cnfName, *proposed;
  } cases[] = {
      {"data/run1.dat", "data/run1.cnf", "data/run1"},
      {"my.dir/run1.dat", "", "my.dir/run1"},  // a dot in a folder is no extension
      {"", "only.cnf", ""},                    // acquisition dialog cancelled
      {"missing/run2.dat", "", ""},            // a save that fails
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.acqName);
    files.requests.clear();
    files.answers = {QString::fromLatin1(c.acqName), QString::fromLatin1(c.cnfName)};
    w->Tek2DatCmd->click();
    // The configuration is read and offered in every case.
    ASSERT_EQ(files.requests.size(), 2u);
    EXPECT_EQ(files.requests[0].title, "Save FULL Acquisition");
    EXPECT_EQ(files.requests[0].filter, "Acquisition Files (*.dat)");
    EXPECT_EQ(files.requests[1].title, "Save FULL Configuration");
    EXPECT_EQ(files.requests[1].proposed.toStdString(), c.proposed);
  }
  // Only the failed save is reported; the configuration after it is still offered.
  ASSERT_EQ(presenter.messages.size(), 1u);
  EXPECT_EQ(presenter.messages[0].text, "Acquisition not saved: cannot write missing/run2.dat");
  EXPECT_EQ(presenter.messages[0].title, "Local Error");
  EXPECT_EQ(presenter.messages[0].icon, MsgIcon::Exclamation);
  EXPECT_TRUE(Holds(FromFile(dir.file("data/run1.dat"), kAcquisition), sim(*w).acqMemory(),
                    sim(*w).acqLength()));
  EXPECT_EQ(FromFile(dir.file("data/run1.cnf"), kConfiguration).SetupLen, 922);
  EXPECT_EQ(FromFile(dir.file("only.cnf"), kConfiguration).SetupLen, 922);
}

TEST_F(WindowTest, SavedFilesNeverReplaceEachOtherAndLoadBackByTheirProposals) {
  // Names typed without extension, in a folder with a dot; the proposals taken with Enter.
  QDir().mkpath(QStringLiteral("first.last"));
  files.answers = {QStringLiteral("first.last/run1"), ScriptedFiles::kEnter};
  w->Tek2DatCmd->click();
  ASSERT_EQ(files.requests.size(), 2u);
  EXPECT_EQ(files.requests[0].extension, "dat");
  EXPECT_EQ(files.requests[1].proposed, "first.last/run1");
  const CtlRun acq = Ctl({"show", Q(dir.file("first.last/run1.dat"))});
  const CtlRun cnf = Ctl({"show", Q(dir.file("first.last/run1.cnf"))});
  EXPECT_EQ(acq.status, 0) << acq.err;
  EXPECT_NE(acq.out.find("Acquisition, " + std::to_string(sim(*w).acqLength()) + " bytes"),
            std::string::npos)
      << acq.out;
  EXPECT_EQ(cnf.status, 0) << cnf.err;
  EXPECT_NE(cnf.out.find("Configuration, 922 bytes"), std::string::npos) << cnf.out;

  // Loading the acquisition proposes the configuration beside it, and Enter takes it.
  files.requests.clear();
  files.answers = {QStringLiteral("first.last/run1.dat"), ScriptedFiles::kEnter};
  w->Dat2TekCmd->click();
  ASSERT_EQ(files.requests.size(), 2u);
  EXPECT_EQ(files.requests[1].proposed, "first.last/run1");
  EXPECT_TRUE(w->bCnf());
  EXPECT_TRUE(presenter.messages.empty());

  // The acquisition's own name typed into the configuration dialog: asked, and No goes back
  // to the dialog.
  files.answers = {QStringLiteral("first.last/run1.dat"), QStringLiteral("first.last/run1.dat")};
  presenter.answers = {MsgAnswer::No};
  w->Tek2DatCmd->click();
  ASSERT_EQ(presenter.messages.size(), 1u);
  EXPECT_EQ(presenter.messages[0].text, "run1.dat already exists.\nDo you want to replace it?");
  EXPECT_EQ(presenter.messages[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(log.back(), "save:Save FULL Configuration");
  EXPECT_EQ(FromFile(dir.file("first.last/run1.dat"), kAcquisition).AcqLen, sim(*w).acqLength());
}

TEST_F(WindowTest, SaveRefWritesTheReferenceMemoryAsAnAcquisitionFile) {
  files.answers = {QStringLiteral("ref.dat")};
  w->Tek2RefCmd->click();
  EXPECT_TRUE(sent(*w, "REFMEM?"));
  ASSERT_EQ(files.requests.size(), 1u);
  EXPECT_EQ(files.requests[0].title, "Save FULL Acquisition");
  EXPECT_TRUE(
      Holds(FromFile(dir.file("ref.dat"), kReference), sim(*w).refMemory(), sim(*w).refLength()));
}

class LoadCommands : public WindowTest {
 protected:
  void SetUp() override {
    LoadDefaultImages(fileImages, nullptr);
    fileImages.AcqMem[100] = static_cast<uint8_t>(fileImages.AcqMem[100] ^ 0xFF);
    fileImages.SetupMem[900] = static_cast<uint8_t>(fileImages.SetupMem[900] ^ 0x01);
    ASSERT_TRUE(WriteFile(dir.file("run.dat"), fileImages, kAcquisition, 0));
    ASSERT_TRUE(WriteFile(dir.file("run.cnf"), fileImages, kConfiguration, 0));
    WindowTest::SetUp();
    w->GetDisplay->click();  // sets bCnf
  }
  // Runs the command with the dialogs answered by these names.
  void run(QPushButton* command, std::deque<QString> names) {
    sim(*w).transcript().clear();
    files.requests.clear();
    files.answers = std::move(names);
    command->click();
  }
  MemoryImages fileImages;
};

TEST_F(LoadCommands, LoadAcqSendsBothFilesAndSetsbCnfOnlyWhenBothArrive) {
  SimAnalyser& analyser = sim(*w);
  run(w->Dat2TekCmd, {QString()});  // acquisition dialog cancelled
  EXPECT_FALSE(w->bCnf());
  EXPECT_TRUE(analyser.transcript().empty());
  EXPECT_EQ(files.requests.size(), 1u);

  run(w->Dat2TekCmd, {QStringLiteral("run.dat"), QString()});  // configuration cancelled
  EXPECT_TRUE(sent(*w, "ACQMEM "));
  EXPECT_TRUE(sent(*w, "LOAD ACQMEM"));
  EXPECT_FALSE(sent(*w, "INSET "));
  EXPECT_FALSE(w->bCnf());
  EXPECT_EQ(analyser.acqMemory()[100], fileImages.AcqMem[100]);
  ASSERT_EQ(files.requests.size(), 2u);
  EXPECT_EQ(files.requests[0].title, "Load Acquisition");
  EXPECT_EQ(files.requests[1].title, "Load Configuration");
  EXPECT_EQ(files.requests[1].proposed, "run");

  run(w->Dat2TekCmd, {QStringLiteral("run.dat"), QStringLiteral("run.cnf")});
  EXPECT_TRUE(sent(*w, "INSET "));
  EXPECT_EQ(analyser.setupMemory()[900], fileImages.SetupMem[900]);
  EXPECT_TRUE(w->bCnf());

  // A configuration file offered as the acquisition fails: nothing is sent, bCnf drops.
  run(w->Dat2TekCmd, {QStringLiteral("run.cnf")});
  EXPECT_FALSE(w->bCnf());
  EXPECT_FALSE(sent(*w, "ACQMEM "));
  EXPECT_EQ(presenter.messages.back().text, "Bad Acquisition data");
}

TEST_F(LoadCommands, LoadRefSendsTheReferenceAndLeavesbCnfAlone) {
  run(w->Dat2RefCmd, {QString()});
  EXPECT_TRUE(sim(*w).transcript().empty());
  run(w->Dat2RefCmd, {QStringLiteral("run.dat"), QString()});
  EXPECT_TRUE(sent(*w, "REFMEM "));
  EXPECT_TRUE(sent(*w, "LOAD REFMEM"));
  EXPECT_FALSE(sent(*w, "INSET "));
  EXPECT_EQ(sim(*w).refMemory()[100], fileImages.AcqMem[100]);
  EXPECT_EQ(files.requests[1].proposed, "run");
  EXPECT_TRUE(w->bCnf());

  // Nor does a complete load raise it on a fresh window.
  w = start();
  run(w->Dat2RefCmd, {QStringLiteral("run.dat"), QStringLiteral("run.cnf")});
  EXPECT_TRUE(sent(*w, "INSET "));
  EXPECT_EQ(sim(*w).setupMemory()[900], fileImages.SetupMem[900]);
  EXPECT_FALSE(w->bCnf());
}

TEST_F(WindowTest, EditConfigAndGetDisplayReadThenOpenTheirOneWindow) {
  sim(*w).setupMemory()[720] = 0x33;
  w->EditConfig->click();
  EXPECT_TRUE(sent(*w, "INSETUP?"));
  EXPECT_FALSE(sent(*w, "ACQMEM?"));
  EXPECT_EQ(w->images().SetupMem[720], 0x33);
  Editit* editor = w->editor();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->parentWidget(), w.get());
  EXPECT_FALSE(w->bCnf());

  w->GetDisplay->click();
  EXPECT_TRUE(sent(*w, "ACQMEM?"));
  EXPECT_TRUE(w->bCnf());
  EXPECT_EQ(w->images().AcqLen, sim(*w).acqLength());
  DisplayIt* display = w->display();
  ASSERT_NE(display, nullptr);

  // Shown again, each is the same window with what it kept.
  w->EditConfig->click();
  w->GetDisplay->click();
  EXPECT_EQ(w->editor(), editor);
  EXPECT_EQ(w->display(), display);
  EXPECT_EQ(log, (EventLog{"editor", "display", "editor", "display"}));
}

TEST_F(WindowTest, WithoutAnAnalyserTheSettingsDialogComesFirstThenTheReadError) {
  sim(*w).setAddress(0, 9, 0);  // nothing answers at 7 any more
  log.clear();
  w->GetDisplay->click();
  EXPECT_EQ(log, (EventLog{"conf", "message:Data read error"}));
  EXPECT_EQ(presenter.messages[0].title, "Local Error");
  EXPECT_EQ(presenter.messages[0].icon, MsgIcon::Information);
  EXPECT_FALSE(w->bCnf());
  EXPECT_FALSE(sent(*w, "ACQMEM?"));  // the first failed read ends the command
  EXPECT_FALSE(w->Cnx->isHidden());   // the dialog's identification found nobody

  // The editor is not opened, and saving needs a successful read first.
  log.clear();
  EventLog expected;
  for (QPushButton* b : {w->EditConfig, w->Tek2ConfCmd, w->Tek2DatCmd, w->Tek2RefCmd}) {
    b->click();
    expected.insert(expected.end(), {"conf", "message:Data read error"});
  }
  EXPECT_EQ(log, expected);
  EXPECT_EQ(w->images().SetupLen, 0);

  // Putting the right address into the dialog that the read opens lets the read succeed.
  answerConf(QStringLiteral("9"));
  log.clear();
  w->GetDisplay->click();
  EXPECT_EQ(log, (EventLog{"conf", "display"}));
  EXPECT_TRUE(w->Cnx->isHidden());
  EXPECT_EQ(w->connection().PAd, 9);
  EXPECT_FALSE(w->connection().Connected);  // each command closes the connection again
}
