// The system-library back end, loaded for real from fake libraries built beside the tests.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <sstream>

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
struct Fake {
  explicit Fake(const char* path) : handle(dlopen(path, RTLD_NOW)) {
    EXPECT_NE(handle, nullptr) << dlerror();
    setenv(SystemGpibDriver::kLibraryVariable, path, 1);
    set("");
    calls();
  }
  ~Fake() {
    unsetenv(SystemGpibDriver::kLibraryVariable);
    if (handle != nullptr) dlclose(handle);
  }
  std::string calls() { return reinterpret_cast<const char* (*)()>(dlsym(handle, "fake_calls"))(); }
  // The reply of the next reads, the call that fails with the error, the registration result.
  void set(const std::string& reply, const char* failing = "", int error = 0,
           int registration = 0) {
    using Set = void (*)(const char*, long, const char*, int, int);
    reinterpret_cast<Set>(dlsym(handle, "fake_set"))(reply.data(), long(reply.size()), failing,
                                                     error, registration);
  }
  void* handle;
};

// A traced connection through the system driver on one fake library.
struct Rig {
  explicit Rig(const char* library) : fake(library) {}
  Fake fake;
  SystemGpibDriver driver;
  std::ostringstream trace;
  TracingDriver tracing{driver, trace};
  RecordingOperator op;
  DeviceConnection connection{tracing, op};
};

const std::string kOpen = "ibdev 0 7 0 13 1 0\n";
const std::string kIdCalls =
    kOpen + "ibclr 42\nibwrt 42 XX 2\nibwrt 42 ID? 3\nibrd 42 10000\nibloc 42\nibonl 42 0\n";
}  // namespace

// Nothing is loaded before the first call; the error bit and code of a failed call reach the
// caller, which stays silent.
TEST(SystemGpibDriver, LoadsTheOverrideAndMakesEveryCallWithItsArgumentsTraced) {
  Rig rig(FAKE_GPIB_FULL);
  rig.fake.set("TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:2,2,1,0\r\n");
  EXPECT_FALSE(rig.driver.loaded());
  TekIdentity identity;
  ASSERT_TRUE(GetTekIdent(rig.connection, identity));
  EXPECT_EQ(
      std::tuple(rig.driver.libraryPath(), rig.fake.calls(), identity.nNm09 * 10 + identity.nNm18),
      std::tuple(FAKE_GPIB_FULL, kIdCalls, 12));
  rig.fake.set("", "ibclr", 2);
  EXPECT_FALSE(rig.connection.DevOpen() || rig.connection.Connected ||
               rig.connection.DriverMissing || !rig.op.messages.empty());
  EXPECT_EQ(rig.driver.status().iberr, 2);
  for (const char* line : {"gpib: ibrd(42, 10000) -> 8448  ibsta=2100 iberr=0 ibcntl=41\n",
                           "received \"TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:2,2,1,0\\r\\n\"",
                           "gpib: ibclr(42) -> -32512  ibsta=8100 ERR iberr=2"}) {
    EXPECT_NE(rig.trace.str().find(line), std::string::npos) << line << " in\n" << rig.trace.str();
  }
}

