// The adapter back end against the emulator served in this process, over loopback TCP and
// a pseudo-terminal: status words, escaping both ways, timeouts, and the port's lifetime.
#include <gtest/gtest.h>

#include <QThread>
#include <atomic>
#include <future>
#include <memory>
#include <sstream>
#include <utility>

#include "adapter/AdapterDriver.h"
#include "adapter/ByteStream.h"
#include "adapter/HostLines.h"
#include "adapter/PortName.h"
#include "backend/AdapterEmulator.h"
#include "link/DeviceConnection.h"
#include "memory/MemoryImages.h"
#include "memory/Transfer.h"
#include "sim/SimDriver.h"
#include "support/RecordingOperator.h"

namespace {
// The emulator serving on its own thread until the object goes.
class Served {
 public:
  explicit Served(const EmulatorOptions& options, const std::string& listen = "tcp:127.0.0.1:0")
      : emulator(options) {
    auto where = std::make_shared<std::promise<std::string>>();
    std::future<std::string> listening = where->get_future();
    thread_.reset(QThread::create([this, listen, where] {
      std::string why;
      if (!emulator.serve(
              listen, stop_, [&](const std::string& p) { where->set_value(p); }, why)) {
        where->set_value("");
      }
    }));
    thread_->start();
    port = listening.get();
  }
  ~Served() {
    stop_ = true;
    thread_->wait();
  }

  AdapterEmulator emulator;
  std::string port;

 private:
  std::atomic<bool> stop_{false};
  std::unique_ptr<QThread> thread_;
};

// An adapter scripted line by line, with whatever it has still to say queued in `unread`.
class ScriptedAdapter : public ByteStream {
 public:
  bool open(std::string&) override { return true; }
  void close() override {}
  bool write(std::string_view bytes, int) override {
    lines_.feed(bytes);
    for (HostLines::Line line; lines_.next(line);) {
      if (line.text == "++ver") unread += "Prologix GPIB-USB Controller version 6.107\r\n";
      if (line.text == "++spoll") unread += "0\r\n";
      if (line.text == "++read eoi") unread += reply + '\x04';
    }
    return true;
  }
  std::string read(int) override { return std::exchange(unread, {}); }
  bool failed() const override { return false; }

  std::string unread;
  std::string reply;

 private:
  HostLines lines_;
};

constexpr int16_t kTimeout1s = 11;
constexpr int16_t kTimeout10s = 13;
}  // namespace

TEST(AdapterDriver, ControlBytesAndPlusSignsCrossUnchangedBothWays) {
  const std::string payload = "line\r\nnext\x1b+x++read eoi\n+";
  Served served({});
  ASSERT_FALSE(served.port.empty());
  // Nothing talks to the emulator before the driver connects, so the reply can be set here.
  served.emulator.analyser().unread(payload);
  {
    AdapterDriver driver(served.port);
    const int16_t ud = driver.ibdev(0, 7, 0, kTimeout10s, 1, 0);
    ASSERT_FALSE(driver.status().failed());
    std::string buffer(100, '\0');
    driver.ibrd(ud, buffer.data(), 100);
    ASSERT_FALSE(driver.status().failed());
    EXPECT_NE(driver.status().ibsta & AdapterDriver::kEnd, 0);
    EXPECT_EQ(buffer.substr(0, static_cast<size_t>(driver.status().ibcntl)), payload);
    driver.ibwrt(ud, "DISPLAY 3,1,ASCII,\"" + payload + "\"");
    EXPECT_EQ(driver.status().ibcntl, static_cast<int32_t>(payload.size() + 20));
    // Read back: the analyser got the text exactly (its screen line), after the write ended.
    driver.ibwrt(ud, "ID?");
    driver.ibrd(ud, buffer.data(), 100);
  }
  EXPECT_EQ(served.emulator.analyser().screenLine(), payload);
}

TEST(AdapterDriver, WhatTheAdapterSaidUnaskedIsNeverTakenForAnAnswer) {
  auto script = std::make_unique<ScriptedAdapter>();
  ScriptedAdapter& adapter = *script;
  // A banner and the end of a reply from before the program started.
  adapter.unread = "AR488 GPIB controller, ver. 0.51.29\r\nACQ:1,2\x04";
  AdapterDriver driver(std::move(script), "scripted");
  const int16_t ud = driver.ibdev(0, 7, 0, kTimeout10s, 1, 0);
  ASSERT_FALSE(driver.status().failed());
  EXPECT_EQ(driver.kind(), AdapterDriver::Kind::Original);
  adapter.unread = "12\r\nlate reply\x04";  // arrived after a read had given up
  adapter.reply = "TEK/1241";
  driver.ibwrt(ud, "ID?");
  char buffer[20];
  driver.ibrd(ud, buffer, 20);
  ASSERT_FALSE(driver.status().failed());
  EXPECT_EQ(std::string(buffer, static_cast<size_t>(driver.status().ibcntl)), "TEK/1241");
  EXPECT_EQ(driver.roundTrips(), 3);  // "++ver", "++spoll", "++read eoi"
}

