// Data files in a temp folder: saved and loaded back, the first line only, failed loads and
// saves, and the names the dialogs hand on. (What any content loads as is replayed by the
// data-file fuzz target.)
#include <gtest/gtest.h>

#include <filesystem>
#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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
    std::string why;
    EXPECT_FALSE(WriteFile(path, images, kConfiguration, 0, &why));
#ifndef _WIN32
    EXPECT_EQ(why, "File too large");
#endif
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
// Every failed save says why, in the system's words where it has them; a pipe nobody reads
// is refused at once rather than waited on, and one that is read gets the content.
TEST_F(DataFilesTest, FailedSavesSayWhyAndPipesNeverBlock) {
  const std::string fifo = dir.file("pipe.dat");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_directory(dir.file("folder.dat"));
  for (const auto& [name, reason] : {std::pair{dir.file("none/x.cnf"), "No such file or directory"},
                                     {dir.file("folder.dat"), "Is a directory"},
                                     {dir.file(std::string(256, 'n')), "File name too long"},
                                     {fifo, "no program is reading from the pipe"}}) {
    std::string why;
    EXPECT_FALSE(WriteFile(name, images, kAcquisition, 0, &why));
    EXPECT_EQ(why, reason) << name;
  }
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  ::fcntl(reader, F_SETPIPE_SZ, 1 << 16);  // room for the whole file
  EXPECT_TRUE(WriteFile(fifo, images, kConfiguration, 0));
  std::string got(4096, '\0');
  got.resize(static_cast<size_t>(std::max<ssize_t>(::read(reader, got.data(), got.size()), 0)));
  ::close(reader);
  EXPECT_EQ(got, configFrames() + "\r\n");
}

// A save ended by SIGINT or SIGTERM in the middle of writing leaves the old file and no
// temporary one; a program that handles the signal itself gets it and the save goes on.
TEST_F(DataFilesTest, InterruptedSaveLeavesNoTemporaryFile) {
  const std::string path = dir.file("keep.dat");
  Put(path, "old\r\n");
  static int raised = 0, handled = 0;
  const auto saveInterrupted = [&](int signal) {
    raised = signal;
    // Writing past the size limit raises SIGXFSZ inside the write; it passes on the signal.
    std::signal(SIGXFSZ, [](int) { std::raise(raised); });
    struct rlimit small {
      100, RLIM_INFINITY
    };
    setrlimit(RLIMIT_FSIZE, &small);
    return WriteFile(path, images, kAcquisition, 0);
  };
  for (const int signal : {SIGINT, SIGTERM}) {
    EXPECT_EXIT(saveInterrupted(signal), ::testing::KilledBySignal(signal), "");
    EXPECT_EQ(Slurp(path), "old\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1) << signal;
  }
  EXPECT_EXIT(
      {
        std::signal(SIGTERM, [](int) { ++handled; });
        const bool saved = saveInterrupted(SIGTERM);
        std::exit(!saved && handled == 1 ? 3 : 4);
      },
      ::testing::ExitedWithCode(3), "");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);
}

// The file replaced keeps its mode, and its owner and group where the process may give them
// (root may); a link, even one whose file is missing, is written through and kept. Names up
// to the longest a folder allows are saved.
TEST_F(DataFilesTest, SaveKeepsOwnerModeAndLinksAndTakesLongNames) {
  const std::string path = dir.file("mode.dat"), link = dir.file("link.dat");
  Put(path, "old\r\n");
  ::chmod(path.c_str(), 0640);
  const bool chowned = ::chown(path.c_str(), 65534, 65534) == 0;
  fs::create_symlink(path, link);
  ASSERT_TRUE(WriteFile(link, images, kAcquisition, 0));
  EXPECT_TRUE(fs::is_symlink(link));
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  if (chowned) {
    EXPECT_EQ(std::pair(st.st_uid, st.st_gid), std::pair(65534u, 65534u));
  }
  EXPECT_EQ(Slurp(path).substr(0, 10), "#H34000000");

  fs::create_directory(dir.file("sub"));
  fs::create_symlink("sub/later.dat", dir.file("dangling.dat"));  // relative, to nothing yet
  ASSERT_TRUE(WriteFile(dir.file("dangling.dat"), images, kAcquisition, 0));
  EXPECT_TRUE(fs::is_symlink(dir.file("dangling.dat")));
  EXPECT_EQ(Slurp(dir.file("sub/later.dat")), Slurp(path));
  for (const size_t length : {245u, 255u}) {
    const std::string name = dir.file("sub/" + std::string(length, 'L'));
    std::string why;
    EXPECT_TRUE(WriteFile(name, images, kAcquisition, 0, &why)) << why;
    EXPECT_EQ(Slurp(name), Slurp(path));
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("sub")), {}), 3);
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
