// logiremctl show, export and defaults, run as the real program on real files.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "memory/DataFiles.h"
#include "memory/DefaultImages.h"
#include "memory/MemoryImages.h"
#include "support/TempDir.h"

namespace {
struct Outcome {
  int status = -1;
  std::string out, err;
};

Outcome logiremctl(const QStringList& args) {
  QProcess p;
  p.start(LOGIREM_BINARY_DIR "/src/cli/logiremctl", args);
  Outcome r;
  if (!p.waitForFinished(20000) || p.exitStatus() != QProcess::NormalExit) return r;
  r.status = p.exitCode();
  r.out = p.readAllStandardOutput().toStdString();
  r.err = p.readAllStandardError().toStdString();
  return r;
}

QJsonObject jsonOf(const Outcome& r) {
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << r.out;
  return doc.object();
}

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> cellsOf(const std::string& line) {
  std::vector<std::string> cells;
  size_t p = 0;
  while (true) {
    const size_t comma = line.find(',', p);
    cells.push_back(line.substr(p, comma - p));
    if (comma == std::string::npos) return cells;
    p = comma + 1;
  }
}

class FileCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    cnf = QString::fromStdString(dir.file("default.cnf"));
    dat = QString::fromStdString(dir.file("default.dat"));
    const Outcome r = logiremctl({"defaults", "--setup", cnf, "--acq", dat});
    ASSERT_EQ(r.status, 0) << r.err;
  }
  // Writes an acquisition file after changing the default image.
  QString acqFile(const std::string& name, const std::function<void(MemoryImages&)>& change) {
    MemoryImages images;
    LoadDefaultImages(images, nullptr);
    change(images);
    const std::string path = dir.file(name);
    EXPECT_TRUE(WriteFile(path, images, kAcquisition, 0));
    return QString::fromStdString(path);
  }
  TempDir dir;
  QString cnf, dat;
};
}  // namespace

TEST_F(FileCommands, DefaultsWritesTheBuiltInImages) {
  EXPECT_EQ(slurp(cnf.toStdString()), DefaultConfigText().substr(6) + "\r\n");
  EXPECT_EQ(slurp(dat.toStdString()), DefaultAcqText().substr(4) + "\r\n");

  EXPECT_EQ(logiremctl({"defaults"}).status, 2);
  EXPECT_EQ(logiremctl({"defaults", "--setup"}).status, 2);
  const std::string folder = dir.path().string();
  const Outcome r = logiremctl({"defaults", "--setup", QString::fromStdString(folder)});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "logiremctl: " + folder + ": cannot write the file\n");
}

TEST_F(FileCommands, SetupJson) {
  const Outcome r = logiremctl({"show", "--json", cnf});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const QJsonObject o = jsonOf(r);
  EXPECT_EQ(o["kind"].toString(), "setup");
  EXPECT_EQ(o["length"].toInt(), 922);
  EXPECT_EQ(o["trigger_position"].toInt(), 256);
  ASSERT_EQ(o["polarity"].toArray().size(), 8);
  for (const auto& w : o["polarity"].toArray()) EXPECT_EQ(w.toInt(), 0x01FF);

  const QJsonArray groups = o["groups"].toArray();
  ASSERT_EQ(groups.size(), 10);
  const QJsonObject grpa = groups[0].toObject();
  EXPECT_EQ(grpa["label"].toString(), "GRPA");
  EXPECT_EQ(grpa["base"].toInt(), 0);
  EXPECT_EQ(grpa["width"].toInt(), 8);
  EXPECT_EQ(grpa["digits"].toInt(), 2);
  EXPECT_EQ(grpa["channels"].toArray(), (QJsonArray{7, 6, 5, 4, 3, 2, 1, 0}));
  const QJsonObject ctl2 = groups[7].toObject();
  EXPECT_EQ(ctl2["label"].toString(), "CTL2");
  EXPECT_EQ(ctl2["first"].toInt(), 41);
  EXPECT_EQ(ctl2["input_radix"].toInt(), 2);
  EXPECT_EQ(ctl2["display_radix"].toInt(), 2);
  EXPECT_EQ(ctl2["column"].toInt(), 20);
  EXPECT_EQ(ctl2["rom"].toInt(), 0);
  EXPECT_EQ(ctl2["channels"].toArray(), (QJsonArray{28, 38, 48, 58}));
  EXPECT_EQ(groups[2].toObject()["label"].toString(), "    ");  // not trimmed
  EXPECT_EQ(groups[2].toObject()["base"].toInt(), 2);

  const QJsonArray map = o["channel_map"].toArray();
  ASSERT_EQ(map.size(), 72);
  EXPECT_EQ(map[8].toInt(), 8);
  EXPECT_EQ(map[44].toInt(), 58);
  EXPECT_EQ(map[45].toInt(), 90);
  const QJsonArray orderA = o["order_a"].toArray(), orderB = o["order_b"].toArray();
  ASSERT_EQ(orderA.size(), 72);
  ASSERT_EQ(orderB.size(), 12);
  for (const auto& pair : orderA) EXPECT_EQ(pair.toArray().size(), 2);

  // The same object comes from the built-in image directly.
  const Outcome builtIn = logiremctl({"show", "--defaults", "--json", "--kind", "setup"});
  EXPECT_EQ(builtIn.status, 0);
  EXPECT_EQ(jsonOf(builtIn), o);
}

