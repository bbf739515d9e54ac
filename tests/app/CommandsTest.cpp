// The eight commands as sequences of dialogs, messages and analyser commands, on the
// simulated analyser with real files in the temp folder.
#include <QPrinterInfo>
#include <fstream>

#include "AppHarness.h"
#include "app/Info.h"
#include "cli/Ctl.h"
#include "display/DisplayIt.h"
#include "memory/DataFiles.h"
#include "memory/DefaultImages.h"
#include "memory/HexCodec.h"

TEST_F(WindowTest, CommandsRunTheirDialogsTransfersAndWorkingWindows) {
  MemoryImages file;
  LoadDefaultImages(file, nullptr);
  file.AcqMem[100] ^= 0xFF;
  file.SetupMem[900] ^= 0x01;
  ASSERT_TRUE(WriteFile(dir.file("run.dat"), file, kAcquisition, 0));
  ASSERT_TRUE(WriteFile(dir.file("run.cnf"), file, kConfiguration, 0));
  std::ofstream(dir.file("empty.cnf")) << "\r\n";
  sim(*w).setupMemory()[800] = 0x5A;
  using M = MainWindow;
  struct Case {
    QPushButton* M::*button;
    const char *names, *shown, *sent;  // sent: commands, with '!' those not sent
    bool bCnf;
  } cases[] = {
      // clang-format off
      {&M::Tek2ConfCmd, "saved.cnf", "save Configuration", "INSETUP?", false},
      {&M::Tek2ConfCmd, "", "save Configuration", "INSETUP?", false},
      {&M::Conf2TekCmd, "", "open Configuration", "!INSET ", false},
      {&M::Conf2TekCmd, "empty.cnf", "open Configuration, Bad Configuration data", "!INSET ", false},
      {&M::Conf2TekCmd, "run.cnf", "open Configuration", "INSET ", false},
      {&M::Tek2RefCmd, "ref.dat", "save Acquisition", "REFMEM?", false},
      {&M::Dat2TekCmd, "", "open Acquisition", "!ACQMEM ", false},
      {&M::Dat2TekCmd, "run.dat", "open Acquisition, open Configuration", "ACQMEM ,LOAD ACQMEM,!INSET ", false},
      {&M::Dat2TekCmd, "run.dat run.cnf", "open Acquisition, open Configuration", "INSET ", true},
      {&M::Dat2RefCmd, "run.dat", "open Acquisition, open Configuration", "REFMEM ,LOAD REFMEM,!INSET ", true},
      {&M::Dat2TekCmd, "run.cnf", "open Acquisition, Bad Acquisition data", "!ACQMEM ", false},
      {&M::Dat2RefCmd, "run.dat run.cnf", "open Acquisition, open Configuration", "INSET ", false},
      {&M::EditConfig, "", "editor", "INSETUP?,!ACQMEM?", false},
      {&M::GetDisplay, "", "display", "INSETUP?,ACQMEM?", true},
      // clang-format on
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(&c - cases) + ": " + c.names);
    log.clear();
    sim(*w).transcript().clear();
    for (const QString& name : QString(c.names).split(' ', Qt::SkipEmptyParts)) {
      names.push_back(name);
    }
    (w.get()->*c.button)->click();
    EXPECT_EQ(log, c.shown);
    for (const QString& s : QString(c.sent).split(',')) {
      EXPECT_EQ(sent(*w, s.mid(s[0] == '!').toStdString()), s[0] != '!') << s.toStdString();
    }
    EXPECT_EQ(w->bCnf(), c.bCnf);
  }
  EXPECT_EQ(requests[0].title + ", " + requests[0].filter + ", " + requests[5].filter,
            "Save FULL Configuration, Configuration Files (*.cnf), Acquisition Files (*.dat)");
  EXPECT_EQ(requests[0].startDir, QDir::currentPath());
  EXPECT_EQ(messages[0].title, "Local Error");
  // What went to the analyser and into the files is what was read.
  EXPECT_EQ(sim(*w).acqMemory()[100], file.AcqMem[100]);
  EXPECT_EQ(sim(*w).refMemory()[100], file.AcqMem[100]);
  EXPECT_EQ(sim(*w).setupMemory()[900], file.SetupMem[900]);
  ASSERT_TRUE(ReadFile(dir.file("saved.cnf"), file, kConfiguration, nullptr));
  EXPECT_EQ(file.SetupMem[800], 0x5A);
}

