// logiremctl listing and compare on crafted captures, with the values worked out by hand from
// the sample bits put into the image.
#include <QJsonDocument>

#include "cli/Ctl.h"
#include "model/AcqModel.h"

namespace {
using TableCommands = FileFixture;

// Sets one sample of a one-bit-per-sample pod: byte (7 + s - start) / 8 of the channel's row,
// bit (7 + s - start) % 8.
void SetLevel(MemoryImages& m, int16_t pod, int16_t channel, int32_t s, bool high) {
  const AcqModel acq(m.AcqMem);
  const int32_t a = 7 + s - acq.PodStart(pod);
  uint8_t& byte = m.AcqMem[614 + acq.PodOffset()[pod] + channel * acq.PodLength(pod) + a / 8];
  byte = static_cast<uint8_t>(high ? byte | (1 << (a % 8)) : byte & ~(1 << (a % 8)));
}

// Pod 2 all low, then 0x41 on channels 0..7 at sample 0 and 0xC1 at sample 1, channel 8 high
// at sample 1.
void TwoValues(MemoryImages& m) {
  for (int16_t c = 0; c < 9; ++c) {
    for (int32_t s = 0; s <= 512; ++s) SetLevel(m, 2, c, s, false);
  }
  for (int16_t c : {int16_t{0}, int16_t{6}}) SetLevel(m, 2, c, 0, true);
  for (int16_t c : {int16_t{0}, int16_t{6}, int16_t{7}, int16_t{8}}) SetLevel(m, 2, c, 1, true);
}

std::string Lines(const std::string& text, size_t from, size_t count) {
  std::string part;
  const auto lines = Split(text, '\n');
  for (size_t i = from; i < from + count && i < lines.size(); ++i) part += lines[i] + "\n";
  return part;
}
}  // namespace

// GRPB narrowed to pod 2's channels 7..0 and shown in every display radix; its listing column
// moved before GRPA's, GRPC's made equal to GRPA's (ties go by group number).
TEST_F(TableCommands, ListingShowsEveryRadixInColumnOrder) {
  const QString acq = write("values.dat", TwoValues);
  const struct {
    uint8_t radix;
    const char* row0;
    const char* row1;
  } cases[] = {{0, "41", "C1"}, {1, "101", "301"}, {2, "01000001", "11000001"},
               {3, "", ""},     {4, "A", "."},     {5, ".", "A"},
               {6, "41", "C1"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.radix);
    const QString cnf8 = write(
        "narrow.cnf",
        [&c](MemoryImages& m) {
          m.SetupMem[710 + 12 * 5 + 5] = 8;  // width
          m.SetupMem[710 + 12 * 5 + 8] = 0;  // columns tied with GRPA's: group order
          m.SetupMem[710 + 12 * 6 + 8] = 0;
          m.SetupMem[710 + 12 * 5 + 10] = c.radix;
          m.SetupMem[710 + 12 * 5 + 9] = 1;  // ROM allowed
        },
        kConfiguration);
    const CtlRun run = Ctl({"listing", acq, "--setup", cnf8});
    ASSERT_EQ(run.status, 0) << run.err;
    // OFF drops the column; CTL2's bit 3 is pod 2 channel 8.
    const std::string expected =
        c.radix == 3 ? "Sample\tTime_ns\tGRPA\tGRPC\tCTL1\tCTL2\n0\t0\t\t0000\t\t0000\n"
                       "1\t20\t\t0000\t\t1000\n"
                     : std::string("Sample\tTime_ns\tGRPA\tGRPB\tGRPC\tCTL1\tCTL2\n0\t0\t\t") +
                           c.row0 + "\t0000\t\t0000\n1\t20\t\t" + c.row1 + "\t0000\t\t1000\n";
    EXPECT_EQ(Lines(run.out, 0, 3), expected);
    EXPECT_EQ(Split(run.out, '\n').size(), 514u);
  }
}

TEST_F(TableCommands, ListingByPodsAndWithoutAClock) {
  const QString acq = write("sync.dat", [](MemoryImages& m) {
    TwoValues(m);
    m.AcqMem[580] = 1;
  });
  const CtlRun run = Ctl({"listing", acq});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Lines(run.out, 0, 3),
            "Sample\tTime_ns\tPod0\tPod2\tPod3\tPod4\tPod5\n0\t\t\t041\t000\t000\t000\n"
            "1\t\t\t1C1\t000\t000\t000\n");
  // Pod 0 (two samples a display sample) starts at 256 with channel 7 high, as GRPA's 80.
  EXPECT_EQ(Split(Lines(run.out, 257, 1), '\t')[2], "080");
}

