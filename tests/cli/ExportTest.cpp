// logiremctl export to VCD, the sigrok session and CSV, each read back by the program that
// reads it in practice: sigrok-cli (VCD and session) and GTKWave's vcd2fst / fst2vcd.
#include <filesystem>

#include "cli/Ctl.h"
#include "model/AcqModel.h"
#include "model/SetupModel.h"

namespace {
// The channel cells of a CSV export, or the sample rows of sigrok-cli's CSV output, row by row
// as sigrok shows them: a sample a pod does not have reads 0.
std::vector<std::string> Rows(const std::string& csv, size_t channels, bool sigrok) {
  std::vector<std::string> rows;
  for (const auto& line : Split(csv, '\n')) {
    if (sigrok && !line.empty() && (line[0] == '0' || line[0] == '1')) rows.push_back(line);
    if (sigrok || line.empty() || !std::isdigit(line[0])) continue;
    const auto cells = Split(line, ',');
    std::string row;
    for (size_t c = 2; c < 2 + channels && c < cells.size(); ++c) {
      row += (c > 2 ? "," : "") + (cells[c].empty() ? std::string("0") : cells[c]);
    }
    rows.push_back(row);
  }
  return rows;
}
using Export = FileFixture;
}  // namespace

// The built-in capture with and without its setup (with its paired bits and TRIG), and a
// crafted one: a two-bit pod 0 starting at 256 whose bytes 0x55 hold each pair's later bit
// low and its earlier one (the Data window's red mark) high, pod 2 starting at 128, pod 3
// absent, pod 4 ending at 448, the synchronous clock. The VCD is also read back after a trip
// through GTKWave's FST.
TEST_F(Export, SigrokReadsEverySampleOfEveryChannelAsTheCsvHasIt) {
  const QString crafted = write("crafted.dat", [](MemoryImages& m) {
    m.AcqMem[530 + 2 * 2] = 0x80;  // start count 0xFE80
    m.AcqMem[562 + 3] = 0x55;
    m.AcqMem[546 + 2 * 4] = 0xC0;  // end count 0xFFC0
    m.AcqMem[547 + 2 * 4] = 0xFF;
    m.AcqMem[580] = 1;
    std::fill_n(m.AcqMem.begin() + 614, 9 * 65, uint8_t{0x55});  // pairs of 01 on pod 0
  });
  const std::tuple<QStringList, int, size_t, std::string> cases[] = {
      {{Q(dat)}, 2, 45, "Pod0.0"},
      {{Q(dat), "--setup", Q(cnf), "--paired"}, 2, 55, "GRPA07"},
      {{crafted, "--paired"}, 1, 45, "Pod0.0"}};
  const std::string out = dir.file("out"), fst = dir.file("out.fst");
  for (const auto& [base, downsample, channels, first] : cases) {
    const CtlRun csv = Ctl(QStringList{"export"} + base);
    const auto expected = Rows(csv.out, channels, false);
    ASSERT_EQ(expected.size(), 513u) << csv.err;
    if (base[0] == crafted) {
      EXPECT_TRUE(expected[300].starts_with("0,1,0,1,")) << expected[300];
    }
    for (const QString format : {"sr", "vcd", "fst"}) {
      SCOPED_TRACE((base.join(' ') + " " + format).toStdString());
      const QString made = format == "sr" ? "sr" : "vcd";
      ASSERT_EQ(
          Ctl(QStringList{"export"} + base + QStringList{"--format", made, "-o", Q(out)}).status,
          0);
      if (format == "fst") {
        ASSERT_EQ(Tool("vcd2fst", {Q(out), Q(fst)}).status, 0);
        const CtlRun back = Tool("fst2vcd", {Q(fst)});
        ASSERT_EQ(back.status, 0);
        Put(out, back.out);
      }
      QStringList args{"-i", Q(out), "-O", "csv"};
      if (made == "vcd") args << "-I" << QString("vcd:downsample=%1").arg(downsample);
      const CtlRun read = Tool("sigrok-cli", args);
      ASSERT_EQ(read.status, 0);
      EXPECT_EQ(read.err, "");
      EXPECT_EQ(Rows(read.out, channels, true), expected);
      EXPECT_NE(read.out.find(": " + first + ","), std::string::npos);
    }
  }
  const auto header = Split(Ctl(words("export DAT --setup CNF --paired")).out, '\n').at(0);
  EXPECT_TRUE(header.starts_with("sample,time_ns,GRPA07,GRPA07~,GRPA06,") &&
              header.ends_with(",CTL200,TRIG,GRPA,CTL1,GRPB,GRPC,CTL2"))
      << header;
  EXPECT_EQ(Split(Ctl(words("export DAT --setup CNF --no-trigger")).out, '\n').at(0).find("TRIG"),
            std::string::npos);
}