// Every frame of a 74-frame acquisition file bad: ten checksum boxes, then one that counts
// the other 64.
TEST_F(WindowTest, ADamagedFileShowsTenChecksumBoxesAndCountsTheRest) {
  MemoryImages defaults;
  LoadDefaultImages(defaults, nullptr);
  std::string text = Mem2Hex(defaults.AcqMem, 0, 0, defaults.AcqLen);
  for (size_t p = text.find_first_of(",;"); p != std::string::npos;
       p = text.find_first_of(",;", p + 1)) {
    text[p - 1] = text[p - 1] == '0' ? '1' : '0';
  }
  std::ofstream(dir.file("bad.dat")) << text << "\r\n";
  names = {QStringLiteral("bad.dat")};
  EXPECT_EQ(w->File2Mem("", kAcquisition), "bad");
  ASSERT_EQ(messages.size(), 11u);
  EXPECT_EQ(messages[9].text.rfind("Checksum Error on Frame:10\r\n", 0), 0u);
  EXPECT_EQ(messages[10].text, "64 more frames had checksum errors");
}

// Names typed without extension, in a folder with a dot, proposals taken with Enter: the
// two files never replace each other and load back by their proposals.
TEST_F(WindowTest, SaveAcqProposesTheAcquisitionsNameForTheConfiguration) {
  QDir().mkpath(QStringLiteral("first.last"));
  const std::array<const char*, 3> cases[] = {
      {"first.last/run1", "<Enter>", "first.last/run1"},  // acquisition, configuration, proposed
      {"", "only.cnf", ""},                               // acquisition dialog cancelled
      {"missing/run2.dat", "", nullptr},                  // a save that fails ends the command
  };
  for (const auto& [acqName, cnfName, proposed] : cases) {
    SCOPED_TRACE(acqName);
    requests.clear();
    names = {QString::fromLatin1(acqName), QString::fromLatin1(cnfName)};
    w->Tek2DatCmd->click();
    EXPECT_EQ(requests[0].extension, "dat");
    ASSERT_EQ(requests.size(), proposed != nullptr ? 2u : 1u);
    if (proposed == nullptr) continue;
    EXPECT_EQ(requests[1].title, "Save FULL Configuration");
    EXPECT_EQ(requests[1].proposed.toStdString(), proposed);
  }
  // Only the failed save is reported.
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text,
            "Acquisition not saved: cannot write missing/run2.dat: No such file or directory");
  const std::string acqBytes = std::to_string(sim(*w).acqLength()) + " bytes";
  for (const auto& [file, kind] :
       {std::pair<std::string, std::string>{"first.last/run1.dat", "Acquisition, " + acqBytes},
        {"first.last/run1.cnf", "Configuration, 922 bytes"}}) {
    const CtlRun shown = Ctl({"show", Q(dir.file(file))});
    EXPECT_NE(shown.out.find(kind), std::string::npos) << shown.out << shown.err;
  }

  // Loading the acquisition proposes the configuration beside it, and Enter takes it.
  requests.clear();
  names = {QStringLiteral("first.last/run1.dat"), kEnter};
  w->Dat2TekCmd->click();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].proposed, "first.last/run1");
  EXPECT_TRUE(w->bCnf());

  // The acquisition's own name typed into the configuration dialog: asked, No goes back to
  // the dialog (cancelled there), Yes replaces it.
  const std::string replace = "r.dat already exists.\nDo you want to replace it?";
  for (const MsgAnswer answer : {MsgAnswer::No, MsgAnswer::Yes}) {
    log.clear();
    names = {QStringLiteral("first.last/r.dat"), QStringLiteral("first.last/r.dat")};
    answers = {answer};
    w->Tek2DatCmd->click();
    EXPECT_EQ(log, answer == MsgAnswer::No
                       ? "save Acquisition, save Configuration, " + replace + ", save Configuration"
                       : "save Acquisition, save Configuration, " + replace);
    MemoryImages kept;
    EXPECT_EQ(ReadFile(dir.file("first.last/r.dat"), kept, kAcquisition, nullptr),
              answer == MsgAnswer::No);
  }
}

