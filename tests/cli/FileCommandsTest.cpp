// logiremctl show, export and defaults, run as the real program on real files.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <functional>
#include <sstream>

#include "cli/Ctl.h"
#include "memory/DataFiles.h"
#include "memory/DefaultImages.h"
#include "memory/MemoryImages.h"
#include "support/Files.h"
#include "support/TempDir.h"

namespace {
QJsonObject parsed(const std::string& json) {
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << json;
  return doc.object();
}
QJsonObject jsonOf(const CtlRun& r) { return parsed(r.out); }

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
  if (separator == ',' && !text.empty() && text.back() == ',') parts.emplace_back();
  return parts;
}

class FileCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    const CtlRun r = Ctl({"defaults", "--setup", Q(cnf), "--acq", Q(dat)});
    ASSERT_EQ(r.status, 0) << r.err;
  }
  // Writes an acquisition file after changing the default image.
  QString acqFile(const std::string& name, const std::function<void(MemoryImages&)>& change) {
    MemoryImages images;
    LoadDefaultImages(images, nullptr);
    change(images);
    EXPECT_TRUE(WriteFile(dir.file(name), images, kAcquisition, 0));
    return Q(dir.file(name));
  }
  // Every pod present with the given row length: a header describing far more than the image.
  QString podsOfLength(const std::string& name, uint16_t length) {
    return acqFile(name, [length](MemoryImages& m) {
      for (size_t pod = 0; pod < 8; ++pod) {
        m.AcqMem[514 + 2 * pod] = static_cast<uint8_t>(length & 0xFF);
        m.AcqMem[515 + 2 * pod] = static_cast<uint8_t>(length >> 8);
        m.AcqMem[562 + pod] = 0;
      }
    });
  }
  TempDir dir;
  std::string cnf = dir.file("default.cnf"), dat = dir.file("default.dat");
};
}  // namespace

TEST_F(FileCommands, DefaultsWritesTheBuiltInImages) {
  EXPECT_EQ(Slurp(cnf), DefaultConfigText().substr(6) + "\r\n");
  EXPECT_EQ(Slurp(dat), DefaultAcqText().substr(4) + "\r\n");
  const std::string folder = dir.path().string();
  const CtlRun r = Ctl({"defaults", "--setup", Q(folder)});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "logiremctl: " + folder + ": cannot write the file\n");
}

TEST_F(FileCommands, SetupJson) {
  const CtlRun r = Ctl({"show", "--json", Q(cnf)});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const QJsonObject o = jsonOf(r);
  EXPECT_EQ(o["kind"].toString(), "setup");
  EXPECT_EQ(o["length"].toInt(), 922);
  EXPECT_EQ(o["trigger_position"].toInt(), 256);
  EXPECT_EQ(o["polarity"].toArray(), (QJsonArray{511, 511, 511, 511, 511, 511, 511, 511}));

  const QJsonArray groups = o["groups"].toArray();
  ASSERT_EQ(groups.size(), 10);
  EXPECT_EQ(groups[0].toObject()["channels"].toArray(), (QJsonArray{7, 6, 5, 4, 3, 2, 1, 0}));
  EXPECT_EQ(groups[7].toObject(),
            parsed(R"({"label": "CTL2", "base": 0, "width": 4, "first": 41, "input_radix": 2,
                       "column": 20, "rom": 0, "display_radix": 2, "digits": 4,
                       "channels": [28, 38, 48, 58]})"));
  EXPECT_EQ(groups[2].toObject()["label"].toString(), "    ");  // not trimmed

  const QJsonArray map = o["channel_map"].toArray();
  ASSERT_EQ(map.size(), 72);
  EXPECT_EQ(map[44].toInt(), 58);
  EXPECT_EQ(map[45].toInt(), 90);
  EXPECT_EQ(o["order_a"].toArray().size(), 72);
  EXPECT_EQ(o["order_b"].toArray().size(), 12);
  EXPECT_EQ(o["order_a"].toArray()[0].toArray().size(), 2);

  // The same object comes from the built-in image directly.
  const CtlRun builtIn = Ctl({"show", "--defaults", "--json", "--kind", "setup"});
  EXPECT_EQ(builtIn.status, 0);
  EXPECT_EQ(jsonOf(builtIn), o);
}

