// The system-library back end, loaded for real from fake libraries built beside the tests.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "link/DeviceConnection.h"
#include "link/SystemGpibDriver.h"
#include "link/TekIdent.h"
#include "link/TracingDriver.h"
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

const char* kIdCalls =
    "ibdev 0 7 0 13 1 0\nibclr 42\nibwrt 42 XX 2\nibwrt 42 ID? 3\nibrd 42 10000\n"
    "ibloc 42\nibonl 42 0\n";
}  // namespace

TEST(SystemGpibDriver, LoadsTheOverrideAndMakesEveryCallWithItsArguments) {
  Fake fake(FAKE_GPIB_FULL);
  fake.reply("TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:2,2,1,0\r\n");
  SystemGpibDriver driver;
  EXPECT_FALSE(driver.loaded());  // nothing is loaded before the first call
  RecordingOperator op;
  DeviceConnection connection(driver, op);
  TekIdentity identity;
  ASSERT_TRUE(GetTekIdent(connection, identity));
  EXPECT_TRUE(driver.loaded());
  EXPECT_EQ(driver.libraryPath(), FAKE_GPIB_FULL);
  EXPECT_EQ(fake.calls(), kIdCalls);
  EXPECT_EQ(identity.Reply, "TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:2,2,1,0\r\n");
  EXPECT_EQ(identity.nNm09, 1);
  EXPECT_EQ(identity.nNm18, 2);
  EXPECT_TRUE(op.messages.empty());
  // The count of a read comes from ThreadIbcntl when the library has it.
  EXPECT_GT(fake.countCalls(1), 0);
  EXPECT_EQ(fake.countCalls(0), 0);
}

TEST(SystemGpibDriver, ErrBitAndErrorCodeOfAFailedCallReachTheCaller) {
  Fake fake(FAKE_GPIB_FULL);
  fake.fail("ibclr", 2);
  SystemGpibDriver driver;
  RecordingOperator op;
  DeviceConnection connection(driver, op);
  EXPECT_FALSE(connection.DevOpen());
  EXPECT_TRUE(driver.status().failed());
  EXPECT_EQ(driver.status().iberr, 2);
  EXPECT_FALSE(connection.Connected);
  EXPECT_FALSE(connection.DriverMissing);
  EXPECT_TRUE(op.messages.empty());  // a failed call is silent
  EXPECT_EQ(fake.calls(), "ibdev 0 7 0 13 1 0\nibclr 42\n");
}

TEST(SystemGpibDriver, ReadReturnsTheReportedCountAndIsCutAtTenThousand) {
  Fake fake(FAKE_GPIB_FULL);
  SystemGpibDriver driver;
  RecordingOperator op;
  DeviceConnection connection(driver, op);
  ASSERT_TRUE(connection.DevOpen());

  fake.reply(std::string("ab\0cd\r\n", 7));
  EXPECT_EQ(connection.DevRead(), std::string("ab\0cd\r\n", 7));  // bytes passed unchanged
  EXPECT_EQ(driver.status().ibcntl, 7);
  EXPECT_EQ(driver.status().ibcnt, 7);

  fake.reply(std::string(12345, 'Z'));
  EXPECT_EQ(connection.DevRead().size(), 10000u);

  fake.fail("ibrd", 6);
  EXPECT_EQ(connection.DevRead(), "");
  EXPECT_EQ(driver.status().iberr, 6);
}

TEST(SystemGpibDriver, WithoutThreadIbcntlTheCountComesFromThreadIbcnt) {
  Fake fake(FAKE_GPIB_NOCNTL);
  SystemGpibDriver driver;
  RecordingOperator op;
  DeviceConnection connection(driver, op);
  ASSERT_TRUE(connection.DevOpen());
  fake.reply("12345");
  EXPECT_EQ(connection.DevRead(), "12345");
  EXPECT_EQ(driver.status().ibcntl, 5);
  EXPECT_GT(fake.countCalls(0), 0);
}

