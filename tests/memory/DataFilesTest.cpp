#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>

#include "memory/DataFiles.h"
#include "memory/DefaultImages.h"
#include "memory/HexCodec.h"
#include "memory/MemoryImages.h"
#include "support/Files.h"
#include "support/RecordingOperator.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {
std::string configFrames() { return DefaultConfigText().substr(6); }  // without "INSET "

class DataFilesTest : public ::testing::Test {
 protected:
  DataFilesTest() { LoadDefaultImages(images, nullptr); }
  std::vector<std::string> names() const {
    std::vector<std::string> list;
    for (const auto& e : fs::directory_iterator(dir.path())) list.push_back(e.path().filename());
    std::sort(list.begin(), list.end());
    return list;
  }
  TempDir dir;
  MemoryImages images;
  RecordingOperator op;
};
}  // namespace

TEST_F(DataFilesTest, WrittenFilesReadBack) {
  const std::string cnf = dir.file("a.cnf"), dat = dir.file("a.dat"), ref = dir.file("r.dat");
  ASSERT_TRUE(WriteFile(cnf, images, kConfiguration, 0));
  ASSERT_TRUE(WriteFile(dat, images, kAcquisition, 0));
  images.AcqMem[700] ^= 0xFF;  // the reference memory differs in one byte
  ASSERT_TRUE(WriteFile(ref, images, kReference, 0));
  EXPECT_EQ(Slurp(cnf), configFrames() + "\r\n");  // the frames on one line
  EXPECT_EQ(Slurp(dat).substr(0, 10), "#H34000000");
  EXPECT_EQ(names(), (std::vector<std::string>{"a.cnf", "a.dat", "r.dat"}));  // no temporary

  MemoryImages loaded;
  EXPECT_TRUE(ReadFile(cnf, loaded, kConfiguration, &op));
  EXPECT_EQ(loaded.SetupLen, 922);
  EXPECT_EQ(loaded.SetupMem, images.SetupMem);
  EXPECT_TRUE(ReadFile(ref, loaded, kAcquisition, &op));
  EXPECT_EQ(loaded.AcqMem, images.AcqMem);
  EXPECT_TRUE(ReadFile(dat, loaded, kReference, &op));  // the two kinds share one image
  EXPECT_EQ(loaded.AcqLen, 3539);
  EXPECT_NE(loaded.AcqMem[700], images.AcqMem[700]);
  EXPECT_TRUE(op.messages.empty());

  // Off skips the first bytes; the frames then start at that address.
  ASSERT_TRUE(WriteFile(cnf, images, kConfiguration, 10));
  EXPECT_EQ(Slurp(cnf).substr(0, 10), "#H3401000A");
  EXPECT_FALSE(ReadFile(cnf, loaded, kConfiguration, &op));  // not at the base any more
}

TEST_F(DataFilesTest, LineEnds) {
  const std::string path = dir.file("x.cnf");
  for (const char* end : {"\r\n", "\n", "", "\r", "\r\n\r\nrest"}) {
    Put(path, configFrames() + end);
    MemoryImages loaded;
    EXPECT_TRUE(ReadFile(path, loaded, kConfiguration, &op)) << "end " << fs::path(end);
    EXPECT_EQ(loaded.SetupLen, 922);
  }
  // Only the first line counts, and a lone CR ends it as well: the frame after it (byte 0
  // as AA) is not part of the configuration.
  Put(path, configFrames() + "\r#H05010000AA50;\r\n");
  MemoryImages loaded;
  EXPECT_TRUE(ReadFile(path, loaded, kConfiguration, &op));
  EXPECT_EQ(loaded.SetupLen, 922);
  EXPECT_EQ(loaded.SetupMem[0], 0x02);
  Put(path, "\r\n" + configFrames() + "\r\n");
  EXPECT_FALSE(ReadFile(path, loaded, kConfiguration, &op));
  EXPECT_EQ(loaded.SetupLen, 0);
  EXPECT_TRUE(op.messages.empty());
}

TEST_F(DataFilesTest, FirstLineOverOneMebibyteIsRefused) {
  const std::string path = dir.file("big.cnf");
  const size_t limit = size_t{1} << 20;
  std::string line = configFrames();
  line.append(limit - line.size(), ',');  // still a valid line, exactly at the limit
  Put(path, line + "\r\n");
  EXPECT_TRUE(ReadFile(path, images, kConfiguration, &op));

  Put(path, line + ",\r\n");
  EXPECT_FALSE(ReadFile(path, images, kConfiguration, &op));
  EXPECT_EQ(images.SetupLen, 0);
  EXPECT_EQ(images.SetupMem[0], 0);  // the image is emptied as for any failed load

  // A huge file without a line end is refused as well.
  Put(path, line + std::string(3 * limit, ','));
  EXPECT_FALSE(ReadFile(path, images, kConfiguration, &op));
}