TEST_F(WindowTest, WithoutAnAnalyserTheSettingsDialogComesFirstThenTheReadError) {
  sim(*w).setAddress(0, 9, 0);  // nothing answers at 7 any more
  for (QPushButton* b :
       {w->GetDisplay, w->EditConfig, w->Tek2ConfCmd, w->Tek2DatCmd, w->Tek2RefCmd}) {
    log.clear();
    b->click();
    EXPECT_EQ(log, "conf, Data read error") << b->text().toStdString();
  }
  EXPECT_FALSE(w->Cnx->isHidden());  // the dialog's identification found nobody

  // The right address put into the dialog that the read opens lets the read succeed.
  onConf = [](Conf& conf) { conf.vVal[1]->setText(QStringLiteral("9")), conf.OK_Click(); };
  log.clear();
  w->GetDisplay->click();
  EXPECT_EQ(log, "conf, display");
  EXPECT_EQ(w->connection().PAd, 9);
  EXPECT_TRUE(w->Cnx->isHidden());  // identified again after the dialog
}

// The Data window's compare reads the reference memory through the main window's link into
// an image of its own; the acquisition image stays as it was.
TEST_F(WindowTest, ReferenceReadIntoItsOwnImage) {
  sim(*w).refMemory()[700] = 0x5A;
  const auto before = w->images().AcqMem;
  auto reference = std::make_unique<MemoryImages>();
  ASSERT_TRUE(w->ReadReference(*reference));
  EXPECT_TRUE(sent(*w, "REFMEM?"));
  EXPECT_EQ(reference->AcqMem[700], 0x5A);
  EXPECT_EQ(w->images().AcqMem, before);
}

// A file holding less than its header announces is named with both counts before anything
// goes to the analyser: No sends nothing, Yes sends it as Load Acq and Load Ref do.
TEST_F(WindowTest, ACutAcquisitionIsSentOnlyWhenTheOperatorSaysSo) {
  MemoryImages file;
  LoadDefaultImages(file, nullptr);
  ASSERT_TRUE(WriteFile(dir.file("run.cnf"), file, kConfiguration, 0));
  file.AcqLen = 1320;
  ASSERT_TRUE(WriteFile(dir.file("cut.dat"), file, kAcquisition, 0));
  const std::string warning =
      "cut.dat holds 1320 of the 3539 bytes its header announces; missing samples read as "
      "0.\nSend it anyway?";
  const std::tuple<QPushButton*, MsgAnswer, const char*> cases[] = {
      {w->Dat2TekCmd, MsgAnswer::No, "!ACQMEM "},
      {w->Dat2TekCmd, MsgAnswer::Yes, "ACQMEM "},
      {w->Dat2RefCmd, MsgAnswer::No, "!REFMEM "},
      {w->Dat2RefCmd, MsgAnswer::Yes, "REFMEM "},
  };
  for (const auto& [button, answer, sentOrNot] : cases) {
    SCOPED_TRACE(sentOrNot);
    log.clear();
    sim(*w).transcript().clear();
    names = {QStringLiteral("cut.dat"), QStringLiteral("run.cnf")};
    answers = {answer};
    button->click();
    const std::string opened = "open Acquisition, " + warning;
    EXPECT_EQ(log, answer == MsgAnswer::Yes ? opened + ", open Configuration" : opened);
    EXPECT_EQ(sent(*w, &sentOrNot[sentOrNot[0] == '!']), sentOrNot[0] != '!');
    EXPECT_EQ(sent(*w, "INSET "), answer == MsgAnswer::Yes);
  }
}