TEST_F(FileCommands, AcquisitionJson) {
  const Outcome r = logiremctl({"show", "--json", dat});
  ASSERT_EQ(r.status, 0) << r.err;
  const QJsonObject o = jsonOf(r);
  EXPECT_EQ(o["kind"].toString(), "acquisition");
  EXPECT_EQ(o["length"].toInt(), 3539);
  EXPECT_EQ(o["cards9"].toInt(), 1);
  EXPECT_EQ(o["cards18"].toInt(), 2);
  EXPECT_EQ(o["triggered"].toBool(), true);
  EXPECT_EQ(o["sample_period_ns"].toInt(), 20);
  EXPECT_EQ(o["data_length"].toInt(), 2925);
  EXPECT_EQ(o["max_pod_length"].toInt(), 65);
  EXPECT_EQ(o["last_sample"].toInt(), 512);
  const QJsonArray pods = o["pods"].toArray();
  ASSERT_EQ(pods.size(), 8);
  const int offsets[] = {0, -1, 585, 1170, 1755, 2340, -1, -1};
  for (int pod = 0; pod < 8; ++pod) {
    const QJsonObject p = pods[pod].toObject();
    EXPECT_EQ(p["pod"].toInt(), pod);
    EXPECT_EQ(p["offset"].toInt(), offsets[pod]);
    EXPECT_EQ(p["absent"].toBool(), offsets[pod] < 0);
  }
  EXPECT_EQ(pods[0].toObject()["start"].toInt(), 256);
  EXPECT_EQ(pods[0].toObject()["end"].toInt(), 512);
  EXPECT_EQ(pods[0].toObject()["two_bit"].toBool(), true);
  EXPECT_EQ(pods[2].toObject()["start"].toInt(), 0);
  EXPECT_EQ(pods[2].toObject()["two_bit"].toBool(), false);

  // Without 18-bit cards the time axis is half as long.
  const QString no18 = acqFile("no18.dat", [](MemoryImages& m) { m.AcqMem[585] = 0; });
  EXPECT_EQ(jsonOf(logiremctl({"show", "--json", no18}))["last_sample"].toInt(), 256);
}

TEST_F(FileCommands, KindFromOptionExtensionOrFirstFrame) {
  // No extension: the first frame's address decides.
  const std::string plain = dir.file("capture");
  std::filesystem::copy_file(dat.toStdString(), plain);
  EXPECT_EQ(jsonOf(logiremctl({"show", "--json", QString::fromStdString(plain)}))["kind"],
            "acquisition");
  const std::string plainSetup = dir.file("settings.txt");
  std::filesystem::copy_file(cnf.toStdString(), plainSetup);
  EXPECT_EQ(jsonOf(logiremctl({"show", "--json", QString::fromStdString(plainSetup)}))["kind"],
            "setup");

  // The option wins over the extension, and loading then fails as it would in the program.
  Outcome r = logiremctl({"show", "--kind", "acquisition", cnf});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "logiremctl: " + cnf.toStdString() + ": Bad Acquisition data\n");

  // A .cnf file holding an acquisition.
  const std::string wrong = dir.file("wrong.cnf");
  std::filesystem::copy_file(dat.toStdString(), wrong);
  r = logiremctl({"show", QString::fromStdString(wrong)});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "logiremctl: " + wrong + ": Bad Configuration data\n");

  r = logiremctl({"show", QString::fromStdString(dir.file("missing"))});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "logiremctl: " + dir.file("missing") + ": cannot open the file\n");
}

