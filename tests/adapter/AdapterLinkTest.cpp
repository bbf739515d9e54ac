// logiremctl through the adapter emulator (logiremctl serve), both run as the real programs,
// over loopback TCP and a pseudo-terminal.
#include <gtest/gtest.h>

#include <QDir>
#include <filesystem>

#include "cli/Ctl.h"
#include "support/Emulator.h"
#include "support/Files.h"
#include "support/TempDir.h"

namespace {
QStringList Through(const Emulator& e, QStringList args) {
  return QStringList{"--interface", "prologix", "--port", e.qport()} + args;
}
}  // namespace

TEST(AdapterLink, EveryCommandMatchesTheSimulatedAnalyserOverTcpAndPty) {
  TempDir dir;
  const CtlRun simId = Ctl({"--interface", "sim", "id"});
  for (const char* listen : {"tcp:127.0.0.1:0", "pty"}) {
    SCOPED_TRACE(listen);
    Emulator e({"serve", "--listen", listen});
    ASSERT_FALSE(e.port().empty());
    const CtlRun id = Ctl(Through(e, {"id"}));
    EXPECT_EQ(id.status, 0) << id.err;
    EXPECT_EQ(id.out, simId.out);
    EXPECT_EQ(id.err, "");
    for (const char* kind : {"setup", "acq", "ref"}) {
      const std::string viaAdapter = dir.file(std::string("a-") + kind);
      const std::string direct = dir.file(std::string("s-") + kind);
      ASSERT_EQ(Ctl(Through(e, {"read", kind, Q(viaAdapter)})).status, 0) << kind;
      ASSERT_EQ(Ctl({"--interface", "sim", "read", kind, Q(direct)}).status, 0);
      EXPECT_EQ(Slurp(viaAdapter), Slurp(direct)) << kind;
    }
    // Written through the adapter, the two captures change places in the analyser.
    const CtlRun w1 = Ctl(Through(e, {"write", "acq", Q(dir.file("a-ref"))}));
    EXPECT_EQ(w1.out, "Wrote 3539 bytes of Acquisition from " + dir.file("a-ref") + "\n");
    ASSERT_EQ(Ctl(Through(e, {"write", "ref", Q(dir.file("a-acq"))})).status, 0);
    ASSERT_EQ(Ctl(Through(e, {"write", "setup", Q(dir.file("a-setup"))})).status, 0);
    ASSERT_EQ(Ctl(Through(e, {"read", "acq", Q(dir.file("b-acq"))})).status, 0);
    ASSERT_EQ(Ctl(Through(e, {"read", "ref", Q(dir.file("b-ref"))})).status, 0);
    ASSERT_EQ(Ctl(Through(e, {"read", "setup", Q(dir.file("b-setup"))})).status, 0);
    EXPECT_EQ(Slurp(dir.file("b-acq")), Slurp(dir.file("s-ref")));
    EXPECT_EQ(Slurp(dir.file("b-ref")), Slurp(dir.file("s-acq")));
    EXPECT_EQ(Slurp(dir.file("b-setup")), Slurp(dir.file("s-setup")));
  }
}

TEST(AdapterLink, FaultsGiveTheUsualMessagesAndLeaveFilesAlone) {
  TempDir dir;
  const std::string cnf = dir.file("keep.cnf");
  ASSERT_EQ(Ctl({"--interface", "sim", "read", "setup", Q(cnf)}).status, 0);
  const std::string kept = Slurp(cnf);
  struct Case {
    QStringList serve;  // the emulator's options after --listen
    QStringList command;
    std::string err;
  } cases[] = {
      {{"--fault", "no-device"}, {"id"}, "Not connected: no analyser at board 0, PAD 7, SAD 0\n"},
      {{"--fault", "no-device"}, {"read", "setup", Q(cnf)}, "Local Error: Data read error\n"},
      {{"--fault", "no-device"}, {"write", "setup", Q(cnf)}, "Logirem: Data write error\n"},
      // Dropped in the middle of the acquisition's reply.
      {{"--fault", "drop:500"}, {"read", "acq", Q(cnf)}, "Local Error: Data read error\n"},
      // Dropped while the adapter is greeted: the device cannot be opened, and id says why.
      {{"--fault", "drop:20"},
       {"id"},
       "Not connected: no analyser at board 0, PAD 7, SAD 0\nlogiremctl: The adapter on PORT "
       "went away\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE((c.serve + c.command).join(' ').toStdString());
    Emulator e(QStringList{"serve", "--listen", "tcp:127.0.0.1:0"} + c.serve);
    const CtlRun r = Ctl(Through(e, c.command));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, QString::fromStdString(c.err).replace("PORT", e.qport()).toStdString());
    EXPECT_EQ(Slurp(cnf), kept);
  }
}