// "Not connected" follows the link: shown once the analyser stops answering, hidden by the
// next transfer that goes through, shown again by a send that cannot reach it.
TEST_F(WindowTest, NotConnectedFollowsTheLastTransfer) {
  onConf = [](Conf& conf) { conf.reject(); };
  const std::tuple<int, QPushButton*, const char*, bool> cases[] = {
      {9, w->GetDisplay, "", true},
      {7, w->Tek2ConfCmd, "ok.cnf", false},
      {9, w->Conf2TekCmd, "ok.cnf", true},
      {7, w->Conf2TekCmd, "ok.cnf", false},
  };
  for (const auto& [pad, button, name, shown] : cases) {
    SCOPED_TRACE(button->text().toStdString() + " " + std::to_string(pad));
    sim(*w).setAddress(0, static_cast<int16_t>(pad), 0);
    names = {QString::fromLatin1(name)};
    button->click();
    EXPECT_EQ(w->Cnx->isHidden(), !shown);
  }
}

// The status line says what each command did; file dialogs start where that kind was last
// opened or saved (kept for the instance), and a print without printer goes there too.
TEST_F(WindowTest, StatusLineAndFoldersFollowTheCommands) {
  if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "a printer is installed";
  QDir().mkpath(QStringLiteral("acq"));
  const QString here = QDir::currentPath(), acq = here + "/acq";
  const std::string bytes = std::to_string(sim(*w).refLength());
  struct Case {
    QPushButton* button;
    const char* names;
    std::string status;
  } cases[] = {
      {w->Tek2RefCmd, "acq/r1",
       "Read the reference (" + bytes + " bytes) into " + acq.toStdString() + "/r1.dat"},
      {w->Tek2ConfCmd, "c1",
       "Read the configuration (922 bytes) into " + here.toStdString() + "/c1.cnf"},
      {w->Conf2TekCmd, "c1.cnf", "Sent the configuration (922 bytes)"},
      {w->Tek2RefCmd, "", "Read the reference (" + bytes + " bytes)"},
  };
  for (const Case& c : cases) {
    names = {QString::fromLatin1(c.names)};
    c.button->click();
    EXPECT_EQ(w->status().toStdString(), c.status);
    EXPECT_EQ(w->Status->toolTip(), w->status());
  }
  EXPECT_EQ(requests.back().startDir.toStdString(), acq.toStdString());
  EXPECT_EQ(std::tuple(stored(kMain, "FolderDat"), stored(kMain, "FolderCnf")),
            std::tuple(acq, here));

  sim(*w).setAddress(0, 9, 0);
  onConf = [](Conf& conf) { conf.reject(); };
  w->GetDisplay->click();
  EXPECT_EQ(w->status().toStdString(), "Reading the configuration failed");

  // A new start of the instance opens its dialogs where the last ones were.
  w.reset();
  w = start();
  requests.clear();
  names = {QStringLiteral("acq/r1.dat")};
  w->File2Mem("", kAcquisition);
  EXPECT_EQ(requests[0].startDir.toStdString(), acq.toStdString());
  EXPECT_EQ(w->status().toStdString(),
            "Loaded the acquisition (" + bytes + " bytes) from " + acq.toStdString() + "/r1.dat");
  w->GetDisplay->click();
  ASSERT_NE(w->display(), nullptr);
  QTimer::singleShot(0, [] {
    if (auto* info = qobject_cast<Info*>(QApplication::activeModalWidget())) info->OK->click();
  });
  const QString pdf = w->display()->PrintDisplay();
  EXPECT_EQ(QFileInfo(pdf).absolutePath().toStdString(), acq.toStdString());
  EXPECT_EQ(messages.back().text,
            "No printer is installed. The page was saved as " + pdf.toStdString());
}