TEST_F(FileCommands, AcquisitionJson) {
  const CtlRun r = Ctl({"show", "--json", Q(dat)});
  ASSERT_EQ(r.status, 0) << r.err;
  const QJsonObject o = jsonOf(r);
  const QJsonObject expected = parsed(R"({"kind": "acquisition", "length": 3539, "cards9": 1,
      "cards18": 2, "triggered": true, "sample_period_ns": 20, "data_length": 2925,
      "max_pod_length": 65, "last_sample": 512})");
  for (const QString& key : expected.keys()) EXPECT_EQ(o[key], expected[key]) << key.toStdString();
  const QJsonArray pods = o["pods"].toArray();
  ASSERT_EQ(pods.size(), 8);
  EXPECT_EQ(pods[0].toObject(), parsed(R"({"pod": 0, "absent": false, "length": 65, "start": 256,
                                           "end": 512, "two_bit": true, "offset": 0})"));
  const int offsets[] = {0, -1, 585, 1170, 1755, 2340, -1, -1};
  for (int pod = 0; pod < 8; ++pod) {
    EXPECT_EQ(pods[pod].toObject()["offset"], offsets[pod]) << pod;
    EXPECT_EQ(pods[pod].toObject()["absent"], offsets[pod] < 0) << pod;
  }
  EXPECT_EQ(pods[2].toObject()["start"], 0);
  EXPECT_EQ(pods[2].toObject()["two_bit"], false);

  // Without 18-bit cards the time axis is half as long.
  const QString no18 = acqFile("no18.dat", [](MemoryImages& m) { m.AcqMem[585] = 0; });
  EXPECT_EQ(jsonOf(Ctl({"show", "--json", no18}))["last_sample"].toInt(), 256);
}

TEST_F(FileCommands, KindFromOptionExtensionOrFirstFrame) {
  // No known extension: the first frame's address decides.
  const std::string plain = dir.file("capture"), plainSetup = dir.file("settings.txt");
  std::filesystem::copy_file(dat, plain);
  std::filesystem::copy_file(cnf, plainSetup);
  EXPECT_EQ(jsonOf(Ctl({"show", "--json", Q(plain)}))["kind"], "acquisition");
  EXPECT_EQ(jsonOf(Ctl({"show", "--json", Q(plainSetup)}))["kind"], "setup");

  // The option wins over the extension, and loading then fails as it would in the program.
  CtlRun r = Ctl({"show", "--kind", "acquisition", Q(cnf)});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "logiremctl: " + cnf + ": Bad Acquisition data\n");

  const std::string wrong = dir.file("wrong.cnf");  // a .cnf file holding an acquisition
  std::filesystem::copy_file(dat, wrong);
  r = Ctl({"show", Q(wrong)});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "logiremctl: " + wrong + ": Bad Configuration data\n");

  // Whatever its name says, a file that cannot be opened is reported as such.
  for (const std::string& missing : {dir.file("missing"), dir.file("missing.dat"),
                                     dir.file("missing.cnf"), dir.path().string()}) {
    for (const QStringList& command : {QStringList{"show"}, QStringList{"export"}}) {
      r = Ctl(command + QStringList{Q(missing)});
      EXPECT_EQ(r.status, 1);
      EXPECT_EQ(r.err, "logiremctl: " + missing + ": cannot open the file\n");
    }
  }
}

// Every report is printed, however many; bytes a terminal would act on show as \xNN.
TEST_F(FileCommands, ChecksumErrorsGoToStderrAndTheCommandSucceeds) {
  std::string text = Slurp(cnf);
  for (size_t p = text.find_first_of(",;"); p != std::string::npos;
       p = text.find_first_of(",;", p + 1)) {
    text[p - 1] = text[p - 1] == '0' ? '1' : '0';
  }
  Put(cnf, text);
  CtlRun r = Ctl({"show", Q(cnf)});
  EXPECT_EQ(r.status, 0);
  size_t reports = 0;
  for (size_t p = r.err.find("Checksum Error on Frame:"); p != std::string::npos;
       p = r.err.find("Checksum Error on Frame:", p + 1)) {
    ++reports;
  }
  EXPECT_EQ(reports, 20u) << r.err;
  EXPECT_NE(r.err.find("Checksum Error on Frame:1\n  Actual: B0\n  Needed: B8\n"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.out.find("Configuration, 922 bytes"), std::string::npos) << r.out;

  Put(cnf, "#H05010000AA\x1b\xff;\r\n");
  r = Ctl({"show", Q(cnf)});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err,
            "Logirem: Checksum Error on Frame:1\n  Actual: \\x1B\\xFF\n  Needed: 50\n"
            "  Start:  H05010000AA\\x1B\\xFF;\n");
}

// A capture shorter than its header says still shows and exports, with a warning and
// "complete": false.
TEST_F(FileCommands, CutOffAcquisitionsWarnAndStillLoad) {
  const std::string tail = " bytes its header announces; missing samples read as 0\n";
  const struct {
    QString file;
    std::string warning;
  } cases[] = {
      {Q(dat), ""},
      {acqFile("cut.dat", [](MemoryImages& m) { m.AcqLen = 1800; }),
       "holds 1800 of the 3539" + tail},
      {podsOfLength("long.dat", 1000), "holds 3539 of the 72614" + tail},
  };
  for (const auto& c : cases) {
    const std::string where = c.warning.empty() ? "" : "logiremctl: " + c.file.toStdString() + ": ";
    CtlRun r = Ctl({"show", "--json", c.file});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, where + c.warning);
    EXPECT_EQ(jsonOf(r)["complete"], c.warning.empty()) << r.out;
    r = Ctl({"export", c.file, "-o", Q(dir.file("out.csv"))});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, where + c.warning);
  }
}

