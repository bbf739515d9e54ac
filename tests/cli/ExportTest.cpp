// logiremctl export to VCD, the sigrok session and CSV, each read back by the program that
// reads it in practice: sigrok-cli (VCD and session) and GTKWave's vcd2fst / fst2vcd.
#include <gtest/gtest.h>

#include <QProcess>
#include <functional>
#include <map>
#include <sstream>

#include "cli/Ctl.h"
#include "memory/DataFiles.h"
#include "memory/DefaultImages.h"
#include "memory/MemoryImages.h"
#include "model/AcqModel.h"
#include "model/SetupModel.h"
#include "support/Files.h"
#include "support/TempDir.h"

namespace {
CtlRun Tool(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  CtlRun r;
  if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) return r;
  r.status = p.exitCode();
  r.out = p.readAllStandardOutput().toStdString();
  r.err = p.readAllStandardError().toStdString();
  return r;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
  if (separator == ',' && !text.empty() && text.back() == ',') parts.emplace_back();
  return parts;
}

// The channel cells of a CSV export, row by row, as sigrok shows them: a sample a pod does
// not have reads 0.
std::vector<std::string> ChannelRows(const std::string& csv, size_t channels) {
  std::vector<std::string> rows;
  const auto lines = Split(csv, '\n');
  for (size_t i = 1; i < lines.size(); ++i) {
    const auto cells = Split(lines[i], ',');
    std::string row;
    for (size_t c = 2; c < 2 + channels && c < cells.size(); ++c) {
      row += (c > 2 ? "," : "") + (cells[c].empty() ? std::string("0") : cells[c]);
    }
    rows.push_back(row);
  }
  return rows;
}

// The sample rows of sigrok-cli's CSV output (comment and header lines left out).
std::vector<std::string> SigrokRows(const std::string& out) {
  std::vector<std::string> rows;
  for (const auto& line : Split(out, '\n')) {
    if (!line.empty() && (line[0] == '0' || line[0] == '1')) rows.push_back(line);
  }
  return rows;
}

// Every variable's changes in a VCD, by name: (time, value) with buses widened to their
// declared width, repeated values dropped.
using Changes = std::map<std::string, std::vector<std::pair<long long, std::string>>>;
Changes ParseVcd(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  std::map<std::string, std::pair<std::string, size_t>> vars;  // id -> name, width
  Changes changes;
  long long time = 0;
  const auto record = [&](const std::string& id, std::string value) {
    const auto var = vars.find(id);
    if (var == vars.end()) return;
    const size_t width = var->second.second;
    if (value.size() < width) value.insert(0, width - value.size(), value[0] == 'x' ? 'x' : '0');
    auto& list = changes[var->second.first];
    if (list.empty() || list.back().second != value) list.emplace_back(time, value);
  };
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& w = words[i];
    if (w == "$var" && i + 4 < words.size()) {
      vars[words[i + 3]] = {words[i + 4], std::stoul(words[i + 2])};
      i += 5;
    } else if (w == "$dumpvars" || w == "$end") {
    } else if (w[0] == '$') {
      while (i < words.size() && words[i] != "$end") ++i;
    } else if (w[0] == '#') {
      time = std::stoll(w.substr(1));
    } else if ((w[0] == 'b' || w[0] == 'B') && i + 1 < words.size()) {
      record(words[i + 1], w.substr(1));
      ++i;
    } else {
      record(w.substr(1), w.substr(0, 1));
    }
  }
  return changes;
}

class Export : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Ctl({"defaults", "--setup", Q(cnf), "--acq", Q(dat)}).status, 0);
  }
  QString write(const std::string& name, const std::function<void(MemoryImages&)>& change,
                int32_t kind = kAcquisition) {
    MemoryImages images;
    LoadDefaultImages(images, nullptr);
    change(images);
    EXPECT_TRUE(WriteFile(dir.file(name), images, kind, 0));
    return Q(dir.file(name));
  }
  // A two-bit pod 0 starting at 256, pod 2 starting at 128, pod 3 absent, pod 4 ending at
  // 448, the synchronous clock.
  QString crafted() {
    return write("crafted.dat", [](MemoryImages& m) {
      m.AcqMem[530 + 2 * 2] = 0x80;  // start count 0xFE80
      m.AcqMem[562 + 3] = 0x55;
      m.AcqMem[546 + 2 * 4] = 0xC0;  // end count 0xFFC0
      m.AcqMem[547 + 2 * 4] = 0xFF;
      m.AcqMem[580] = 1;
    });
  }
  TempDir dir;
  std::string cnf = dir.file("default.cnf"), dat = dir.file("default.dat");
};
}  // namespace

