// The system-library back end, loaded for real from fake libraries built beside the tests.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "link/DeviceConnection.h"
#include "link/SystemGpibDriver.h"
#include "link/TekIdent.h"
#include "link/TracingDriver.h"
#include "support/Files.h"
#include "support/RecordingOperator.h"
#include "support/TempDir.h"

namespace {
// Opens the same fake the driver will load (the loader shares the instance), to steer it
// and read its call log; points LOGIREM_GPIB_LIBRARY at it.
class Fake {
 public:
  explicit Fake(const char* path) : handle_(dlopen(path, RTLD_NOW)) {
    EXPECT_NE(handle_, nullptr) << dlerror();
    setenv(SystemGpibDriver::kLibraryVariable, path, 1);
    fn<void (*)()>("fake_reset")();
  }
  ~Fake() {
    unsetenv(SystemGpibDriver::kLibraryVariable);
    if (handle_ != nullptr) dlclose(handle_);
  }
  std::string calls() { return fn<const char* (*)()>("fake_calls")(); }
  void reply(const std::string& text) {
    fn<void (*)(const char*, long)>("fake_set_reply")(text.data(), static_cast<long>(text.size()));
  }
  void fail(const char* call, int iberr) {
    fn<void (*)(const char*, int)>("fake_fail")(call, iberr);
  }
  void registerResult(int r) { fn<void (*)(int)>("fake_set_register_result")(r); }
  int countCalls(int which) { return fn<int (*)(int)>("fake_count_calls")(which); }

 private:
  template <typename F>
  F fn(const char* name) {
    void* f = dlsym(handle_, name);
    EXPECT_NE(f, nullptr) << name;
    return reinterpret_cast<F>(f);
  }
  void* handle_;
};

// A traced connection through the system driver on one fake library (or a missing one).
struct Rig {
  explicit Rig(const char* library) : fake(library) {}
  Fake fake;
  SystemGpibDriver driver;
  std::ostringstream trace;
  TracingDriver tracing{driver, trace};
  RecordingOperator op;
  DeviceConnection connection{tracing, op};
};

const char* kIdCalls =
    "ibdev 0 7 0 13 1 0\nibclr 42\nibwrt 42 XX 2\nibwrt 42 ID? 3\nibrd 42 10000\n"
    "ibloc 42\nibonl 42 0\n";
}  // namespace

TEST(SystemGpibDriver, LoadsTheOverrideAndMakesEveryCallWithItsArgumentsTraced) {
  Rig rig(FAKE_GPIB_FULL);
  rig.fake.reply("TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:2,2,1,0\r\n");
  EXPECT_FALSE(rig.driver.loaded());  // nothing is loaded before the first call
  TekIdentity identity;
  ASSERT_TRUE(GetTekIdent(rig.connection, identity));
  EXPECT_EQ(rig.driver.libraryPath(), FAKE_GPIB_FULL);
  EXPECT_EQ(rig.fake.calls(), kIdCalls);
  EXPECT_EQ(identity.nNm09 * 10 + identity.nNm18, 12);
  for (const char* line : {"gpib: ibrd(42, 10000) -> 8448  ibsta=2100 iberr=0 ibcntl=41\n",
                           "received \"TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:2,2,1,0\\r\\n\""}) {
    EXPECT_NE(rig.trace.str().find(line), std::string::npos) << line << " in\n" << rig.trace.str();
  }
  // The error bit and code of a failed call reach the caller, which stays silent.
  rig.fake.fail("ibclr", 2);
  EXPECT_FALSE(rig.connection.DevOpen());
  EXPECT_EQ(rig.driver.status().iberr, 2);
  EXPECT_FALSE(rig.connection.Connected || rig.connection.DriverMissing);
  EXPECT_TRUE(rig.op.messages.empty());
  EXPECT_NE(rig.trace.str().find("gpib: ibclr(42) -> -32512  ibsta=8100 ERR iberr=2"),
            std::string::npos);
}

// The count of a read comes from ThreadIbcntl when the library has it, else from ThreadIbcnt.
TEST(SystemGpibDriver, ReadReturnsTheReportedCountAndIsCutAtTenThousand) {
  for (const char* library : {FAKE_GPIB_FULL, FAKE_GPIB_NOCNTL}) {
    SCOPED_TRACE(library);
    Rig rig(library);
    ASSERT_TRUE(rig.connection.DevOpen());
    rig.fake.reply(std::string("ab\0cd\r\n", 7));
    EXPECT_EQ(rig.connection.DevRead(), std::string("ab\0cd\r\n", 7));  // bytes unchanged
    EXPECT_EQ(rig.driver.status().ibcnt, 7);
    const bool hasIbcntl = library == std::string(FAKE_GPIB_FULL);
    EXPECT_EQ(rig.fake.countCalls(1) > 0, hasIbcntl);
    EXPECT_EQ(rig.fake.countCalls(0) > 0, !hasIbcntl);
    rig.fake.reply(std::string(12345, 'Z'));
    EXPECT_EQ(rig.connection.DevRead().size(), 10000u);
    rig.fake.fail("ibrd", 6);
    EXPECT_EQ(rig.connection.DevRead(), "");
    EXPECT_EQ(rig.driver.status().iberr, 6);
  }
}