TEST_F(Export, VcdHeaderVectorsAndAFailedSave) {
  const std::string vcd = dir.file("bus.vcd");
  ASSERT_EQ(Ctl(words("export DAT --setup CNF --format vcd --vectors -o " + vcd)).status, 0);
  const std::string text = Slurp(vcd);
  // GRPA (pod 0 channels 7..0) is unknown until pod 0 starts, then counts from 128 by two;
  // TRIG rises at the trigger sample.
  for (const char* part :
       {"$timescale 10 ns $end", "sample period 20 ns", "trigger at sample 256",
        "$var wire 8 O GRPA $end", "$var wire 1 ! GRPA07 $end", "$var wire 1 N TRIG $end",
        "#0\n$dumpvars\n", "bxxxxxxxx O\n", "\nb10000000 O\n", "\nb10000010 O\n"}) {
    EXPECT_NE(text.find(part), std::string::npos) << part;
  }
  const auto rise = text.find("\n1N\n");
  EXPECT_TRUE(rise > text.find("\n#512\n") && rise < text.find("\n#514\n"));
  EXPECT_TRUE(text.ends_with("\n#1026\n"));  // one sample after the last
  const QString sync = write("sync.dat", [](MemoryImages& m) { m.AcqMem[580] = 1; });
  const CtlRun r = Ctl({"export", sync, "--format", "vcd"});
  EXPECT_NE(r.out.find("$timescale 1 ns $end"), std::string::npos);
  EXPECT_NE(r.out.find("synchronous clock, one time unit of 1 ns per sample"), std::string::npos);
  EXPECT_TRUE(r.out.ends_with("\n#513\n"));
  EXPECT_EQ(Split(Ctl({"export", sync}).out, '\n').at(1 + 300).substr(0, 5), "300,,");  // no time
  // A save that fails leaves the old file whole.
  Put(vcd, "old");
  EXPECT_EQ(Ctl(words("export DAT --format sr -o @")).err,
            expand("logiremctl: @: cannot write the file: Is a directory\n"));
  EXPECT_EQ(Slurp(vcd), "old");
}