// The count of a read comes from ThreadIbcntl when the library has it, else from ThreadIbcnt;
// a count beyond the 10000-byte buffer is never believed.
TEST(SystemGpibDriver, ReadReturnsTheReportedCountAndIsCutAtTenThousand) {
  for (const char* library : {FAKE_GPIB_FULL, FAKE_GPIB_NOCNTL}) {
    SCOPED_TRACE(library);
    Rig rig(library);
    ASSERT_TRUE(rig.connection.DevOpen());
    rig.fake.set(std::string("ab\0cd\r\n", 7));
    EXPECT_EQ(rig.connection.DevRead(), std::string("ab\0cd\r\n", 7));  // bytes unchanged
    rig.fake.set(std::string(12345, 'Z'));  // the fake reports all 12345 bytes
    EXPECT_EQ(rig.connection.DevRead().size(), 10000u);
    rig.fake.set("", "ibrd", 6);
    EXPECT_EQ(std::pair(rig.connection.DevRead(), rig.driver.status().iberr),
              std::pair(std::string(), int16_t{6}));
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
      fake.set("TEK/1240 SYS: 1.0 COMM: 1.0 ACQ:1,0,0,0");
      TekIdentity identity;
      ASSERT_TRUE(GetTekIdent(connection, identity));
      fake.set("", "ibdev", 3);
      EXPECT_EQ(std::tuple(identity.nNm09, connection.DevOpen(), driver.status().iberr),
                std::tuple(1, false, 3));
    }
    EXPECT_EQ(fake.calls(), "register\n" + kIdCalls + kOpen + "unregister\n");
  }
  const std::pair<int, std::string> results[] = {
      {1, "register\nunregister\nregister\n" + kOpen + "ibclr 42\nibwrt 42 XX 2\n"},
      {2, "register\nunregister\n" + kOpen},
      {3, "register\nunregister\n" + kOpen},
      {7, "register\n" + kOpen}};
  for (const auto& [result, calls] : results) {
    Rig rig(FAKE_GPIB_REGISTER);
    rig.fake.set("", "", 0, result);
    EXPECT_EQ(rig.connection.DevOpen(), result == 1) << result;
    EXPECT_EQ(rig.fake.calls(), calls) << result;
    if (result != 1) {
      EXPECT_EQ(uint32_t(rig.driver.status().ibcntl), 0xDEAD37F0u) << result;
    }
  }
}

// A missing file, a library without one of the calls, a file that is no library: one
// critical message each; only a missing file is a reason to install drivers.
TEST(SystemGpibDriver, UnusableLibraryIsReportedAsDriverMissing) {
  TempDir dir;
  const std::string notLibrary = dir.file("libnotgpib.so");
  Put(notLibrary, "not a shared library");
  const std::tuple<std::string, std::string, bool> cases[] = {
      {"/nonexistent/libgpib-missing.so", "File not found: /nonexistent/libgpib-missing.so", true},
      {FAKE_GPIB_NORD, std::string("Can't find DLL entry point ibrd in ") + FAKE_GPIB_NORD, false},
      {notLibrary, notLibrary, false}};
  for (const auto& [library, message, advice] : cases) {
    SCOPED_TRACE(library);
    Rig rig(FAKE_GPIB_FULL);
    setenv(SystemGpibDriver::kLibraryVariable, library.c_str(), 1);
    EXPECT_FALSE(rig.connection.DevOpen() || rig.connection.Connected || rig.driver.loaded() ||
                 !rig.connection.DriverMissing);
    ASSERT_EQ(rig.op.messages.size(), 1u);
    const auto& m = rig.op.messages[0];
    EXPECT_EQ(m.text.rfind(message, 0), 0u);  // the system's own reason may follow
    EXPECT_EQ(m.text.ends_with("\rInstall the Linux GPIB library (linux-gpib, libgpib.so.0)"), advice);
    EXPECT_TRUE(m.title.empty() && m.icon == MsgIcon::Critical && m.buttons == MsgButtons::Ok);
    EXPECT_EQ(rig.trace.str().rfind("gpib: ibdev(0, 7, 0, 13, 1, 0) failed: " + message, 0), 0u);
  }
}

TEST(SystemGpibDriver, LibraryListAndDeclarationsPerLibrary) {
  setenv(SystemGpibDriver::kLibraryVariable, "", 1);  // empty counts as not set
  EXPECT_EQ(SystemGpibDriver::CandidateLibraries().size(), 3u);
  using F = SystemGpibDriver::Flavour;
  for (const auto& [name, flavour] : {std::pair<const char*, F>{"libgpib.so.0", F::LinuxGpib},
                                      {"/usr/lib/libni4882.so", F::Ni4882},
                                      {"NI4882.DLL", F::Ni4882},
                                      {"gpib-32.dll", F::NiClassic},
                                      {"libgpibapi.so", F::NiClassic}}) {
    EXPECT_EQ(SystemGpibDriver::FlavourOf(name), flavour) << name;
  }
}