TEST(SystemGpibDriver, RegisteredStatusWordsFollowTheRegistrationResult) {
  {  // 0: registered once, the words carry every call's status, unregistered at the end
    Fake fake(FAKE_GPIB_REGISTER);
    {
      SystemGpibDriver driver;
      RecordingOperator op;
      DeviceConnection connection(driver, op);
      fake.reply("TEK/1240 SYS: 1.0 COMM: 1.0 ACQ:1,0,0,0");
      TekIdentity identity;
      ASSERT_TRUE(GetTekIdent(connection, identity));
      EXPECT_EQ(identity.Typ, "TEK/1240");
      EXPECT_EQ(identity.nNm09, 1);
      fake.fail("ibdev", 3);
      EXPECT_FALSE(connection.DevOpen());
      EXPECT_EQ(driver.status().iberr, 3);
    }
    EXPECT_EQ(fake.calls(),
              std::string("register\n") + kIdCalls + "ibdev 0 7 0 13 1 0\nunregister\n");
  }
  {  // 1: unregister and register again, then go on as registered
    Fake fake(FAKE_GPIB_REGISTER);
    fake.registerResult(1);
    SystemGpibDriver driver;
    RecordingOperator op;
    DeviceConnection connection(driver, op);
    EXPECT_TRUE(connection.DevOpen());
    EXPECT_EQ(fake.calls().substr(0, 29), "register\nunregister\nregister\n");
  }
  for (int result : {2, 3, 7}) {  // refused: every call counts as failed
    Fake fake(FAKE_GPIB_REGISTER);
    fake.registerResult(result);
    SystemGpibDriver driver;
    RecordingOperator op;
    DeviceConnection connection(driver, op);
    EXPECT_FALSE(connection.DevOpen()) << result;
    EXPECT_TRUE(driver.status().failed());
    EXPECT_EQ(driver.status().iberr, 0);
    EXPECT_EQ(static_cast<uint32_t>(driver.status().ibcntl), 0xDEAD37F0u);
    const std::string expected = result == 7 ? "register\nibdev 0 7 0 13 1 0\n"
                                             : "register\nunregister\nibdev 0 7 0 13 1 0\n";
    EXPECT_EQ(fake.calls(), expected) << result;
    EXPECT_FALSE(connection.DriverMissing);
  }
}

TEST(SystemGpibDriver, MissingLibraryIsReportedOnceAsDriverMissing) {
  setenv(SystemGpibDriver::kLibraryVariable, "/nonexistent/libgpib-missing.so", 1);
  SystemGpibDriver driver;
  RecordingOperator op;
  DeviceConnection connection(driver, op);
  EXPECT_FALSE(connection.DevOpen());
  unsetenv(SystemGpibDriver::kLibraryVariable);
  ASSERT_EQ(op.messages.size(), 1u);
  EXPECT_EQ(op.messages[0].text,
            "File not found: /nonexistent/libgpib-missing.so\r"
            "Install National Instruments drivers");
  EXPECT_EQ(op.messages[0].title, "");
  EXPECT_EQ(op.messages[0].icon, MsgIcon::Critical);
  EXPECT_EQ(op.messages[0].buttons, MsgButtons::Ok);
  EXPECT_TRUE(connection.DriverMissing);
  EXPECT_FALSE(connection.Connected);
  EXPECT_FALSE(driver.loaded());
}

TEST(SystemGpibDriver, LibraryWithoutOneEntryOrNotALibraryIsUnusable) {
  {
    Fake fake(FAKE_GPIB_NORD);
    SystemGpibDriver driver;
    RecordingOperator op;
    DeviceConnection connection(driver, op);
    EXPECT_FALSE(connection.DevOpen());
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0].text,
              std::string("Can't find DLL entry point ibrd in ") + FAKE_GPIB_NORD);
    EXPECT_EQ(op.messages[0].icon, MsgIcon::Critical);
    EXPECT_TRUE(connection.DriverMissing);
    EXPECT_EQ(fake.calls(), "");  // nothing was called on a half-usable library
  }
  {
    TempDir dir;
    const std::string path = dir.file("libnotgpib.so");
    std::ofstream(path) << "not a shared library";
    setenv(SystemGpibDriver::kLibraryVariable, path.c_str(), 1);
    SystemGpibDriver driver;
    EXPECT_THROW(driver.load(), DriverUnavailable);
    try {
      driver.load();
    } catch (const DriverUnavailable& e) {
      EXPECT_FALSE(e.fileNotFound);  // it is there, so installing drivers is not the advice
      EXPECT_NE(std::string(e.what()).find("libnotgpib.so"), std::string::npos);
    }
    unsetenv(SystemGpibDriver::kLibraryVariable);
  }
}