TEST(AdapterLink, SecondaryAddressSelectsTheAnalyser) {
  Emulator e({"--sad", "3", "serve", "--listen", "tcp:127.0.0.1:0"});
  struct Case {
    QStringList address;
    int status;
  } cases[] = {{{"--sad", "3"}, 0}, {{"--sad", "99"}, 0}, {{}, 1}, {{"--sad", "4"}, 1}};
  for (const Case& c : cases) {
    const CtlRun r = Ctl(Through(e, c.address + QStringList{"id"}));
    EXPECT_EQ(r.status, c.status) << c.address.join(' ').toStdString() << r.err;
  }
}

TEST(AdapterLink, TraceShowsTheAdapterTrafficWithControlBytesVisible) {
  Emulator e;
  const CtlRun r = Ctl(Through(e, {"--trace", "id"}));
  EXPECT_EQ(r.status, 0);
  for (const char* line :
       {"adapter> \"++ver\\n\"", "adapter> \"ID?\\n\"", "adapter> \"++read eoi\\n\"",
        "adapter< \"TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:1,2,2,0\\x04\"", "gpib: ibrd(1, 10000) -> "}) {
    EXPECT_NE(r.err.find(line), std::string::npos) << line << "\n" << r.err;
  }
}

TEST(AdapterLink, WithoutPortTheStoredOneIsUsedElseItIsAUsageError) {
  TempDir home;
  Emulator e;
  const QString config = QString::fromStdString(home.path().string());
  const CtlRun none = Ctl({"--interface", "prologix", "id"}, {}, config);
  EXPECT_EQ(none.status, 2);
  EXPECT_EQ(none.err.substr(0, none.err.find('\n')),
            "logiremctl: --interface prologix needs --port (no port is stored)");
  std::filesystem::create_directories(home.path() / "Varnok Software");
  Put(home.file("Varnok Software/Logirem.ini"), "[Logirem]\nPort=" + e.port() + "\n");
  const CtlRun stored = Ctl({"--interface", "prologix", "id"}, {}, config);
  EXPECT_EQ(stored.status, 0) << stored.err;
  EXPECT_EQ(stored.out.substr(0, 14), "Type: TEK/1241");
}

TEST(AdapterLink, HeadedRepliesReadTheSameMemories) {
  TempDir dir;
  Emulator e({"serve", "--listen", "tcp:127.0.0.1:0", "--reply-style", "headed"});
  const CtlRun id = Ctl(Through(e, {"--trace", "id"}));
  EXPECT_EQ(id.status, 0) << id.err;
  EXPECT_NE(id.err.find("adapter< \"ID TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:1,2,2,0\\n\""),
            std::string::npos)
      << id.err;
  for (const char* kind : {"setup", "acq", "ref"}) {
    const std::string viaAdapter = dir.file(std::string("a-") + kind);
    const std::string direct = dir.file(std::string("s-") + kind);
    ASSERT_EQ(Ctl(Through(e, {"read", kind, Q(viaAdapter)})).status, 0) << kind;
    ASSERT_EQ(Ctl({"--interface", "sim", "read", kind, Q(direct)}).status, 0);
    EXPECT_EQ(Slurp(viaAdapter), Slurp(direct)) << kind;
  }
}