TEST(AdapterDriver, SlowRepliesAreWaitedForUntilTheDriversOwnTimeout) {
  struct Case {
    int delayMs;
    int16_t tmo;
    bool ok;
  } cases[] = {
      // Longer than the original adapter's longest read timeout (3 s): asked again.
      {3300, kTimeout10s, true},
      // Longer than the driver's timeout: ERR and TIMO, nothing received.
      {1500, kTimeout1s, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.delayMs);
    EmulatorOptions o;
    o.replyDelayMs = c.delayMs;
    Served served(o);
    AdapterDriver driver(served.port);
    const int16_t ud = driver.ibdev(0, 7, 0, c.tmo, 1, 0);
    driver.ibwrt(ud, "ID?");
    char buffer[100];
    driver.ibrd(ud, buffer, 100);
    const GpibStatus s = driver.status();
    EXPECT_EQ(s.failed(), !c.ok);
    EXPECT_EQ((s.ibsta & AdapterDriver::kTimo) != 0, !c.ok);
    EXPECT_EQ(s.ibcntl, c.ok ? 39 : 0);
    EXPECT_EQ(s.iberr, c.ok ? 0 : AdapterDriver::kEabo);
  }
}

TEST(AdapterDriver, SerialPortStaysOpenAcrossTransfersAndSurvivesAnAdapterRestart) {
  EmulatorOptions o;
  o.restartAfterLocal = 1;  // a banner and lost settings after every connection
  Served served(o, "pty");
  ASSERT_EQ(served.port.rfind("serial:/dev/", 0), 0u) << served.port;
  std::ostringstream trace;
  AdapterDriver driver(served.port, &trace);
  RecordingOperator op;
  MemoryImages images, direct;
  DeviceConnection connection(driver, op);
  Transfer transfer(connection, images, op);
  SimDriver sim;
  DeviceConnection simConnection(sim, op);
  Transfer simTransfer(simConnection, direct, op);
  for (const int32_t kind : {kConfiguration, kAcquisition, kReference}) {
    ASSERT_TRUE(transfer.Tek2Mem(kind)) << kind << trace.str();
    ASSERT_TRUE(simTransfer.Tek2Mem(kind));
    EXPECT_EQ(images.length(kind), direct.length(kind));
    EXPECT_EQ(images.SetupMem, direct.SetupMem);
    EXPECT_EQ(images.AcqMem, direct.AcqMem);
  }
  EXPECT_TRUE(op.messages.empty());
  EXPECT_EQ(driver.portOpens(), 1);
  EXPECT_EQ(driver.kind(), AdapterDriver::Kind::Original);
  EXPECT_EQ(driver.version(), "Prologix GPIB-USB Controller version 6.107");
  // Its greeting, then the banner of each restart between the transfers, passed over.
  const std::string banner = "adapter< \"Prologix GPIB-USB Controller version 6.107\\r\\n\"";
  size_t banners = 0;
  for (size_t p = trace.str().find(banner); p != std::string::npos;
       p = trace.str().find(banner, p + 1)) {
    ++banners;
  }
  EXPECT_GE(banners, 3u);
}

TEST(AdapterDriver, AnAr488IsWaitedForAndGivenTheWholeTimeout) {
  struct Case {
    bool ar488;
    int bootMs;
    AdapterDriver::Kind kind;
    const char* timeoutLine;
  } cases[] = {
      {false, 0, AdapterDriver::Kind::Original, "adapter> \"++read_tmo_ms 3000\\n\""},
      {true, 700, AdapterDriver::Kind::Ar488, "adapter> \"++read_tmo_ms 10000\\n\""},
  };
  for (const Case& c : cases) {
    EmulatorOptions o;
    o.ar488 = c.ar488;
    o.bootMs = c.bootMs;
    Served served(o);
    std::ostringstream trace;
    AdapterDriver driver(served.port, &trace);
    EXPECT_EQ(driver.prepare(), "");
    EXPECT_EQ(driver.kind(), c.kind);
    driver.ibdev(0, 7, 0, kTimeout10s, 1, 0);
    EXPECT_FALSE(driver.status().failed());
    EXPECT_NE(trace.str().find(c.timeoutLine), std::string::npos) << trace.str();
  }
}

TEST(AdapterEmulator, AnswersTheQueryFormOfEachSettingAndIgnoresWhatItDoesNotKnow) {
  struct Case {
    bool ar488;
    std::string expected;
  } cases[] = {
      {false, "9 100\r\n1\r\n0\r\n3\r\n1\r\n4\r\n3000\r\n0\r\n"},
      {true, "9 100\r\n1\r\n0\r\n3\r\n1\r\n4\r\n32000\r\n0\r\nUnrecognized command\r\n"},
  };
  for (const Case& c : cases) {
    EmulatorOptions o;
    o.ar488 = c.ar488;
    Served served(o);
    std::string why;
    const std::optional<PortName> name = PortName::Parse(served.port, why);
    ASSERT_TRUE(name);
    const std::unique_ptr<ByteStream> link = ByteStream::For(*name);
    ASSERT_TRUE(link->open(why)) << why;
    // Out-of-range values leave a setting as it was; the timeout is capped per kind.
    link->write(
        "++addr 9 100\n++addr 31\n++addr\n++mode\n++auto 0\n++auto\n++eos 3\n++eos 9\n++eos\n"
        "++eoi\n++eot_char 4\n++eot_char\n++read_tmo_ms 3000\n++read_tmo_ms 32000\n"
        "++read_tmo_ms 0\n++read_tmo_ms\n++savecfg 0\n++savecfg\n++frobnicate\n++ver\n",
        1000);
    std::string got;
    while (got.find("ver") == std::string::npos) {
      const std::string more = link->read(2000);
      if (more.empty()) break;
      got += more;
    }
    EXPECT_EQ(got.substr(0, c.expected.size()), c.expected);
  }
}