TEST_F(FileCommands, ChecksumErrorsGoToStderrAndTheCommandSucceeds) {
  std::string text = slurp(cnf.toStdString());
  text.replace(text.find("FFB8,"), 4, "FFB9");
  const std::string bad = dir.file("bad.cnf");
  std::ofstream(bad, std::ios::binary) << text;
  const Outcome r = logiremctl({"show", QString::fromStdString(bad)});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("Checksum Error on Frame:1"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Needed: B8"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("Configuration, 922 bytes"), std::string::npos) << r.out;
}

TEST_F(FileCommands, UsageErrors) {
  for (const QStringList& args :
       {QStringList{}, QStringList{"show"}, QStringList{"show", "--kind", "ref", cnf},
        QStringList{"show", "--bogus", cnf}, QStringList{"show", cnf, dat},
        QStringList{"show", "--defaults", cnf}, QStringList{"export", dat, "--format", "xml"},
        QStringList{"export", dat, "-o"}, QStringList{"frobnicate"}}) {
    const Outcome r = logiremctl(args);
    EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
    EXPECT_NE(r.err.find("usage: logiremctl"), std::string::npos);
    EXPECT_EQ(r.out, "");
  }
}

TEST_F(FileCommands, ShowSummaries) {
  Outcome r = logiremctl({"show", cnf});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("\"GRPA\" T1"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("channels 28 38 48 58"), std::string::npos) << r.out;
  r = logiremctl({"show", dat});
  EXPECT_NE(r.out.find("Sample period: 20 ns"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  2      65      0    512       no     585"), std::string::npos) << r.out;
  r = logiremctl({"show", "--defaults"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Configuration, 922 bytes"), std::string::npos);
  EXPECT_NE(r.out.find("Acquisition, 3539 bytes"), std::string::npos);
}

TEST_F(FileCommands, ExportCsv) {
  const Outcome r = logiremctl({"export", dat, "--format", "csv"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = linesOf(r.out);
  ASSERT_EQ(lines.size(), 1u + 513u);
  std::string header = "sample,time_ns";
  for (int pod : {0, 2, 3, 4, 5}) {
    for (int c = 0; c < 9; ++c) header += ",Pod" + std::to_string(pod) + "." + std::to_string(c);
  }
  EXPECT_EQ(lines[0], header);

  // Sample 0: pod 0 has no sample yet; pod 2's latch still holds FF.
  auto row = cellsOf(lines[1 + 0]);
  ASSERT_EQ(row.size(), 2u + 45u);
  EXPECT_EQ(row[0], "0");
  EXPECT_EQ(row[1], "0");
  for (int c = 0; c < 9; ++c) EXPECT_EQ(row[2 + c], "") << c;
  for (int c = 0; c < 8; ++c) EXPECT_EQ(row[11 + c], "1") << c;
  EXPECT_EQ(row[19], "0");

  // Sample 258: a strobe; address 128 on pod 0 and word 64 latched on pod 2.
  row = cellsOf(lines[1 + 258]);
  EXPECT_EQ(row[1], "5160");
  EXPECT_EQ(row[2 + 7], "1");   // Pod0.7
  EXPECT_EQ(row[2 + 0], "0");   // Pod0.0
  EXPECT_EQ(row[2 + 8], "1");   // Pod0.8, the strobe
  EXPECT_EQ(row[11 + 6], "1");  // Pod2.6: 64
  EXPECT_EQ(row[11 + 8], "1");  // Pod2.8
  EXPECT_EQ(cellsOf(lines[1 + 512])[0], "512");

  // The same through -o, and an empty time column for the synchronous clock.
  const std::string out = dir.file("out.csv");
  ASSERT_EQ(logiremctl({"export", dat, "-o", QString::fromStdString(out)}).status, 0);
  EXPECT_EQ(slurp(out), r.out);
  const QString sync = acqFile("sync.dat", [](MemoryImages& m) { m.AcqMem[580] = 1; });
  const auto syncLines = linesOf(logiremctl({"export", sync, "--format", "csv"}).out);
  ASSERT_GT(syncLines.size(), 300u);
  EXPECT_EQ(syncLines[1 + 300].substr(0, 5), "300,,");

  EXPECT_EQ(logiremctl({"export", cnf}).status, 1);  // a configuration has no samples
}

TEST_F(FileCommands, CraftedHeadersStayInsideTheImage) {
  const QString huge = acqFile("huge.dat", [](MemoryImages& m) {
    for (size_t pod = 0; pod < 8; ++pod) {
      m.AcqMem[514 + 2 * pod] = 0xFF;
      m.AcqMem[515 + 2 * pod] = 0xFF;
      m.AcqMem[562 + pod] = 0;
    }
  });
  const Outcome show = logiremctl({"show", "--json", huge});
  ASSERT_EQ(show.status, 0) << show.err;
  const QJsonObject o = jsonOf(show);
  EXPECT_EQ(o["max_pod_length"].toInt(), 65535);
  EXPECT_EQ(o["last_sample"].toInt(), 8 * 65535 - 8);
  EXPECT_EQ(o["pods"].toArray()[7].toObject()["offset"].toInt(), 7 * 9 * 65535);

  // Pods of 4000 bytes a row reach far beyond the image; the export reads 0 there.
  const QString large = acqFile("large.dat", [](MemoryImages& m) {
    for (size_t pod = 0; pod < 8; ++pod) {
      m.AcqMem[514 + 2 * pod] = 4000 & 0xFF;
      m.AcqMem[515 + 2 * pod] = 4000 >> 8;
      m.AcqMem[562 + pod] = 0;
    }
  });
  const std::string out = dir.file("large.csv");
  ASSERT_EQ(logiremctl({"export", large, "-o", QString::fromStdString(out)}).status, 0);
  const auto lines = linesOf(slurp(out));
  ASSERT_EQ(lines.size(), 1u + 8u * 4000u - 7u);
  EXPECT_EQ(cellsOf(lines.back()).size(), 2u + 72u);
}