TEST_F(DataFilesTest, FailedLoadsLeaveTheImageZeroed) {
  const std::string cnf = dir.file("c.cnf"), empty = dir.file("e.cnf"), far = dir.file("f.cnf");
  ASSERT_TRUE(WriteFile(cnf, images, kConfiguration, 0));
  Put(empty, "");
  Put(far, "#H07010000616263D2,#H050109C5BB00;\r\n");  // the second frame lies beyond the image
  const struct {
    std::string path;
    int32_t kind;
    int16_t length;
  } cases[] = {
      {cnf, kAcquisition, -1},  // a configuration's first frame is not at address 0
      {empty, kConfiguration, 0},
      {dir.file("missing.cnf"), kConfiguration, 0},
      {dir.path().string(), kConfiguration, 0},  // a folder
      {far, kConfiguration, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    LoadDefaultImages(images, nullptr);
    EXPECT_FALSE(ReadFile(c.path, images, c.kind, &op));
    const std::span<const uint8_t> image = c.kind == kConfiguration
                                               ? std::span<const uint8_t>(images.SetupMem)
                                               : std::span<const uint8_t>(images.AcqMem);
    EXPECT_EQ(c.kind == kConfiguration ? images.SetupLen : images.AcqLen, c.length);
    EXPECT_TRUE(std::all_of(image.begin(), image.end() - 1, [](uint8_t b) { return b == 0; }));
  }
  EXPECT_TRUE(op.messages.empty());
}

TEST_F(DataFilesTest, FailedSaveKeepsTheOldFile) {
  const std::string path = dir.file("keep.cnf");
  Put(path, "old content\r\n");

  // The file system refuses to let the file grow, as on a full disk.
  struct rlimit old {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 100;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool saved = WriteFile(path, images, kConfiguration, 0);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
  EXPECT_FALSE(saved);
  EXPECT_EQ(Slurp(path), "old content\r\n");
  EXPECT_EQ(names(), std::vector<std::string>{"keep.cnf"});  // the partial file is gone

  // Nothing to save: an image whose last load failed.
  images.AcqLen = 0;
  EXPECT_FALSE(WriteFile(path, images, kAcquisition, 0));
  images.AcqLen = -1;
  EXPECT_FALSE(WriteFile(path, images, kAcquisition, 0));
  images.AcqLen = 3539;
  EXPECT_FALSE(WriteFile(path, images, kAcquisition, 3539));
  EXPECT_EQ(Slurp(path), "old content\r\n");

  // A folder where the file should go, and a folder that does not exist.
  fs::create_directory(dir.file("folder.cnf"));
  EXPECT_FALSE(WriteFile(dir.file("folder.cnf"), images, kConfiguration, 0));
  EXPECT_TRUE(fs::is_directory(dir.file("folder.cnf")));
  EXPECT_FALSE(WriteFile(dir.file("none/x.cnf"), images, kConfiguration, 0));

  // A read-only folder stops everyone but the superuser.
  if (geteuid() != 0) {
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(WriteFile(path, images, kConfiguration, 0));
    fs::permissions(dir.path(), fs::perms::owner_all);
    EXPECT_EQ(Slurp(path), "old content\r\n");
  }
}

TEST_F(DataFilesTest, SaveReplacesTheFileButKeepsItsModeAndLinks) {
  const std::string path = dir.file("mode.dat");
  Put(path, "old\r\n");
  ::chmod(path.c_str(), 0640);
  ASSERT_TRUE(WriteFile(path, images, kAcquisition, 0));
  EXPECT_EQ(fs::status(path).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(Slurp(path).substr(0, 10), "#H34000000");

  const std::string link = dir.file("link.dat");
  fs::create_symlink(path, link);
  images.AcqMem[1000] = 0x42;
  ASSERT_TRUE(WriteFile(link, images, kAcquisition, 0));
  EXPECT_TRUE(fs::is_symlink(link));
  MemoryImages loaded;
  ASSERT_TRUE(ReadFile(path, loaded, kAcquisition, &op));
  EXPECT_EQ(loaded.AcqMem[1000], 0x42);
}

TEST(DataFileNames, KindWordsAndExtensionRule) {
  EXPECT_EQ(KindWord(kConfiguration), "Configuration");
  EXPECT_EQ(KindWord(kAcquisition), "Acquisition");
  EXPECT_EQ(KindWord(kReference), "Acquisition");
  EXPECT_EQ(KindExtension(kConfiguration), "cnf");
  EXPECT_EQ(KindExtension(kReference), "dat");

  // Only the file name's extension counts, whatever its length; dots in folders never do.
  // A name without any dot gets the kind's extension; one the operator typed is kept.
  const struct {
    const char *name, *without, *asConfiguration;
  } names[] = {{"data/run1.cnf", "data/run1", "data/run1.cnf"},
               {"data\\run1.cnf", "data\\run1", "data\\run1.cnf"},
               {"my.dir/run1.dat", "my.dir/run1", "my.dir/run1.dat"},
               {"/home/a.b/run1", "/home/a.b/run1", "/home/a.b/run1.cnf"},
               {"my.dir\\run1", "my.dir\\run1", "my.dir\\run1.cnf"},
               {"run1.2.data", "run1.2", "run1.2.data"},
               {"run1", "run1", "run1.cnf"},
               {"a.b/", "a.b/", "a.b/"}};
  for (const auto& n : names) {
    EXPECT_EQ(NameWithoutExtension(n.name), n.without) << n.name;
    EXPECT_EQ(NameWithExtension(n.name, kConfiguration), n.asConfiguration) << n.name;
  }
  EXPECT_EQ(NameWithExtension("run1", kReference), "run1.dat");
}
