// logiremctl show, export to CSV and defaults, run as the real program on real
// files.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>

#include "cli/Ctl.h"
#include "memory/HexCodec.h"

namespace {
QJsonObject Json(const std::string& json) {
  return QJsonDocument::fromJson(QByteArray::fromStdString(json)).object();
}
using FileCommands = FileFixture;
}  // namespace

TEST_F(FileCommands, DefaultsWritesTheBuiltInImages) {
  EXPECT_EQ(Slurp(cnf), DefaultConfigText().substr(6) + "\r\n");
  EXPECT_EQ(Slurp(dat), DefaultAcqText().substr(4) + "\r\n");
  // Every command that saves says the same, with the system's reason.
  for (const char* command : {"defaults --setup @", "read acq @"})
    EXPECT_EQ(Ctl(words(command)).err,
              expand("logiremctl: @: cannot write the file: Is a directory\n"));
}

TEST_F(FileCommands, ShowAsJsonAndAsText) {
  std::filesystem::create_directory(dir.file("run.dat"));  // no extension: the first frame decides
  std::filesystem::copy_file(cnf, dir.file("run.dat/settings"));
  const QJsonObject o = Json(Ctl(words("show --json @/run.dat/settings")).out);
  ASSERT_EQ(o["kind"], "setup");
  EXPECT_EQ(o, Json(Ctl({"show", "--defaults", "--json", "--kind", "setup"}).out));
  EXPECT_EQ((QJsonArray{o["length"], o["trigger_position"], o["polarity"].toArray()[7],
                        o["channel_map"].toArray()[45], o["order_b"].toArray().size()}),
            (QJsonArray{922, 256, 511, 90, 12}));
  EXPECT_EQ(o["groups"].toArray()[7].toObject(), Json(R"({"label": "CTL2", "base": 0, "width": 4,
      "first": 41, "input_radix": 2, "column": 20, "rom": 0, "display_radix": 2, "digits": 4,
      "channels": [28, 38, 48, 58]})"));
  EXPECT_EQ(o["groups"].toArray()[2].toObject()["label"], "    ");  // not trimmed

  const QJsonObject a = Json(Ctl({"show", "--json", Q(dat)}).out);
  EXPECT_EQ((QJsonArray{a["kind"], a["length"], a["cards9"], a["cards18"], a["triggered"],
                        a["sample_period_ns"], a["data_length"], a["max_pod_length"],
                        a["last_sample"], a["complete"]}),
            (QJsonArray{"acquisition", 3539, 1, 2, true, 20, 2925, 65, 512, true}));
  EXPECT_EQ(a["pods"].toArray()[0].toObject(),
            Json(R"({"pod": 0, "absent": false, "length": 65, "start": 256, "end": 512,
                     "two_bit": true, "offset": 0})"));
  QJsonArray offsets;
  for (const auto& pod : a["pods"].toArray()) offsets.append(pod.toObject()["offset"]);
  EXPECT_EQ(offsets, (QJsonArray{0, -1, 585, 1170, 1755, 2340, -1, -1}));
  const std::string text =
      Ctl(words("show CNF")).out + Ctl(words("show DAT")).out + Ctl(words("show --defaults")).out;
  for (const char* part :
       {"\"GRPA\" T1", "channels 28 38 48 58", "  2      65      0    512       no     585",
        "Configuration, 922 bytes", "Built-in Acquisition, 3539 bytes"}) {
    EXPECT_NE(text.find(part), std::string::npos) << part;
  }
}
// Each failure names the file and the reason; a file that cannot be opened is reported as such
// whatever its name says, a missing driver library once, and a file that cannot be sent is
// never sent.
TEST_F(FileCommands, FailuresNameTheFileAndTheReason) {
  std::filesystem::copy_file(dat, dir.file("wrong.cnf"));
  Put(dir.file("empty.cnf"), "\r\n");
  // Too short to hold the portions the analyser takes back.
  Put(dir.file("short.cnf"), Mem2Hex(MemoryImages().SetupMem, 65536, 0, 700) + "\r\n");
  const std::string gone =
      "Logirem: File not found: /gone/libgpib.so\n  Install the Linux GPIB library (linux-gpib, libgpib.so.0)\n";
  const std::pair<std::string, std::string> cases[] = {
      {"show --kind acquisition CNF", "logiremctl: CNF: Bad Acquisition data\n"},
      {"show @/wrong.cnf", "logiremctl: @/wrong.cnf: Bad Configuration data\n"},
      {"export CNF", "logiremctl: CNF: not an acquisition file\n"},
      {"export DAT --setup DAT", "logiremctl: DAT: Bad Configuration data\n"},
      {"--interface gpib id", gone},
      {"--interface gpib read acq @/x.dat", gone},
      {"write setup @/empty.cnf", "logiremctl: @/empty.cnf: Bad Configuration data\n"},
      {"write acq CNF", "logiremctl: CNF: Bad Acquisition data\n"},  // starts at the wrong address
      {"write setup @/short.cnf", "Logirem: Data write error\n"},
      {"write acq @/missing.cnf", "logiremctl: @/missing.cnf: cannot open the file\n"}};
  for (const auto& [line, err] : cases) {
    const CtlRun r = Ctl(words(line), "/gone/libgpib.so");
    EXPECT_EQ(r.status, 1) << line;
    EXPECT_EQ(r.out + r.err, expand(err));
  }
  for (const char* missing : {"@/missing", "@/missing.dat", "@/missing.cnf", "@"}) {
    for (const std::string command : {"show ", "export "}) {
      const CtlRun r = Ctl(words(command + missing));
      EXPECT_EQ(r.status, 1);
      EXPECT_EQ(r.err, expand(std::string("logiremctl: ") + missing + ": cannot open the file\n"));
    }
  }
}