TEST_F(Export, SigrokReadsEverySampleOfEveryChannelAsTheCsvHasIt) {
  const QString craftedFile = crafted();
  const struct {
    QString file;
    bool setup;
    int downsample;
    size_t channels;
  } cases[] = {{Q(dat), false, 2, 45}, {Q(dat), true, 2, 45}, {craftedFile, false, 1, 36}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file.toStdString() + (c.setup ? " with setup" : ""));
    QStringList base{"export", c.file};
    if (c.setup) base << "--setup" << Q(cnf);
    const CtlRun csv = Ctl(base);
    ASSERT_EQ(csv.status, 0) << csv.err;
    const auto expected = ChannelRows(csv.out, c.channels);
    ASSERT_EQ(expected.size(), 513u);
    EXPECT_EQ(Split(expected[0], ',').size(), c.channels);

    for (const char* format : {"sr", "vcd"}) {
      SCOPED_TRACE(format);
      const std::string out = dir.file(std::string("out.") + format);
      const CtlRun made = Ctl(QStringList(base) << "--format" << format << "-o" << Q(out));
      ASSERT_EQ(made.status, 0) << made.err;
      QStringList args{"-i", Q(out), "-O", "csv"};
      if (std::string(format) == "vcd")
        args << "-I" << QString("vcd:downsample=%1").arg(c.downsample);
      const CtlRun read = Tool("sigrok-cli", args);
      ASSERT_EQ(read.status, 0);
      EXPECT_EQ(read.err, "");
      EXPECT_EQ(SigrokRows(read.out), expected);
      // The names travel too.
      const std::string first = c.setup ? "GRPA07" : "Pod0.0";
      EXPECT_NE(read.out.find("; Channels (" + std::to_string(c.channels) + "/"),
                std::string::npos);
      EXPECT_NE(read.out.find(": " + first + ","), std::string::npos) << read.out.substr(0, 300);
    }
  }
}

TEST_F(Export, VcdHeaderAndGtkwaveRoundTripKeepEveryChange) {
  const std::string vcd = dir.file("bus.vcd"), fst = dir.file("bus.fst");
  ASSERT_EQ(Ctl({"export", Q(dat), "--setup", Q(cnf), "--format", "vcd", "--vectors", "-o", Q(vcd)})
                .status,
            0);
  const std::string text = Slurp(vcd);
  for (const char* part :
       {"$timescale 10 ns $end", "sample period 20 ns", "trigger at sample 256", "$var wire 8 ",
        " GRPA $end", "$var wire 1 ! GRPA07 $end", "#0\n$dumpvars\n", "\n#1026\n"}) {
    EXPECT_NE(text.find(part), std::string::npos) << part;
  }
  EXPECT_TRUE(text.ends_with("\n#1026\n"));  // one sample after the last

  ASSERT_EQ(Tool("vcd2fst", {Q(vcd), Q(fst)}).status, 0);
  const CtlRun back = Tool("fst2vcd", {Q(fst)});
  ASSERT_EQ(back.status, 0);
  const Changes ours = ParseVcd(text);
  EXPECT_EQ(ours.size(), 45u + 5u);
  EXPECT_GT(ours.at("GRPA").size(), 50u);
  EXPECT_EQ(ParseVcd(back.out), ours);

  // The synchronous clock: one nanosecond per sample, said in the comment.
  const CtlRun sync = Ctl({"export", crafted(), "--format", "vcd"});
  EXPECT_NE(sync.out.find("$timescale 1 ns $end"), std::string::npos);
  EXPECT_NE(sync.out.find("synchronous clock, one time unit of 1 ns per sample"),
            std::string::npos);
  EXPECT_TRUE(sync.out.ends_with("\n#513\n"));
}

