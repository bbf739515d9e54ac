// logiremctl export to VCD, the sigrok session and CSV, each read back by the program that
// reads it in practice: sigrok-cli (VCD and session) and GTKWave's vcd2fst / fst2vcd.
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

// The built-in capture with and without its setup, and a crafted one: a two-bit pod 0
// starting at 256, pod 2 starting at 128, pod 3 absent, pod 4 ending at 448, the synchronous
// clock. The VCD is also read back after a trip through GTKWave's FST.
TEST_F(Export, SigrokReadsEverySampleOfEveryChannelAsTheCsvHasIt) {
  const QString crafted = write("crafted.dat", [](MemoryImages& m) {
    m.AcqMem[530 + 2 * 2] = 0x80;  // start count 0xFE80
    m.AcqMem[562 + 3] = 0x55;
    m.AcqMem[546 + 2 * 4] = 0xC0;  // end count 0xFFC0
    m.AcqMem[547 + 2 * 4] = 0xFF;
    m.AcqMem[580] = 1;
  });
  const std::tuple<QStringList, int, size_t, std::string> cases[] = {
      {{Q(dat)}, 2, 45, "Pod0.0"},
      {{Q(dat), "--setup", Q(cnf)}, 2, 45, "GRPA07"},
      {{crafted}, 1, 36, "Pod0.0"}};
  const std::string out = dir.file("out"), fst = dir.file("out.fst");
  for (const auto& [base, downsample, channels, first] : cases) {
    const CtlRun csv = Ctl(QStringList{"export"} + base);
    const auto expected = Rows(csv.out, channels, false);
    ASSERT_EQ(expected.size(), 513u) << csv.err;
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
}

TEST_F(Export, VcdHeaderVectorsAndAFailedSave) {
  const std::string vcd = dir.file("bus.vcd");
  ASSERT_EQ(Ctl(words("export DAT --setup CNF --format vcd --vectors -o " + vcd)).status, 0);
  const std::string text = Slurp(vcd);
  // GRPA (pod 0 channels 7..0) is unknown until pod 0 starts, then counts from 128 by two.
  for (const char* part :
       {"$timescale 10 ns $end", "sample period 20 ns", "trigger at sample 256",
        "$var wire 8 N GRPA $end", "$var wire 1 ! GRPA07 $end", "#0\n$dumpvars\n", "bxxxxxxxx N\n",
        "\nb10000000 N\n", "\nb10000010 N\n"}) {
    EXPECT_NE(text.find(part), std::string::npos) << part;
  }
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

// Groups over pods 2..5 in four radixes, values worked out by hand: GRPA ASC on pod 2 channels
// 7..0, GRPB HEX on pods 2 and 3, GRPC OCT on pods 4 and 5, CTL2 BIN on channel 8 of pods 2..5;
// CTL1 is OFF and gets no column.
TEST_F(Export, GroupColumnsInTheirDisplayRadix) {
  const QString setup = write(
      "groups.cnf",
      [](MemoryImages& m) {
        SetupModel s(m.SetupMem);
        s.SetFirst(0, 9);
        for (const auto& [g, radix] :
             {std::pair<int16_t, int16_t>{0, 4}, {1, 3}, {5, 0}, {6, 1}, {7, 2}})
          s.SetDisplayRadix(g, radix);
      },
      kConfiguration);
  const QString acq = write("groups.dat", [](MemoryImages& m) {
    AcqModel model(m.AcqMem);
    const auto row = [&](int pod, int channel) {
      return m.AcqMem.begin() + 614 + model.PodOffset()[static_cast<size_t>(pod)] + channel * 65;
    };
    for (int pod = 2; pod <= 5; ++pod) std::fill_n(row(pod, 0), 9 * 65, 0);
    // Sample 1 is bit 0 of each row's second byte.
    for (const auto& [pod, channels] : {std::pair{2, std::vector{6, 0}},   // 0x41
                                        {3, {6, 4, 3, 1, 8}},              // 0x5A, CTL2 bit 2
                                        {4, {0}},                          // 0x01
                                        {5, {0, 1, 2, 3, 4, 5, 6, 7}}}) {  // 0xFF
      for (const int c : channels) row(pod, c)[1] = 1;
    }
    m.AcqMem[546 + 2 * 5] = 0x64;  // pod 5 ends at 100
    m.AcqMem[547 + 2 * 5] = 0xFE;
  });
  const CtlRun r = Ctl({"export", acq, "--setup", setup});
  const auto lines = Split(r.out, '\n');
  ASSERT_EQ(lines.size(), 514u) << r.err;
  for (const auto& [sample, cells] : {std::pair{-1, ",GRPA,GRPB,GRPC,CTL2"},
                                      {0, ",.,0000,000000,0000"},
                                      {1, ",A,415A,000777,0100"},
                                      {200, ",.,0000,,"}}) {
    EXPECT_TRUE(lines[static_cast<size_t>(sample + 1)].ends_with(cells)) << sample;
  }
  EXPECT_EQ(lines[0].find("CTL1,"), std::string::npos);
}
