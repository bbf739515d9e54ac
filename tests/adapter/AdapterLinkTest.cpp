// logiremctl through the adapter emulator (logiremctl serve), both run as the real programs,
// over loopback TCP and a pseudo-terminal.
#include <filesystem>

#include "cli/Ctl.h"
#include "memory/DataFiles.h"
#include "memory/MemoryImages.h"
#include "support/Emulator.h"

namespace {
QStringList Through(const Emulator& e, const QString& words) {
  return QStringList{"--interface", "prologix", "--port", e.qport()} + words.split(' ');
}
}  // namespace

// Read through the adapter, every memory is byte for byte what the direct simulated analyser
// gives; written through it, the two captures change places in the analyser. Replies headed
// with the command's name read the same.
TEST(AdapterLink, EveryCommandMatchesTheSimulatedAnalyserOverTcpAndPty) {
  TempDir dir;
  const QString at = Q(dir.path().string()) + "/";
  const CtlRun simId = Ctl({"--interface", "sim", "id"});
  for (const char* kind : {"setup", "acq", "ref"})
    ASSERT_EQ(Ctl({"--interface", "sim", "read", kind, at + "s-" + kind}).status, 0);
  for (const char* serve : {"serve --listen tcp:127.0.0.1:0", "serve --listen pty",
                            "serve --listen tcp:127.0.0.1:0 --reply-style headed"}) {
    SCOPED_TRACE(serve);
    Emulator e(QString(serve).split(' '));
    const CtlRun id = Ctl(Through(e, "id"));
    EXPECT_EQ(id.out + id.err, simId.out);
    for (const char* kind : {"setup", "acq", "ref"}) {
      ASSERT_EQ(Ctl(Through(e, QString("read %1 %2a-%1").arg(kind, at))).status, 0);
      EXPECT_EQ(Slurp(dir.file(std::string("a-") + kind)),
                Slurp(dir.file(std::string("s-") + kind)));
    }
    const CtlRun w = Ctl(Through(e, "write acq " + at + "a-ref"));
    EXPECT_EQ(w.out + w.err, "Wrote 3539 bytes of Acquisition from " + dir.file("a-ref") + "\n");
    for (const char* line : {"write ref %1a-acq", "write setup %1a-setup", "read acq %1b-ref",
                             "read ref %1b-acq", "read setup %1b-setup"}) {
      ASSERT_EQ(Ctl(Through(e, QString(line).arg(at))).status, 0) << line;
    }
    for (const char* kind : {"setup", "acq", "ref"})
      EXPECT_EQ(Slurp(dir.file(std::string("b-") + kind)),
                Slurp(dir.file(std::string("s-") + kind)));
  }
}

TEST(AdapterLink, FaultsGiveTheUsualMessagesAndLeaveFilesAlone) {
  TempDir dir;
  const std::string cnf = dir.file("keep.cnf");
  ASSERT_EQ(Ctl({"--interface", "sim", "read", "setup", Q(cnf)}).status, 0);
  const std::string kept = Slurp(cnf);
  const std::tuple<QString, QString, std::string> cases[] = {
      {"no-device", "id",
       "Not connected: no analyser at board 0, PAD 7, SAD 0\nlogiremctl: No device answers at "
       "PAD 7 on PORT\n"},
      {"no-device", "read setup FILE",
       "Local Error: Data read error\n  No device answers at PAD 7 on PORT\n"},
      {"no-device", "write setup FILE",
       "Logirem: Data write error\n  No device answers at PAD 7 on PORT\n"},
      // Dropped in the middle of the acquisition's reply.
      {"drop:500", "read acq FILE",
       "Local Error: Data read error\n  The adapter on PORT went away\n"},
      // An Ethernet adapter that closes at once is serving another program.
      {"drop:20", "id",
       "Not connected: no analyser at board 0, PAD 7, SAD 0\nlogiremctl: the adapter at ADDR "
       "is in use by another program\n"}};
  for (const auto& [fault, command, err] : cases) {
    SCOPED_TRACE((fault + " " + command).toStdString());
    Emulator e({"serve", "--listen", "tcp:127.0.0.1:0", "--fault", fault});
    const CtlRun r = Ctl(Through(e, QString(command).replace("FILE", Q(cnf))));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              Q(err).replace("PORT", e.qport()).replace("ADDR", e.qport().mid(4)).toStdString());
    EXPECT_EQ(Slurp(cnf), kept);
  }
}

// Acquisitions whose replies run over several reads (11,365 and 56,789 characters) come back
// whole; a reply cut off on its way leaves the file as it was.
TEST(AdapterLink, LongRepliesReadWholeAndACutOneLeavesTheFile) {
  TempDir dir;
  MemoryImages images;
  for (size_t i = 0; i < images.AcqMem.size(); ++i) images.AcqMem[i] = uint8_t(i * 13 + i / 512);
  Emulator e;
  for (const int16_t length : {int16_t{5000}, int16_t{25001}}) {
    SCOPED_TRACE(length);
    images.AcqLen = length;
    const std::string sent = dir.file("sent.dat"), got = dir.file("got.dat");
    ASSERT_TRUE(WriteFile(sent, images, kAcquisition, 0));
    ASSERT_EQ(Ctl(Through(e, "write acq " + Q(sent))).status, 0);
    const CtlRun r = Ctl(Through(e, "read acq " + Q(got)));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Slurp(got) == Slurp(sent));  // not printed: tens of thousands of characters
  }
  Emulator cutting({"serve", "--listen", "tcp:127.0.0.1:0", "--fault", "drop:30000"});
  const std::string kept = dir.file("sent.dat"), before = Slurp(kept);
  ASSERT_EQ(Ctl(Through(cutting, "write acq " + Q(kept))).status, 0);
  const CtlRun r = Ctl(Through(cutting, "read acq " + Q(kept)));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind("Local Error: Data read error\n", 0), 0u) << r.err;  // a cause may follow
  EXPECT_TRUE(Slurp(kept) == before);
}

TEST(AdapterLink, SecondaryAddressSelectsTheAnalyser) {
  Emulator e({"--sad", "3", "serve", "--listen", "tcp:127.0.0.1:0"});
  for (const auto& [address, status] :
       {std::pair{"--sad 3 id", 0}, {"--sad 99 id", 0}, {"id", 1}, {"--sad 4 id", 1}}) {
    EXPECT_EQ(Ctl(Through(e, address)).status, status) << address;
  }
}

// The adapter's traffic shows with its control bytes made visible; without --port the stored
// port is used, and with none stored it is a usage error.
TEST(AdapterLink, TraceAndTheStoredPort) {
  Emulator e;
  const CtlRun r = Ctl(Through(e, "--trace id"));
  EXPECT_NE(r.err.find("adapter< \"TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:1,2,2,0\\x04\""),
            std::string::npos)
      << r.err;
  TempDir home;
  const QString config = Q(home.path().string());
  const CtlRun none = Ctl({"--interface", "prologix", "id"}, {}, config);
  EXPECT_EQ(none.status, 2);
  EXPECT_EQ(none.err.substr(0, none.err.find('\n')),
            "logiremctl: --interface prologix needs --port (no port is stored)");
  std::filesystem::create_directories(home.path() / "Varnok Software");
  Put(home.file("Varnok Software/Logirem.ini"), "[Logirem]\nPort=" + e.port() + "\n");
  EXPECT_EQ(Ctl({"--interface", "prologix", "id"}, {}, config).out.substr(0, 14), "Type: TEK/1241");
}