// Groups over pods 2..5 in four radixes; CTL1 is OFF and gets no column.
TEST_F(Export, GroupColumnsInTheirDisplayRadix) {
  const QString setup = write(
      "groups.cnf",
      [](MemoryImages& m) {
        SetupModel s(m.SetupMem);
        s.SetFirst(0, 9);  // GRPA: pod 2 channels 7..0
        s.SetDisplayRadix(0, 4);
        s.SetDisplayRadix(1, 3);
        s.SetDisplayRadix(5, 0);  // GRPB: pods 2 and 3
        s.SetDisplayRadix(6, 1);  // GRPC: pods 4 and 5
        s.SetDisplayRadix(7, 2);  // CTL2: channel 8 of pods 2, 3, 4, 5
      },
      kConfiguration);
  const QString acq = write("groups.dat", [](MemoryImages& m) {
    AcqModel model(m.AcqMem);
    for (int pod = 2; pod <= 5; ++pod) {
      const size_t block = 614 + static_cast<size_t>(model.PodOffset()[static_cast<size_t>(pod)]);
      std::fill_n(m.AcqMem.begin() + static_cast<long>(block), 9 * 65, 0);
    }
    // Sample 1 is bit 0 of each row's second byte.
    const auto high = [&](int pod, int channel) {
      m.AcqMem[614 + static_cast<size_t>(model.PodOffset()[static_cast<size_t>(pod)]) +
               static_cast<size_t>(channel) * 65 + 1] = 1;
    };
    for (int c : {6, 0}) high(2, c);         // pod 2: 0x41
    for (int c : {6, 4, 3, 1}) high(3, c);   // pod 3: 0x5A
    high(4, 0);                              // pod 4: 0x01
    for (int c = 0; c < 8; ++c) high(5, c);  // pod 5: 0xFF
    high(3, 8);                              // CTL2 bit 2
    m.AcqMem[546 + 2 * 5] = 0x64;            // pod 5 ends at 100
    m.AcqMem[547 + 2 * 5] = 0xFE;
  });
  const CtlRun r = Ctl({"export", acq, "--setup", setup});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = Split(r.out, '\n');
  ASSERT_EQ(lines.size(), 514u);
  const auto tail = [](const std::string& line) {
    const auto cells = Split(line, ',');
    return std::vector<std::string>(cells.end() - 4, cells.end());
  };
  using Row = std::vector<std::string>;
  EXPECT_EQ(tail(lines[0]), (Row{"GRPA", "GRPB", "GRPC", "CTL2"}));
  EXPECT_EQ(tail(lines[1 + 0]), (Row{".", "0000", "000000", "0000"}));
  EXPECT_EQ(tail(lines[1 + 1]), (Row{"A", "415A", "000777", "0100"}));
  EXPECT_EQ(tail(lines[1 + 200]), (Row{".", "0000", "", ""}));  // pod 5 has ended
  EXPECT_EQ(lines[0].find("CTL1,"), std::string::npos);
}

TEST_F(Export, UsageAndWriteFailures) {
  for (const QStringList& args : {QStringList{"export", Q(dat), "--format", "sr"},
                                  QStringList{"export", Q(dat), "--format", "vcd", "--vectors"},
                                  QStringList{"export", Q(dat), "--setup", Q(cnf), "--vectors"},
                                  QStringList{"export", Q(dat), "--setup"}}) {
    const CtlRun r = Ctl(args);
    EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
    EXPECT_EQ(r.out, "");
  }
  // A failed save leaves the old file whole.
  const std::string old = dir.file("old.sr");
  Put(old, "old");
  const std::string folder = dir.path().string();
  EXPECT_EQ(Ctl({"export", Q(dat), "--format", "sr", "-o", Q(folder)}).status, 1);
  EXPECT_EQ(Ctl({"export", Q(dat), "--setup", Q(dat)}).status, 1);
  EXPECT_EQ(Slurp(old), "old");
}