TEST_F(TableCommands, ListingFindsWithWildcardsAndRefusesBadPatterns) {
  const QString acq = write("values.dat", TwoValues);
  const QString narrow = write(
      "narrow.cnf", [](MemoryImages& m) { m.SetupMem[710 + 12 * 5 + 5] = 8; }, kConfiguration);
  const struct {
    const char* find;
    int status;
    std::vector<std::string> samples;  // first cells of the rows printed
    const char* message;
  } cases[] = {
      {"GRPB=X1", 0, {"0", "1"}, ""},
      {"GRPB=4x", 0, {"0"}, ""},
      {"GRPB=c1", 0, {"1"}, ""},
      {"GRPB=X2", 1, {}, ""},
      {"CTL2=1XXX", 0, {"1"}, ""},
      {"GRPA=XX", 0, {}, ""},  // filled below: every sample from 256 on
      {"GRPZ=41", 2, {}, "logiremctl: no column GRPZ in the listing\n"},
      {"GRPB=041", 2, {}, "logiremctl: GRPB shows 2 digits, the pattern 041 has 3\n"},
      {"CTL2=102X", 2, {}, "logiremctl: '2' is not a BIN digit\n"},
      {"GRPB", 2, {}, "logiremctl: --find needs LABEL=PATTERN, not GRPB\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.find);
    const CtlRun run = Ctl({"listing", acq, "--setup", narrow, "--find", c.find});
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.err, c.message);
    if (c.status == 2) continue;
    std::vector<std::string> samples;
    for (const auto& line : Split(run.out, '\n')) samples.push_back(Split(line, '\t')[0]);
    ASSERT_EQ(samples.at(0), "Sample");
    samples.erase(samples.begin());
    if (std::string(c.find) == "GRPA=XX") {
      ASSERT_EQ(samples.size(), 257u);
      EXPECT_EQ(samples.front() + "-" + samples.back(), "256-512");
    } else {
      EXPECT_EQ(samples, c.samples);
    }
  }
  EXPECT_EQ(Ctl({"listing", acq, "extra.dat"}).status, 2);
  const CtlRun missing = Ctl(words("listing @/missing.dat --find GRPB=41"));
  EXPECT_EQ(missing.status, 2);  // not 1: that would read as "no row matched"
  EXPECT_EQ(missing.err, expand("logiremctl: @/missing.dat: cannot open the file\n"));
}

// Pairs that differ in one way each, against the built-in capture (pods 0, 2..5; 20 ns).
TEST_F(TableCommands, CompareReportsEachKindOfDifference) {
  const auto zeroed = [](uint16_t length, uint16_t start) {
    return [=](MemoryImages& m) {
      std::fill(m.AcqMem.begin() + 614, m.AcqMem.end(), 0);
      m.AcqMem[562] = 0x55;  // pod 0 gone, pods 2..5 of the given length from sample 0
      for (int pod = 2; pod <= 5; ++pod) {
        m.AcqMem[514 + 2 * pod] = static_cast<uint8_t>(length & 0xFF);
        m.AcqMem[515 + 2 * pod] = static_cast<uint8_t>(length >> 8);
        m.AcqMem[530 + 2 * pod] = static_cast<uint8_t>(start & 0xFF);
        m.AcqMem[531 + 2 * pod] = static_cast<uint8_t>(start >> 8);
      }
    };
  };
  const QString pulses = write("pulses.dat", [](MemoryImages& m) {
    for (int32_t s : {0, 512}) {
      const AcqModel acq(m.AcqMem);
      SetLevel(m, 2, 0, s, !acq.Level(2, 0, s).value());
    }
  });
  const QString noPod5 = write("nopod5.dat", [](MemoryImages& m) { m.AcqMem[562 + 5] = 0x55; });
  const QString slower = write("slower.dat", [](MemoryImages& m) { m.AcqMem[581] = 2; });
  const QString longer = write("long.dat", zeroed(65, 0xFE00));
  const QString shorter = write("short.dat", zeroed(33, 0xFF00));
  const struct {
    QStringList args;
    int status;
    const char* head;  // the first lines of the text
    size_t lines;      // how many lines it has in all
  } cases[] = {
      {{Q(dat), Q(dat)}, 0, "identical\n", 1},
      {{Q(dat), pulses}, 1, "2 samples differ on 1 lines\nPod2.0: 0,512\n", 2},
      {{Q(dat), pulses, "--setup", Q(cnf)}, 1, "2 samples differ on 1 lines\nGRPB08: 0,512\n", 2},
      {{Q(dat), noPod5},
       1,
       "513 samples differ on 9 lines\npod5: present | absent\nPod5.0: 0-512\n",
       11},
      {{Q(dat), slower}, 1, "0 samples differ on 0 lines\nperiod: 20ns | 50ns\n", 2},
      {{longer, shorter},
       1,
       "256 samples differ on 36 lines\npod2 end: 512 | 256\npod3 end: 512 | 256\n"
       "pod4 end: 512 | 256\npod5 end: 512 | 256\nPod2.0: 257-512\n",
       41},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    const CtlRun run = Ctl(QStringList{"compare"} + c.args);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(Lines(run.out, 0, Split(c.head, '\n').size()), c.head);
    EXPECT_EQ(Split(run.out, '\n').size(), c.lines);
  }
  const CtlRun json = Ctl({"compare", "--json", Q(dat), pulses});
  EXPECT_EQ(json.status, 1);
  EXPECT_EQ(
      QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).toJson(QJsonDocument::Compact),
      R"({"header":[],"identical":false,"lines":[{"name":"Pod2.0","ranges":[[0,0],[512,512]]}]})");
  const CtlRun header = Ctl({"compare", "--json", Q(dat), slower});
  EXPECT_EQ(
      QJsonDocument::fromJson(QByteArray::fromStdString(header.out)).toJson(QJsonDocument::Compact),
      R"({"header":[{"a":"20ns","b":"50ns","field":"period"}],"identical":false,"lines":[]})");
  // Trouble is 2, never 1: a script must not take it for "different".
  EXPECT_EQ(Ctl(words("compare DAT @/missing.dat")).status, 2);
  EXPECT_EQ(Ctl(words("compare DAT CNF")).status, 2);
  EXPECT_EQ(Ctl(words("compare DAT")).status, 2);
}
