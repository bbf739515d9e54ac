// logiremctl id, read and write, run as the real program against the simulated analyser.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/Ctl.h"
#include "memory/DefaultImages.h"
#include "memory/HexCodec.h"
#include "memory/MemoryImages.h"
#include "support/Files.h"
#include "support/TempDir.h"

TEST(TransferCommands, IdPrintsTypeVersionsSlotsAndCounts) {
  const CtlRun r = Ctl({"--interface", "sim", "id"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "Type: TEK/1241\nSystem version: 2.1\nCommunication version: 1.4\n"
            "Slot 0:  9 bits card\nSlot 1: 18 bits card\nSlot 2: 18 bits card\nSlot 3: None\n"
            "9-bit cards: 1\n18-bit cards: 2\n");
  EXPECT_EQ(r.err, "");
}

TEST(TransferCommands, ReadEachMemoryToAFileAndWriteItBack) {
  TempDir dir;
  const std::string cnf = dir.file("setup.cnf"), acq = dir.file("a.dat"), ref = dir.file("r.dat");
  const CtlRun got = Ctl({"--interface", "sim", "read", "setup", Q(cnf)});
  ASSERT_EQ(got.status, 0) << got.err;
  // The analyser starts with the default setup, so the file holds its 20 frames.
  EXPECT_EQ(Slurp(cnf), DefaultConfigText().substr(6) + "\r\n");
  EXPECT_EQ(got.out, "Read 922 bytes of Configuration into " + cnf + "\n");
  const CtlRun sent = Ctl({"--interface", "sim", "write", "setup", Q(cnf)});
  EXPECT_EQ(sent.status, 0) << sent.err;
  EXPECT_EQ(sent.out, "Wrote 922 bytes of Configuration from " + cnf + "\n");
  EXPECT_EQ(sent.err, "");

  ASSERT_EQ(Ctl({"read", "acq", Q(acq)}).status, 0);
  ASSERT_EQ(Ctl({"read", "ref", Q(ref)}).status, 0);
  EXPECT_EQ(Slurp(acq).size(), Mem2Hex(std::vector<uint8_t>(3539), 0, 0, 3539).size() + 2);
  EXPECT_NE(Slurp(acq), Slurp(ref));  // the two memories hold different captures
  const CtlRun w = Ctl({"write", "ref", Q(acq)});
  EXPECT_EQ(w.status, 0) << w.err;
  EXPECT_EQ(w.out, "Wrote 3539 bytes of Acquisition from " + acq + "\n");
}

TEST(TransferCommands, NoAnalyserAtTheAddressFails) {
  TempDir dir;
  const CtlRun id = Ctl({"--pad", "9", "id"});
  EXPECT_EQ(id.status, 1);
  EXPECT_EQ(id.out, "");
  EXPECT_EQ(id.err, "Not connected: no analyser at board 0, PAD 9, SAD 0\n");

  const std::string file = dir.file("x.cnf");
  const CtlRun got = Ctl({"--board", "0", "--pad", "9", "read", "setup", Q(file)});
  EXPECT_EQ(got.status, 1);
  EXPECT_EQ(got.err, "Local Error: Data read error\n");
  EXPECT_FALSE(std::filesystem::exists(file));  // nothing read, nothing saved

  ASSERT_EQ(Ctl({"read", "setup", Q(file)}).status, 0);
  const CtlRun sent = Ctl({"--sad", "3", "write", "setup", Q(file)});
  EXPECT_EQ(sent.status, 1);
  EXPECT_EQ(sent.err, "Logirem: Data write error\n");
}

TEST(TransferCommands, TraceShowsEveryDriverCall) {
  const CtlRun r = Ctl({"--trace", "id"});
  EXPECT_EQ(r.status, 0);
  size_t calls = 0;
  for (size_t p = r.err.find("gpib: ib"); p != std::string::npos; p = r.err.find("gpib: ib", p + 1))
    ++calls;
  EXPECT_EQ(calls, 7u) << r.err;  // the seven calls of one identification
  EXPECT_NE(r.err.find("received \"TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:1,2,2,0\""), std::string::npos);
  EXPECT_EQ(r.out.substr(0, 14), "Type: TEK/1241");
}

TEST(TransferCommands, MissingDriverLibraryIsReportedOnce) {
  TempDir dir;
  const QString missing = "/nonexistent/libgpib-gone.so";
  const std::string message =
      "Logirem: File not found: /nonexistent/libgpib-gone.so\n  Install National Instruments "
      "drivers\n";
  for (const QStringList& args :
       {QStringList{"--interface", "gpib", "id"},
        QStringList{"--interface", "gpib", "read", "acq", Q(dir.file("a.dat"))}}) {
    const CtlRun r = Ctl(args, missing);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, message);
  }
}

TEST(TransferCommands, BadFilesAndDamagedImagesAreNotSent) {
  TempDir dir;
  MemoryImages images;
  const std::string empty = dir.file("empty.cnf"), cnf = dir.file("s.cnf"),
                    shortFile = dir.file("short.cnf");
  Put(empty, "\r\n");
  Put(cnf, DefaultConfigText().substr(6) + "\r\n");
  // Too short to hold the portions the analyser takes back.
  Put(shortFile, Mem2Hex(images.SetupMem, 65536, 0, 700) + "\r\n");
  const struct {
    const char* kind;
    std::string file, err;
  } cases[] = {
      {"setup", empty, "logiremctl: " + empty + ": Bad Configuration data\n"},
      // A configuration file offered as an acquisition starts at the wrong address.
      {"acq", cnf, "logiremctl: " + cnf + ": Bad Acquisition data\n"},
      {"setup", shortFile, "Logirem: Data write error\n"},
      {"acq", dir.file("missing.dat"),
       "logiremctl: " + dir.file("missing.dat") + ": cannot open the file\n"},
  };
  for (const auto& c : cases) {
    const CtlRun r = Ctl({"write", c.kind, Q(c.file)});
    EXPECT_EQ(r.status, 1) << c.file;
    EXPECT_EQ(r.err, c.err);
  }
}

TEST(TransferCommands, UsageErrors) {
  for (const QStringList& args :
       {QStringList{"--interface", "serial", "id"}, QStringList{"read", "setup"},
        QStringList{"read", "memory", "x.cnf"}, QStringList{"write", "acq"},
        QStringList{"id", "extra"}}) {
    EXPECT_EQ(Ctl(args).status, 2) << args.join(' ').toStdString();
  }
}