// Every report is printed, however many; bytes a terminal would act on show as
// \xNN.
TEST_F(FileCommands, ChecksumErrorsGoToStderrAndTheCommandSucceeds) {
  std::string text = Slurp(cnf);
  for (size_t p = text.find_first_of(",;"); p != std::string::npos;
       p = text.find_first_of(",;", p + 1)) {
    text[p - 1] = text[p - 1] == '0' ? '1' : '0';
  }
  Put(cnf, text);
  CtlRun r = Ctl({"show", Q(cnf)});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Split(r.err, '\n').size(), 20u * 4u) << r.err;  // four lines a report
  EXPECT_EQ(r.err.find("Logirem: Checksum Error on Frame:1\n  Actual: B0\n  Needed: B8\n"), 0u)
      << r.err;

  Put(cnf, "#H05010000AA\x1b\xff;\r\n");
  r = Ctl({"show", Q(cnf)});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err,
            "Logirem: Checksum Error on Frame:1\n  Actual: \\x1B\\xFF\n  Needed: 50\n"
            "  Start:  H05010000AA\\x1B\\xFF;\n");
}

// A capture shorter than its header says (cut off, or pods of 4000-byte rows)
// still shows and exports, with a warning and "complete": false; samples beyond
// the image export as 0.
TEST_F(FileCommands, CutOffAcquisitionsWarnAndStillLoad) {
  const std::string tail = " bytes its header announces; missing samples read as 0\n";
  const QString cut = write("cut.dat", [](MemoryImages& m) { m.AcqLen = 3538; });
  const QString long4000 = write("long.dat", [](MemoryImages& m) {
    for (size_t pod = 0; pod < 8; ++pod) {
      m.AcqMem[514 + 2 * pod] = 4000 & 0xFF;
      m.AcqMem[515 + 2 * pod] = 4000 >> 8;
      m.AcqMem[562 + pod] = 0;
    }
  });
  const std::tuple<QString, std::string, size_t, size_t> cases[] = {
      {Q(dat), "", 513, 47},
      {cut, "holds 3538 of the 3539" + tail, 513, 47},
      {long4000, "holds 3539 of the 288614" + tail, 8 * 4000 - 7, 74}};
  for (const auto& [file, warning, rows, cells] : cases) {
    const std::string where = warning.empty() ? "" : "logiremctl: " + file.toStdString() + ": ";
    CtlRun r = Ctl({"show", "--json", file});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, where + warning);
    EXPECT_EQ(Json(r.out)["complete"], warning.empty()) << r.out;
    r = Ctl({"export", file, "-o", Q(dir.file("out.csv"))});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, where + warning);
    const auto lines = Split(Slurp(dir.file("out.csv")), '\n');
    ASSERT_EQ(lines.size(), 1 + rows);
    EXPECT_EQ(Split(lines.back(), ',').size(), cells);
  }
}