// Registration result 0: registered once, the words carry every call's status, unregistered
// when the library goes; 1: unregister and register again; 2 and 3 (unregistered) and others:
// refused, and without Thread* functions every call counts as failed.
TEST(SystemGpibDriver, RegisteredStatusWordsFollowTheRegistrationResult) {
  {
    Fake fake(FAKE_GPIB_REGISTER);
    {
      SystemGpibDriver driver;
      RecordingOperator op;
      DeviceConnection connection(driver, op);
      fake.reply("TEK/1240 SYS: 1.0 COMM: 1.0 ACQ:1,0,0,0");
      TekIdentity identity;
      ASSERT_TRUE(GetTekIdent(connection, identity));
      EXPECT_EQ(identity.nNm09, 1);
      fake.fail("ibdev", 3);
      EXPECT_FALSE(connection.DevOpen());
      EXPECT_EQ(driver.status().iberr, 3);
    }
    EXPECT_EQ(fake.calls(),
              std::string("register\n") + kIdCalls + "ibdev 0 7 0 13 1 0\nunregister\n");
  }
  const std::pair<int, const char*> results[] = {
      {1, "register\nunregister\nregister\nibdev 0 7 0 13 1 0\nibclr 42\nibwrt 42 XX 2\n"},
      {2, "register\nunregister\nibdev 0 7 0 13 1 0\n"},
      {3, "register\nunregister\nibdev 0 7 0 13 1 0\n"},
      {7, "register\nibdev 0 7 0 13 1 0\n"}};
  for (const auto& [result, calls] : results) {
    Rig rig(FAKE_GPIB_REGISTER);
    rig.fake.registerResult(result);
    EXPECT_EQ(rig.connection.DevOpen(), result == 1) << result;
    EXPECT_EQ(rig.fake.calls(), calls) << result;
    if (result != 1) {
      EXPECT_EQ(static_cast<uint32_t>(rig.driver.status().ibcntl), 0xDEAD37F0u);
    }
  }
}

// A missing file, a library without one of the calls, a file that is no library: one
// critical message each; only a missing file is a reason to install drivers.
TEST(SystemGpibDriver, UnusableLibraryIsReportedAsDriverMissing) {
  TempDir dir;
  const std::string notLibrary = dir.file("libnotgpib.so");
  Put(notLibrary, "not a shared library");
  const struct {
    std::string library, message;
    bool advice;
  } cases[] = {
      {"/nonexistent/libgpib-missing.so", "File not found: /nonexistent/libgpib-missing.so", true},
      {FAKE_GPIB_NORD, std::string("Can't find DLL entry point ibrd in ") + FAKE_GPIB_NORD, false},
      {notLibrary, notLibrary, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.library);
    Rig rig(FAKE_GPIB_FULL);
    setenv(SystemGpibDriver::kLibraryVariable, c.library.c_str(), 1);
    EXPECT_FALSE(rig.connection.DevOpen());
    ASSERT_EQ(rig.op.messages.size(), 1u);
    const auto& m = rig.op.messages[0];
    EXPECT_EQ(m.text.substr(0, c.message.size()), c.message);
    EXPECT_EQ(m.text.ends_with("\rInstall National Instruments drivers"), c.advice);
    EXPECT_EQ(m.title, "");
    EXPECT_EQ(m.icon, MsgIcon::Critical);
    EXPECT_EQ(m.buttons, MsgButtons::Ok);
    EXPECT_TRUE(rig.connection.DriverMissing);
    EXPECT_FALSE(rig.connection.Connected || rig.driver.loaded());
    EXPECT_EQ(rig.trace.str().rfind("gpib: ibdev(0, 7, 0, 13, 1, 0) failed: " + c.message, 0), 0u);
  }
}

TEST(SystemGpibDriver, LibraryListAndDeclarationsPerLibrary) {
  unsetenv(SystemGpibDriver::kLibraryVariable);
  EXPECT_EQ(SystemGpibDriver::CandidateLibraries(),
            (std::vector<std::string>{"libgpib.so.0", "libni4882.so", "libgpibapi.so"}));
  setenv(SystemGpibDriver::kLibraryVariable, "", 1);  // empty counts as not set
  EXPECT_EQ(SystemGpibDriver::CandidateLibraries().size(), 3u);
  unsetenv(SystemGpibDriver::kLibraryVariable);
  using F = SystemGpibDriver::Flavour;
  const std::pair<const char*, F> flavours[] = {{"libgpib.so.0", F::LinuxGpib},
                                                {"/usr/lib/libni4882.so", F::Ni4882},
                                                {"NI4882.DLL", F::Ni4882},
                                                {"gpib-32.dll", F::NiClassic},
                                                {"libgpibapi.so", F::NiClassic}};
  for (const auto& [name, flavour] : flavours) {
    EXPECT_EQ(SystemGpibDriver::FlavourOf(name), flavour) << name;
  }
}