// Groups over pods 2..5 in four radixes: GRPA ASC on pod 2 channels 7..0, "A:B," HEX on pods
// 2 and 3, "X.Y " OCT on pods 4 and 5, CTL2 BIN on channel 8 of pods 2..5, CTL1 OFF; values
// worked out by hand. Pod 2 channel 0 ("A:B,08") carries "OK" at 2.5 MBd from sample 40.
// Python's csv module reads the cells, int(v, 0) the prefixed values; sigrok's UART decoder
// names the line in the session and the dump; GTKWave, asked through its Tcl interface under
// a virtual X server, shows the save file's traces under the CSV header's names (a '.' as
// U+2024), buses in their radix (flags 0x28 binary, 0x22 hex, 0x30 octal, 0x820 ASCII), the
// marker on the trigger. GTKWave drops traces it cannot find silently: the list is compared.
TEST_F(Export, LabelledGroupsReachEveryReader) {
  const QString setup = write(
      "groups.cnf",
      [](MemoryImages& m) {
        SetupModel s(m.SetupMem);
        s.SetFirst(0, 9);
        s.SetLabel(5, "A:B,");
        s.SetLabel(6, "X.Y ");
        for (const auto& [g, radix] :
             {std::pair<int16_t, int16_t>{0, 4}, {1, 3}, {5, 0}, {6, 1}, {7, 2}})
          s.SetDisplayRadix(g, radix);
      },
      kConfiguration);
  const QString acq = write("groups.dat", [](MemoryImages& m) {
    AcqModel model(m.AcqMem);
    // Sample s of a one-bit pod starting at 0 is bit (s + 7) % 8 of byte (s + 7) / 8.
    const auto set = [&](int pod, int channel, int s, int high) {
      uint8_t& byte =
          m.AcqMem[static_cast<size_t>(614 + model.PodOffset()[pod] + channel * 65 + (s + 7) / 8)];
      byte = static_cast<uint8_t>((byte & ~(1 << (s + 7) % 8)) | (high & 1) << (s + 7) % 8);
    };
    std::fill_n(m.AcqMem.begin() + 614 + model.PodOffset()[2], 4 * 9 * 65, uint8_t{0});
    for (const auto& [pod, s, value] : {std::tuple{2, 1, 0x141},
                                        {3, 1, 0x15A},
                                        {4, 1, 0x01},
                                        {5, 1, 0xFF},
                                        {2, 2, '='},
                                        {2, 3, '7'}})
      for (int c = 0; c < 9; ++c) set(pod, c, s, value >> c);
    for (int s = 4; s < 513; ++s) {  // idle high, then 'O' and 'K': start 0, LSB first, stop 1
      set(2, 0, s,
          s < 40 || s >= 440 || (("OK"[(s - 40) / 200] << 1 | 0x200) >> (s - 40) % 200 / 20 & 1));
    }
    m.AcqMem[546 + 2 * 5] = 0x64;  // pod 5 ends at 100
    m.AcqMem[547 + 2 * 5] = 0xFE;
  });
  const std::string csv = dir.file("run.csv"), vcd = dir.file("run.vcd"), sr = dir.file("run.sr");
  ASSERT_EQ(Ctl({"export", acq, "--setup", setup, "-o", Q(csv)}).status, 0);
  const CtlRun cells = Tool(
      "python3", {"-c",
                  "import csv, sys\n"
                  "rows = list(csv.reader(open(sys.argv[1], newline='')))\n"
                  "for n in (0, 1, 2, 3, 4, 201):\n"
                  "  print('|'.join(rows[n][-5:]))\n"
                  "print(*(int(v, 0) for v in rows[2][-3:]), 'A:B,15' in rows[0])\n"
                  "print(''.join(n.replace('.', '\\u2024') + '|40\\n' for n in rows[0][2:-4]))",
                  Q(csv)});
  const std::string names = cells.out.substr(cells.out.find("True\n") + 5);
  EXPECT_EQ(cells.out.substr(0, cells.out.size() - names.size()),
            "TRIG|GRPA|A:B,|X.Y |CTL2\n0|.|0x0000|0o000000|0b0000\n0|A|0x415A|0o000777|0b1100\n"
            "0|'=|0x3D00|0o000000|0b0000\n0|'7|0x3700|0o000000|0b0000\n0|.|0x0000||\n"
            "16730 511 12 True\n")
      << cells.err;
  for (const auto& [out, input] :
       {std::pair{sr, QStringList{}}, {vcd, QStringList{"-I", "vcd:downsample=2"}}}) {
    ASSERT_EQ(Ctl({"export", acq, "--setup", setup, "-o", Q(out), "--format",
                   Q(out.substr(out.rfind('.') + 1))})
                  .status,
              0);
    const CtlRun read = Tool(
        "sigrok-cli",
        QStringList{"-i", Q(out), "-P", "uart:rx=A_B_08:baudrate=2500000", "-A", "uart=rx-data"} +
            input);
    EXPECT_EQ(read.out + read.err, "uart-1: 4F\nuart-1: 4B\n") << out;
  }
  ASSERT_EQ(
      Ctl({"export", acq, "--setup", setup, "--format", "vcd", "--vectors", "-o", Q(vcd)}).status,
      0);
  Put(dir.file("probe.tcl"),
      "fconfigure stdout -encoding utf-8\nputs \"MARKER [gtkwave::getMarker]\"\n"
      "for {set i 0} {$i < [gtkwave::getTotalNumTraces]} {incr i} {\n"
      "  puts \"[gtkwave::getTraceNameFromIndex $i]|[gtkwave::getTraceFlagsFromIndex $i]\"\n}\n"
      "gtkwave::/File/Quit\n");
  const CtlRun shown =
      Tool("xvfb-run", {"-a", "gtkwave", "-S", Q(dir.file("probe.tcl")), Q(dir.file("run.gtkw"))});
  const auto marker = shown.out.find("MARKER ");
  ASSERT_NE(marker, std::string::npos) << shown.out << shown.err;
  EXPECT_EQ(shown.out.substr(marker), "MARKER 5120\n" + names.substr(0, names.size() - 1) +
                                          "GRPA|2080\nA:B,|34\nX\u2024Y |48\nCTL2|40\nExiting.\n");
  EXPECT_NE(names.find("X\u2024Y 07|40\nX\u2024Y 06|40\n"), std::string::npos);
}