TEST(SystemGpibDriver, LibraryListAndDeclarationsPerLibrary) {
  unsetenv(SystemGpibDriver::kLibraryVariable);
  EXPECT_EQ(SystemGpibDriver::CandidateLibraries(),
            (std::vector<std::string>{"libgpib.so.0", "libni4882.so", "libgpibapi.so"}));
  setenv(SystemGpibDriver::kLibraryVariable, "/opt/x/libmine.so", 1);
  EXPECT_EQ(SystemGpibDriver::CandidateLibraries(),
            (std::vector<std::string>{"/opt/x/libmine.so"}));
  setenv(SystemGpibDriver::kLibraryVariable, "", 1);  // empty counts as not set
  EXPECT_EQ(SystemGpibDriver::CandidateLibraries().size(), 3u);
  unsetenv(SystemGpibDriver::kLibraryVariable);
  using F = SystemGpibDriver::Flavour;
  EXPECT_EQ(SystemGpibDriver::FlavourOf("libgpib.so.0"), F::LinuxGpib);
  EXPECT_EQ(SystemGpibDriver::FlavourOf("/usr/lib/libni4882.so"), F::Ni4882);
  EXPECT_EQ(SystemGpibDriver::FlavourOf("NI4882.DLL"), F::Ni4882);
  EXPECT_EQ(SystemGpibDriver::FlavourOf("gpib-32.dll"), F::NiClassic);
  EXPECT_EQ(SystemGpibDriver::FlavourOf("libgpibapi.so"), F::NiClassic);
}

TEST(TracingDriver, PrintsEveryCallWithItsStatusAndWhatCameBack) {
  Fake fake(FAKE_GPIB_FULL);
  fake.reply("TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:1,2,2,0\r\n");
  SystemGpibDriver driver;
  std::ostringstream out;
  TracingDriver tracing(driver, out);
  RecordingOperator op;
  DeviceConnection connection(tracing, op);
  TekIdentity identity;
  ASSERT_TRUE(GetTekIdent(connection, identity));
  EXPECT_EQ(identity.nNm18, 2);  // the wrapper passes everything through
  const std::string trace = out.str();
  EXPECT_NE(trace.find("gpib: ibdev(0, 7, 0, 13, 1, 0) -> 42  ibsta=0100 iberr=0 ibcntl=0\n"),
            std::string::npos)
      << trace;
  EXPECT_NE(trace.find("gpib: ibwrt(42, \"ID?\", 3) -> 256"), std::string::npos) << trace;
  EXPECT_NE(trace.find("gpib: ibrd(42, 10000) -> 8448  ibsta=2100 iberr=0 ibcntl=41\n"),
            std::string::npos)
      << trace;
  EXPECT_NE(trace.find("received \"TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:1,2,2,0\\r\\n\""),
            std::string::npos)
      << trace;
  EXPECT_NE(trace.find("gpib: ibonl(42, 0)"), std::string::npos);

  fake.fail("ibclr", 2);
  out.str("");
  EXPECT_FALSE(connection.DevOpen());
  EXPECT_NE(out.str().find("gpib: ibclr(42) -> -32512  ibsta=8100 ERR iberr=2"), std::string::npos)
      << out.str();
}

TEST(TracingDriver, ShowsAMissingLibraryAndPassesTheErrorOn) {
  setenv(SystemGpibDriver::kLibraryVariable, "/nonexistent/libgone.so", 1);
  SystemGpibDriver driver;
  std::ostringstream out;
  TracingDriver tracing(driver, out);
  RecordingOperator op;
  DeviceConnection connection(tracing, op);
  EXPECT_FALSE(connection.DevOpen());
  unsetenv(SystemGpibDriver::kLibraryVariable);
  EXPECT_TRUE(connection.DriverMissing);
  EXPECT_EQ(out.str(),
            "gpib: ibdev(0, 7, 0, 13, 1, 0) failed: File not found: /nonexistent/libgone.so\n");
}
