// Data files in a temp folder: saved and loaded back, the first line only, failed loads and
// saves, and the names the dialogs hand on. (What any content loads as is replayed by the
// data-file fuzz target.)
#include <gtest/gtest.h>

#include <filesystem>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#endif

#include "memory/DataFiles.h"
#include "memory/DefaultImages.h"
#include "memory/MemoryImages.h"
#include "support/Files.h"
#include "support/RecordingOperator.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {
#ifdef _WIN32
// Another program holds the file open without letting it be deleted, as an editor or a
// spreadsheet does: the new content cannot be renamed over it.
class SaveRefused {
 public:
  explicit SaveRefused(const std::string& path)
      : handle_(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~SaveRefused() { ::CloseHandle(handle_); }
  bool active() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};
#else
// The file system refuses to let the file grow, as on a full disk.
class SaveRefused {
 public:
  explicit SaveRefused(const std::string&) : previous_(std::signal(SIGXFSZ, SIG_IGN)) {
    if (getrlimit(RLIMIT_FSIZE, &old_) != 0) return;
    struct rlimit small = old_;
    small.rlim_cur = 100;
    ok_ = setrlimit(RLIMIT_FSIZE, &small) == 0;
  }
  ~SaveRefused() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, previous_);
  }
  bool active() const { return ok_; }

 private:
  void (*previous_)(int);
  struct rlimit old_ {};
  bool ok_ = false;
};
#endif

std::string configFrames() { return DefaultConfigText().substr(6); }  // without "INSET "

class DataFilesTest : public ::testing::Test {
 protected:
  DataFilesTest() { LoadDefaultImages(images, nullptr); }
  TempDir dir;
  MemoryImages images;
  RecordingOperator op;
};
}  // namespace

TEST_F(DataFilesTest, WrittenFilesReadBack) {
  const std::string cnf = dir.file("a.cnf"), dat = dir.file("a.dat");
  ASSERT_TRUE(WriteFile(cnf, images, kConfiguration, 0));
  ASSERT_TRUE(WriteFile(dat, images, kReference, 0));
  EXPECT_EQ(Slurp(cnf), configFrames() + "\r\n");  // the frames on one line
  MemoryImages loaded;
  EXPECT_TRUE(ReadFile(cnf, loaded, kConfiguration, &op));
  EXPECT_TRUE(ReadFile(dat, loaded, kAcquisition, &op));  // the two kinds share one image
  EXPECT_EQ(loaded.SetupLen, 922);
  EXPECT_EQ(loaded.AcqLen, 3539);
  EXPECT_EQ(loaded.SetupMem, images.SetupMem);
  EXPECT_EQ(loaded.AcqMem, images.AcqMem);
  // Off skips the first bytes; the frames then start at that address.
  ASSERT_TRUE(WriteFile(cnf, images, kConfiguration, 10));
  EXPECT_EQ(Slurp(cnf).substr(0, 10), "#H3401000A");
}

// Only the first line counts, and a lone CR ends it as well: the frame after it (byte 0 as
// AA) is not part of the configuration. A first line over 1 MiB is refused before it is
// read whole, and a failed load leaves the image zeroed.
TEST_F(DataFilesTest, FirstLineOnly) {
  const std::string path = dir.file("x.cnf");
  std::string line = configFrames();
  line.append((size_t{1} << 20) - line.size(), ',');  // still a valid line, exactly at the limit
  for (const auto& [content, loads] : {std::pair{configFrames() + "\r#H05010000AA50;\r\n", true},
                                       {line + "\r\n", true},
                                       {line + ",\r\n", false},
                                       {line + line + line, false}}) {
    Put(path, content);
    EXPECT_EQ(ReadFile(path, images, kConfiguration, &op), loads) << content.size();
    EXPECT_EQ(images.SetupMem[0], loads ? 0x02 : 0);
  }
  for (const std::string& name : {dir.file("missing.cnf"), dir.path().string(), path}) {
    images.SetupMem[5] = 1;
    EXPECT_FALSE(ReadFile(name, images, kConfiguration, &op)) << name;
    EXPECT_EQ(images.SetupLen, 0);
    EXPECT_EQ(images.SetupMem, decltype(images.SetupMem){});
  }
}

TEST_F(DataFilesTest, FailedSaveKeepsTheOldFile) {
  const std::string path = dir.file("keep.cnf");
  Put(path, "old content\r\n");
  {
    const SaveRefused refused(path);
    ASSERT_TRUE(refused.active());
    EXPECT_FALSE(WriteFile(path, images, kConfiguration, 0));
  }
  // Nothing to save: an image whose last load failed, or an offset past its end.
  for (const auto& [length, off] : {std::pair{0, 0}, {-1, 0}, {3539, 3539}}) {
    images.AcqLen = static_cast<int16_t>(length);
    EXPECT_FALSE(WriteFile(path, images, kAcquisition, static_cast<int16_t>(off))) << length;
  }
  EXPECT_EQ(Slurp(path), "old content\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);  // no partial file left
  EXPECT_FALSE(WriteFile(dir.file("none/x.cnf"), images, kConfiguration, 0));
}

#ifndef _WIN32
TEST_F(DataFilesTest, SaveReplacesTheFileButKeepsItsModeAndLinks) {
  const std::string path = dir.file("mode.dat"), link = dir.file("link.dat");
  Put(path, "old\r\n");
  ::chmod(path.c_str(), 0640);
  fs::create_symlink(path, link);
  ASSERT_TRUE(WriteFile(link, images, kAcquisition, 0));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(fs::status(path).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(Slurp(path).substr(0, 10), "#H34000000");
}
#endif

TEST(DataFileNames, ExtensionRule) {
  // Only the file name's extension counts, whatever its length; dots in folders never do.
  // A name without any dot gets the kind's extension; one the operator typed is kept.
  const struct {
    const char *name, *without, *asConfiguration;
  } names[] = {{"data\\run1.cnf", "data\\run1", "data\\run1.cnf"},
               {"/home/a.b/run1", "/home/a.b/run1", "/home/a.b/run1.cnf"},
               {"my.dir\\run1", "my.dir\\run1", "my.dir\\run1.cnf"},
               {"run1.2.data", "run1.2", "run1.2.data"},
               {"a.b/", "a.b/", "a.b/"}};
  for (const auto& n : names) {
    EXPECT_EQ(NameWithoutExtension(n.name), n.without) << n.name;
    EXPECT_EQ(NameWithExtension(n.name, kConfiguration), n.asConfiguration) << n.name;
  }
  EXPECT_EQ(NameWithExtension("run1", kReference), "run1.dat");
}
