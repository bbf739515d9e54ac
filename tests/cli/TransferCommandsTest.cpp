// logiremctl id, read and write, run as the real program against the simulated analyser.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "memory/DefaultImages.h"
#include "memory/HexCodec.h"
#include "memory/MemoryImages.h"
#include "support/TempDir.h"

namespace {
struct CtlRun {
  int status = -1;
  std::string out, err;
};

CtlRun ctl(const QStringList& args, const QString& library = {}) {
  QProcess p;
  if (!library.isEmpty()) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LOGIREM_GPIB_LIBRARY", library);
    p.setProcessEnvironment(env);
  }
  p.start(LOGIREM_BINARY_DIR "/src/cli/logiremctl", args);
  CtlRun r;
  if (!p.waitForFinished(20000) || p.exitStatus() != QProcess::NormalExit) return r;
  r.status = p.exitCode();
  r.out = p.readAllStandardOutput().toStdString();
  r.err = p.readAllStandardError().toStdString();
  return r;
}

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

size_t occurrences(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}
}  // namespace

TEST(TransferCommands, IdPrintsTypeVersionsSlotsAndCounts) {
  const CtlRun r = ctl({"--interface", "sim", "id"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "Type: TEK/1241\nSystem version: 2.1\nCommunication version: 1.4\n"
            "Slot 0:  9 bits card\nSlot 1: 18 bits card\nSlot 2: 18 bits card\nSlot 3: None\n"
            "9-bit cards: 1\n18-bit cards: 2\n");
  EXPECT_EQ(r.err, "");
}

TEST(TransferCommands, ReadSetupToAFileAndWriteItBack) {
  TempDir dir;
  const std::string cnf = dir.file("setup.cnf");
  const CtlRun got = ctl({"--interface", "sim", "read", "setup", QString::fromStdString(cnf)});
  ASSERT_EQ(got.status, 0) << got.err;
  // The analyser starts with the default setup, so the file holds its 20 frames.
  EXPECT_EQ(slurp(cnf), DefaultConfigText().substr(6) + "\r\n");
  EXPECT_EQ(got.out, "Read 922 bytes of Configuration into " + cnf + "\n");

  const CtlRun sent = ctl({"--interface", "sim", "write", "setup", QString::fromStdString(cnf)});
  EXPECT_EQ(sent.status, 0) << sent.err;
  EXPECT_EQ(sent.out, "Wrote 922 bytes of Configuration from " + cnf + "\n");
  EXPECT_EQ(sent.err, "");
}

TEST(TransferCommands, AcquisitionAndReferenceFiles) {
  TempDir dir;
  const std::string acq = dir.file("a.dat");
  const std::string ref = dir.file("r.dat");
  ASSERT_EQ(ctl({"read", "acq", QString::fromStdString(acq)}).status, 0);
  ASSERT_EQ(ctl({"read", "ref", QString::fromStdString(ref)}).status, 0);
  const std::string a = slurp(acq);
  EXPECT_EQ(a.substr(0, 10), "#H34000000");
  EXPECT_EQ(a.size(),
            static_cast<size_t>(Mem2Hex(std::vector<uint8_t>(3539), 0, 0, 3539).size() + 2));
  EXPECT_NE(a, slurp(ref));  // the two memories hold different captures
  const CtlRun w = ctl({"write", "ref", QString::fromStdString(acq)});
  EXPECT_EQ(w.status, 0) << w.err;
  EXPECT_EQ(w.out, "Wrote 3539 bytes of Acquisition from " + acq + "\n");
}

TEST(TransferCommands, NoAnalyserAtTheAddressFails) {
  TempDir dir;
  const CtlRun id = ctl({"--pad", "9", "id"});
  EXPECT_EQ(id.status, 1);
  EXPECT_EQ(id.out, "");
  EXPECT_EQ(id.err, "Not connected: no analyser at board 0, PAD 9, SAD 0\n");

  const std::string file = dir.file("x.cnf");
  const CtlRun got =
      ctl({"--board", "0", "--pad", "9", "read", "setup", QString::fromStdString(file)});
  EXPECT_EQ(got.status, 1);
  EXPECT_EQ(got.err, "Local Error: Data read error\n");
  EXPECT_FALSE(std::filesystem::exists(file));  // nothing read, nothing saved

  ASSERT_EQ(ctl({"read", "setup", QString::fromStdString(file)}).status, 0);
  const CtlRun sent = ctl({"--sad", "3", "write", "setup", QString::fromStdString(file)});
  EXPECT_EQ(sent.status, 1);
  EXPECT_EQ(sent.err, "Logirem: Data write error\n");
}

TEST(TransferCommands, TraceShowsEveryDriverCall) {
  const CtlRun r = ctl({"--trace", "id"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(occurrences(r.err, "gpib: ib"), 7u) << r.err;  // the seven calls of one identification
  EXPECT_NE(r.err.find("gpib: ibdev(0, 7, 0, 13, 1, 0) -> 1  ibsta=0100"), std::string::npos);
  EXPECT_NE(r.err.find("gpib: ibwrt(1, \"ID?\", 3)"), std::string::npos);
  EXPECT_NE(r.err.find("received \"TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:1,2,2,0\""), std::string::npos);
  EXPECT_EQ(r.out.substr(0, 14), "Type: TEK/1241");
}

TEST(TransferCommands, MissingDriverLibraryIsReportedOnce) {
  TempDir dir;
  const QString missing = "/nonexistent/libgpib-gone.so";
  const std::string message =
      "Logirem: File not found: /nonexistent/libgpib-gone.so\n  Install National Instruments "
      "drivers\n";
  const CtlRun id = ctl({"--interface", "gpib", "id"}, missing);
  EXPECT_EQ(id.status, 1);
  EXPECT_EQ(id.err, message);
  const CtlRun got = ctl(
      {"--interface", "gpib", "read", "acq", QString::fromStdString(dir.file("a.dat"))}, missing);
  EXPECT_EQ(got.status, 1);
  EXPECT_EQ(got.err, message);
}

TEST(TransferCommands, BadFilesAndDamagedImagesAreNotSent) {
  TempDir dir;
  const std::string empty = dir.file("empty.cnf");
  std::ofstream(empty) << "\r\n";
  const CtlRun r1 = ctl({"write", "setup", QString::fromStdString(empty)});
  EXPECT_EQ(r1.status, 1);
  EXPECT_EQ(r1.err, "logiremctl: " + empty + ": Bad Configuration data\n");

  // A configuration file offered as an acquisition starts at the wrong address.
  const std::string cnf = dir.file("s.cnf");
  std::ofstream(cnf) << DefaultConfigText().substr(6) << "\r\n";
  const CtlRun r2 = ctl({"write", "acq", QString::fromStdString(cnf)});
  EXPECT_EQ(r2.status, 1);
  EXPECT_EQ(r2.err, "logiremctl: " + cnf + ": Bad Acquisition data\n");

  // A setup file too short to hold the portions the analyser takes back.
  MemoryImages images;
  const std::string shortFile = dir.file("short.cnf");
  std::ofstream(shortFile) << Mem2Hex(images.SetupMem, 65536, 0, 700) << "\r\n";
  const CtlRun r3 = ctl({"write", "setup", QString::fromStdString(shortFile)});
  EXPECT_EQ(r3.status, 1);
  EXPECT_EQ(r3.err, "Logirem: Data write error\n");
}

TEST(TransferCommands, UsageErrors) {
  EXPECT_EQ(ctl({"--interface", "serial", "id"}).status, 2);
  EXPECT_EQ(ctl({"read", "setup"}).status, 2);
  EXPECT_EQ(ctl({"read", "memory", "x.cnf"}).status, 2);
  EXPECT_EQ(ctl({"write", "acq"}).status, 2);
  EXPECT_EQ(ctl({"id", "extra"}).status, 2);
}