// Every pod absent: nothing is written, in any format. Eight pods of 18-bit cards, 72 lines:
// no session, which PulseView would abort on, until --lines chooses at most 64.
TEST_F(Export, NothingOrTooMuchIsRefusedAndLinesChoose) {
  const QString empty =
      write("empty.dat", [](MemoryImages& m) { std::fill_n(&m.AcqMem[562], 8, 1); });
  const std::string out = dir.file("out");
  for (const QString format : {"csv", "vcd", "sr"}) {
    const CtlRun r = Ctl({"export", empty, "--format", format, "-o", Q(out)});
    EXPECT_EQ(std::tuple(r.status, r.err, std::filesystem::exists(out)),
              std::tuple(1,
                         "logiremctl: " + empty.toStdString() +
                             ": nothing to export: the capture holds no channel\n",
                         false));
  }
  const QString full = write("full.dat", [](MemoryImages& m) {
    for (int pod : {1, 6, 7}) {
      for (int table : {514, 530, 546})
        std::copy_n(&m.AcqMem[table + 4], 2, &m.AcqMem[table + 2 * pod]);
      m.AcqMem[562 + pod] = 0;
    }
    m.AcqMem[583] = 0;  // no 9-bit card, four 18-bit cards
    m.AcqMem[585] = 4;
    m.AcqMem[600] = 4680 % 256;  // 8 pods of 9 rows of 65 bytes
    m.AcqMem[601] = 4680 / 256;
    m.AcqLen = 614 + 4680;
  });
  const CtlRun refused = Ctl({"export", full, "--format", "sr", "-o", Q(out)});
  EXPECT_EQ(std::tuple(refused.status, refused.err, std::filesystem::exists(out)),
            std::tuple(2,
                       "logiremctl: " + full.toStdString() +
                           ": 72 lines, but PulseView reads at most 64 channels from a sigrok "
                           "session; choose lines by their position with --lines, such as "
                           "--lines 1-64\n",
                       false));
  ASSERT_EQ(Ctl({"export", full, "--format", "sr", "--lines", "1-64", "-o", Q(out)}).status, 0);
  ASSERT_EQ(Ctl({"export", full, "--format", "vcd", "-o", Q(out + ".vcd")}).status, 0);
  EXPECT_FALSE(std::filesystem::exists(out + ".gtkw"));  // only with the setup
  const std::string shown = Tool("sigrok-cli", {"-i", Q(out), "--show"}).out;
  EXPECT_TRUE(shown.find("Channels: 64\n") != std::string::npos &&
              shown.find("- Pod7.0: logic\n") != std::string::npos &&
              shown.find("Pod7.1") == std::string::npos)
      << shown;
  EXPECT_EQ(Split(Ctl({"export", full, "--lines", "72,1-2"}).out, '\n').at(0),
            "sample,time_ns,Pod7.8,Pod0.0,Pod0.1");
}