TEST_F(FileCommands, UsageErrors) {
  const std::string lines =
      "\nshow\nshow --kind ref CNF\nshow --bogus CNF\nshow CNF DAT\nshow --defaults CNF\n"
      "export DAT --format xml\nexport DAT -o\nexport DAT --format sr\nexport DAT --setup\n"
      "export DAT --format vcd --vectors\nexport DAT --setup CNF --vectors\nfrobnicate\n"
      "export DAT --lines\nexport DAT --lines 0\nexport DAT --lines 3-1\nexport DAT --lines 1-46\n"
      "export DAT --lines 1,,2\nexport DAT --lines 2-x\n"
      "defaults\ndefaults --setup\n--interface serial id\n--sad x id\nread setup\n"
      "read memory x.cnf\nwrite acq\nid extra";
  for (const std::string& line : Split(lines, '\n')) {
    const CtlRun r = Ctl(words(line));
    EXPECT_EQ(r.status, 2) << line;
    EXPECT_NE(r.err.find("usage: logiremctl"), std::string::npos);
    EXPECT_EQ(r.out, "");
  }
  for (const char* help : {"--help", "-h"}) {  // asked for, the usage is no error
    const CtlRun r = Ctl({help});
    EXPECT_EQ(r.status, 0) << help;
    EXPECT_TRUE(r.out.starts_with("usage: logiremctl")) << r.out;
    EXPECT_EQ(r.err, "");
  }
  const CtlRun version = Ctl({"--version"});  // the number the window's caption shows
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "logiremctl (Logirem) " LOGIREM_VERSION "\n");
}

// Today's CSV: every channel of each present pod, named PodP.C, samples 0 to
// the last.
TEST_F(FileCommands, ExportCsv) {
  const CtlRun r = Ctl({"export", Q(dat), "--format", "csv"});
  const auto lines = Split(r.out, '\n');
  ASSERT_EQ(lines.size(), 1u + 513u) << r.err;
  std::string header = "sample,time_ns";
  for (int pod : {0, 2, 3, 4, 5}) {
    for (int c = 0; c < 9; ++c) header += ",Pod" + std::to_string(pod) + "." + std::to_string(c);
  }
  EXPECT_EQ(lines[0], header);
  // Sample 0: pod 0 has no sample yet; pod 2's latch still holds FF. Sample
  // 258: a strobe; address 128 on pod 0 and word 64 latched on pod 2.
  EXPECT_EQ(lines[1].substr(0, 31), "0,0,,,,,,,,,,1,1,1,1,1,1,1,1,0,");
  EXPECT_EQ(lines[1 + 258].substr(0, 40), "258,5160,0,0,0,0,0,0,0,1,1,0,0,0,0,0,0,1");
  EXPECT_EQ(lines.back().substr(0, 4), "512,");
  ASSERT_EQ(Ctl(words("export DAT -o @/out.csv")).status, 0);
  EXPECT_EQ(Slurp(dir.file("out.csv")), r.out);
}

TEST_F(FileCommands, IdReadAndWriteOnTheSimulatedAnalyser) {
  const CtlRun id = Ctl({"--interface", "sim", "id"});
  EXPECT_EQ(id.out + id.err,
            "Type: TEK/1241\nSystem version: 2.1\nCommunication version: 1.4\n"
            "Slot 0:  9 bits card\nSlot 1: 18 bits card\nSlot 2: 18 bits card\nSlot 3: None\n"
            "9-bit cards: 1\n18-bit cards: 2\n");
  const CtlRun got = Ctl(words("read setup @/s.cnf"));
  EXPECT_EQ(got.out + got.err, expand("Read 922 bytes of Configuration into @/s.cnf\n"));
  EXPECT_EQ(Slurp(dir.file("s.cnf")), Slurp(cnf));  // the analyser starts with the default setup
  ASSERT_EQ(Ctl(words("read acq @/a.dat")).status, 0);
  const CtlRun sent = Ctl(words("write ref @/a.dat"));
  EXPECT_EQ(sent.out + sent.err, expand("Wrote 3539 bytes of Acquisition from @/a.dat\n"));
  // An analyser's texts reach stdout with the bytes a terminal would act on shown as \xNN.
  setenv("FAKE_GPIB_REPLY",
         "TEK/\x1b[2J SYS: \r.1 COMM: \x9b"
         "1.4 ACQ:2,2,1,0",
         1);
  const CtlRun odd = Ctl({"--interface", "gpib", "id"}, FAKE_GPIB_FULL);
  unsetenv("FAKE_GPIB_REPLY");
  EXPECT_EQ(odd.out.substr(0, odd.out.find("Slot 0")),
            "Type: TEK/\\x1B[2J\nSystem version: \\x0D.1\nCommunication version: \\x9B1.\n");
}

TEST(TransferCommands, TraceShowsEveryDriverCall) {
  const CtlRun r = Ctl({"--trace", "id"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Split(r.err, '\n').size(), 8u) << r.err;  // the seven calls of one identification
  EXPECT_NE(r.err.find("received \"TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:1,2,2,0\""), std::string::npos);
  EXPECT_EQ(r.out.substr(0, 14), "Type: TEK/1241");
}