TEST_F(FileCommands, UsageErrors) {
  const QString c = Q(cnf), d = Q(dat);
  for (const QStringList& args :
       {QStringList{}, QStringList{"show"}, QStringList{"show", "--kind", "ref", c},
        QStringList{"show", "--bogus", c}, QStringList{"show", c, d},
        QStringList{"show", "--defaults", c}, QStringList{"export", d, "--format", "xml"},
        QStringList{"export", d, "-o"}, QStringList{"frobnicate"}, QStringList{"defaults"},
        QStringList{"defaults", "--setup"}}) {
    const CtlRun r = Ctl(args);
    EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
    EXPECT_NE(r.err.find("usage: logiremctl"), std::string::npos);
    EXPECT_EQ(r.out, "");
  }
}

TEST(FileCommandsHelp, HelpPrintsTheUsageOnStdout) {
  for (const char* help : {"--help", "-h"}) {
    const CtlRun r = Ctl({help});
    EXPECT_EQ(r.status, 0) << help;
    EXPECT_TRUE(r.out.starts_with("usage: logiremctl")) << r.out;
    EXPECT_EQ(r.err, "");
  }
}

TEST_F(FileCommands, ShowSummaries) {
  CtlRun r = Ctl({"show", Q(cnf)});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("\"GRPA\" T1"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("channels 28 38 48 58"), std::string::npos) << r.out;
  r = Ctl({"show", Q(dat)});
  EXPECT_NE(r.out.find("Sample period: 20 ns"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  2      65      0    512       no     585"), std::string::npos) << r.out;
  r = Ctl({"show", "--defaults"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Configuration, 922 bytes"), std::string::npos);
  EXPECT_NE(r.out.find("Acquisition, 3539 bytes"), std::string::npos);
}

TEST_F(FileCommands, ExportCsv) {
  const CtlRun r = Ctl({"export", Q(dat), "--format", "csv"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = split(r.out, '\n');
  ASSERT_EQ(lines.size(), 1u + 513u);
  std::string header = "sample,time_ns";
  for (int pod : {0, 2, 3, 4, 5}) {
    for (int c = 0; c < 9; ++c) header += ",Pod" + std::to_string(pod) + "." + std::to_string(c);
  }
  EXPECT_EQ(lines[0], header);

  // Sample 0: pod 0 has no sample yet; pod 2's latch still holds FF.
  const std::string sample0 = "0,0," + std::string(9, ',') + "1,1,1,1,1,1,1,1,0,";
  EXPECT_EQ(lines[1].substr(0, sample0.size()), sample0);
  // Sample 258: a strobe; address 128 on pod 0 and word 64 latched on pod 2.
  const auto row = split(lines[1 + 258], ',');
  ASSERT_EQ(row.size(), 2u + 45u);
  EXPECT_EQ(row[1], "5160");
  for (const auto& [cell, value] :
       {std::pair{2 + 7, "1"}, {2 + 0, "0"}, {2 + 8, "1"}, {11 + 6, "1"}, {11 + 8, "1"}}) {
    EXPECT_EQ(row[static_cast<size_t>(cell)], value) << cell;
  }
  EXPECT_EQ(lines.back().substr(0, 4), "512,");

  // The same through -o, and an empty time column for the synchronous clock.
  const std::string out = dir.file("out.csv");
  ASSERT_EQ(Ctl({"export", Q(dat), "-o", Q(out)}).status, 0);
  EXPECT_EQ(Slurp(out), r.out);
  const QString sync = acqFile("sync.dat", [](MemoryImages& m) { m.AcqMem[580] = 1; });
  const auto syncLines = split(Ctl({"export", sync, "--format", "csv"}).out, '\n');
  ASSERT_GT(syncLines.size(), 301u);
  EXPECT_EQ(syncLines[1 + 300].substr(0, 5), "300,,");

  EXPECT_EQ(Ctl({"export", Q(cnf)}).status, 1);  // a configuration has no samples
}

TEST_F(FileCommands, CraftedHeadersStayInsideTheImage) {
  const CtlRun show = Ctl({"show", "--json", podsOfLength("huge.dat", 65535)});
  ASSERT_EQ(show.status, 0) << show.err;
  const QJsonObject o = jsonOf(show);
  EXPECT_EQ(o["max_pod_length"].toInt(), 65535);
  EXPECT_EQ(o["last_sample"].toInt(), 8 * 65535 - 8);
  EXPECT_EQ(o["pods"].toArray()[7].toObject()["offset"].toInt(), 7 * 9 * 65535);

  // Pods of 4000 bytes a row reach far beyond the image; the export reads 0 there.
  const std::string out = dir.file("large.csv");
  ASSERT_EQ(Ctl({"export", podsOfLength("large.dat", 4000), "-o", Q(out)}).status, 0);
  const auto lines = split(Slurp(out), '\n');
  ASSERT_EQ(lines.size(), 1u + 8u * 4000u - 7u);
  EXPECT_EQ(split(lines.back(), ',').size(), 2u + 72u);
}
