// The adapter back end against the emulator served in this process, over loopback TCP and
// a pseudo-terminal: status words, escaping both ways, timeouts, and the port's lifetime; and
// the byte-level pieces below it.
#include <gtest/gtest.h>

#include <QHostAddress>
#include <QTcpServer>
#include <QThread>
#include <atomic>
#include <future>
#include <sstream>

#include "Served.h"
#include "adapter/AdapterDriver.h"
#include "adapter/ByteStream.h"
#include "adapter/HostLines.h"
#include "adapter/PortName.h"
#include "adapter/ReplyCollector.h"
#include "backend/AdapterEmulator.h"
#include "cli/Ctl.h"
#include "link/DeviceConnection.h"
#include "memory/DefaultImages.h"
#include "memory/MemoryImages.h"
#include "memory/Transfer.h"
#include "sim/SimDriver.h"
#include "support/RecordingOperator.h"

namespace {
// An adapter that answers "++ver" and "++read eoi" and says whatever is left in `unread`.
class ScriptedAdapter : public ByteStream {
 public:
  bool open(std::string&) override { return true; }
  void close() override {}
  bool write(std::string_view bytes, int) override {
    lines_.feed(bytes);
    for (HostLines::Line line; lines_.next(line);) {
      if (line.text == "++ver" && !version.empty()) unread += version + "\r\n";
      if (line.text == "++mode") unread += "1\r\n";
      if (line.text == "++eot_char") unread += "4\r\n";
      if (line.text == "++spoll") unread += "0\r\n";
      if (line.text == "++read eoi") unread += reply;
    }
    return true;
  }
  // Silence moves the clock, when there is one, by the whole wait.
  std::string read(int timeoutMs) override {
    if (unread.empty() && clock != nullptr) *clock += timeoutMs;
    return std::exchange(unread, {});
  }
  bool failed() const override { return false; }
  std::string unread;
  int64_t* clock = nullptr;
  std::string version = "Prologix GPIB-USB Controller version 6.107", reply = "TEK/1241\x04";

 private:
  HostLines lines_;
};

constexpr int16_t kTimeout1s = 11, kTimeout10s = 13;
}  // namespace

// The payload starts with "++" and holds CR, LF, ESC and "+": escaped, it reaches the
// analyser as data, and comes back whole.
TEST(AdapterDriver, ControlBytesAndPlusSignsCrossUnchangedBothWays) {
  const std::string payload = "++addr 3\r\nnext\x1b+x++read eoi\n+";
  Served served({});
  served.emulator.analyser().unread(payload);  // nothing talks to it before the driver connects
  {
    AdapterDriver driver(served.port);
    const int16_t ud = driver.ibdev(0, 7, 0, kTimeout10s, 1, 0);
    std::string buffer(100, '\0');
    driver.ibrd(ud, buffer.data(), 100);
    EXPECT_NE(driver.status().ibsta & AdapterDriver::kEnd, 0);
    EXPECT_EQ(buffer.substr(0, static_cast<size_t>(driver.status().ibcntl)), payload);
    driver.ibwrt(ud, "DISPLAY 3,1,ASCII,\"" + payload + "\"");
    EXPECT_EQ(driver.status().ibcntl, static_cast<int32_t>(payload.size() + 20));
    driver.ibwrt(ud, "ID?");  // read back: the write has ended
    driver.ibrd(ud, buffer.data(), 100);
    EXPECT_FALSE(driver.status().failed());
  }
  EXPECT_EQ(served.emulator.analyser().screenLine(), payload);
  // The emulator unescapes with the same rules, so they are pinned here once.
  EXPECT_EQ(HostLines::Escape("a+\r\n\x1b"), "a\x1b+\x1b\r\x1b\n\x1b\x1b");
  HostLines lines;
  lines.feed("\x1b++ver\n++ver\n");  // only a plain "++" starts a command
  HostLines::Line data, command;
  ASSERT_TRUE(lines.next(data) && lines.next(command));
  EXPECT_EQ(std::tuple(data.command, data.text, command.command),
            std::tuple(false, std::string("++ver"), true));
}

// A banner, the end of a reply from before the program started, and a reply that came after
// a read gave up are never taken for an answer; a reply ends at its character, the rest waits.
TEST(AdapterDriver, WhatTheAdapterSaidUnaskedIsNeverTakenForAnAnswer) {
  auto script = std::make_unique<ScriptedAdapter>();
  ScriptedAdapter& adapter = *script;
  adapter.unread = "AR488 GPIB controller, ver. 0.51.29\r\nACQ:1,2\x04";
  AdapterDriver driver(std::move(script), "scripted");
  const int16_t ud = driver.ibdev(0, 7, 0, kTimeout10s, 1, 0);
  EXPECT_EQ(driver.kind(), AdapterDriver::Kind::Original);
  adapter.unread = "12\r\nlate reply\x04";
  driver.ibwrt(ud, "ID?");
  char buffer[20];
  driver.ibrd(ud, buffer, 20);
  EXPECT_EQ(std::string(buffer, static_cast<size_t>(driver.status().ibcntl)), "TEK/1241");
  EXPECT_EQ(driver.roundTrips(), 5);  // "++ver", "++mode", "++eot_char", "++spoll", "++read eoi"
  ReplyCollector c;
  c.start('\x04', 5);
  EXPECT_EQ(c.feed("0123"), 4u);
  EXPECT_EQ(c.feed("456789\x04stale"), 7u);
  EXPECT_EQ(std::tuple(c.complete(), c.data(), c.received()),
            std::tuple(true, std::string("01234"), size_t{10}));
}

// A reply later than the original adapter's longest read timeout (3 s) is asked for again; one
// later than the driver's timeout gives ERR and TIMO with nothing received.
TEST(AdapterDriver, SlowRepliesAreWaitedForUntilTheDriversOwnTimeout) {
  for (const auto& [delayMs, tmo, ok] :
       {std::tuple{3300, kTimeout10s, true}, {1500, kTimeout1s, false}}) {
    EmulatorOptions o;
    o.replyDelayMs = delayMs;
    Served served(o);
    AdapterDriver driver(served.port);
    const int16_t ud = driver.ibdev(0, 7, 0, tmo, 1, 0);
    driver.ibwrt(ud, "ID?");
    char buffer[100];
    driver.ibrd(ud, buffer, 100);
    const GpibStatus s = driver.status();
    EXPECT_EQ(std::tuple(s.failed(), (s.ibsta & AdapterDriver::kTimo) != 0, s.ibcntl, s.iberr),
              std::tuple(!ok, !ok, ok ? 39 : 0, ok ? 0 : AdapterDriver::kEabo))
        << delayMs;
  }
}

TEST(AdapterDriver, SerialPortStaysOpenAcrossTransfersAndSurvivesAnAdapterRestart) {
  EmulatorOptions o;
  o.restartAfterLocal = 1;  // a banner and lost settings after every connection
  Served served(o, "pty");
  ASSERT_EQ(served.port.rfind("serial:/dev/", 0), 0u) << served.port;
  std::ostringstream trace;
  AdapterDriver driver(served.port, &trace);
  SimDriver sim;
  RecordingOperator op;
  MemoryImages images, direct;
  DeviceConnection connection(driver, op), simConnection(sim, op);
  Transfer transfer(connection, images, op), simTransfer(simConnection, direct, op);
  for (const int32_t kind : {kConfiguration, kAcquisition, kReference}) {
    ASSERT_TRUE(transfer.Tek2Mem(kind)) << kind << trace.str();
    ASSERT_TRUE(simTransfer.Tek2Mem(kind));
    EXPECT_TRUE(images.length(kind) == direct.length(kind) && images.SetupMem == direct.SetupMem &&
                images.AcqMem == direct.AcqMem);
  }
  EXPECT_EQ(std::pair(op.messages.size(), driver.portOpens()), std::pair(size_t{0}, 1));
  // Its greeting, then the banner of each restart between the transfers, passed over.
  const std::string t = trace.str(), banner = "adapter< \"Prologix GPIB-USB Controller version";
  size_t banners = 0;
  for (size_t p = 0; (p = t.find(banner, p)) != std::string::npos; ++p) ++banners;
  EXPECT_GE(banners, 3u);
}

// An AR488 is told from the original by its version, waited for while it starts, and given
// the driver's whole timeout.
TEST(AdapterDriver, AnAr488IsWaitedForAndGivenTheWholeTimeout) {
  for (const auto& [ar488, kind, tmo] : {std::tuple{false, AdapterDriver::Kind::Original, "3000"},
                                         {true, AdapterDriver::Kind::Ar488, "10000"}}) {
    EmulatorOptions o;
    if (ar488) o.model = AdapterModel::Ar488Usb;
    o.bootMs = ar488 ? 700 : 0;
    Served served(o);
    std::ostringstream trace;
    AdapterDriver driver(served.port, &trace);
    EXPECT_EQ(driver.prepare(), "");
    EXPECT_EQ(driver.kind(), kind);
    driver.ibdev(0, 7, 0, kTimeout10s, 1, 0);
    EXPECT_FALSE(driver.status().failed());
    EXPECT_NE(trace.str().find("adapter> \"++read_tmo_ms " + std::string(tmo) + "\\n\""),
              std::string::npos);
  }
}

// Out-of-range values leave a setting as it was; the timeout is capped per kind; only an
// AR488 complains about a command it does not know.
TEST(AdapterEmulator, AnswersTheQueryFormOfEachSettingAndIgnoresWhatItDoesNotKnow) {
  for (const auto& [ar488, expected] :
       {std::pair{false, "9 100\r\n1\r\n0\r\n3\r\n1\r\n4\r\n3000\r\n0\r\nPrologix"},
        {true,
         "Invalid parameter\r\n9 100\r\n1\r\n0\r\nInvalid parameter\r\n3\r\n1\r\n4\r\nInvalid "
         "parameter\r\n32000\r\n0\r\nUnrecognized command\r\nAR488"}}) {
    EmulatorOptions o;
    if (ar488) o.model = AdapterModel::Ar488Usb;
    Served served(o);
    std::string why;
    const std::unique_ptr<ByteStream> link = ByteStream::For(*PortName::Parse(served.port, why));
    ASSERT_TRUE(link->open(why)) << why;
    link->write(
        "++addr 9 100\n++addr 31\n++addr\n++mode\n++auto 0\n++auto\n++eos 3\n++eos 9\n++eos\n"
        "++eoi\n++eot_char 4\n++eot_char\n++read_tmo_ms 3000\n++read_tmo_ms 32000\n"
        "++read_tmo_ms 0\n++read_tmo_ms\n++savecfg 0\n++savecfg\n++frobnicate\n++ver\n",
        1000);
    std::string got;
    for (std::string more = "-"; !more.empty() && got.find("ver") == std::string::npos;)
      got += more = link->read(2000);
    EXPECT_EQ(got.substr(0, std::string(expected).size()), expected);
  }
}

TEST(PortName, FormsOfAPortName) {
  const std::string cases =
      "tcp:192.168.1.20|tcp:192.168.1.20:1234\n tcp:gpib.lab:5025 |tcp:gpib.lab:5025\n"
      "tcp:[::1]:99|tcp:[::1]:99\nserial:/dev/ttyUSB0|serial:/dev/ttyUSB0\nCOM3|serial:COM3\n"
      "tcp:host:0|\"tcp:host:0\": the TCP port must be a number from 1 to 65535\n"
      "tcp:host:99999|\"tcp:host:99999\": the TCP port must be a number from 1 to 65535\n"
      "tcp::1234|\"tcp::1234\": no host after tcp:\nserial:|\"serial:\": no device after serial:\n"
      "|no port given";
  for (const std::string& line : Split(cases, '\n')) {
    std::string why;
    const std::optional<PortName> p = PortName::Parse(line.substr(0, line.find('|')), why);
    EXPECT_EQ(p ? p->text() : why, line.substr(line.find('|') + 1));
  }
}

// Every way a transfer through an adapter fails keeps its message and adds why on a second
// line; a port that cannot be opened, or an adapter that does not answer, is tried once.
TEST(AdapterDriver, EachFailureNamesItsCauseAndAFailedOpenIsTriedOnce) {
  QTcpServer closed;  // a port nobody listens at any more
  ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
  const std::string refused = "127.0.0.1:" + std::to_string(closed.serverPort());
  closed.close();
  EmulatorOptions absent, dropping;
  absent.noDevice = true;
  dropping.dropAfterBytes = 500;
  Served noDevice(absent), dropped(dropping);
  struct Case {
    std::string port;  // "silent" and "mute": scripted adapters
    int32_t kind;
    std::string message;
  } const cases[] = {
      {"tcp:" + refused, kAcquisition,
       "Data read error\rCannot connect to " + refused + ": Connection refused"},
      {"serial:/dev/logirem-none", kConfiguration,
       "Data write error\rCannot open /dev/logirem-none: No such file or directory"},
      {"silent", kAcquisition,
       "Data read error\rNo GPIB adapter answers on silent (no reply to ++ver)"},
      {noDevice.port, kConfiguration, "Data write error\rNo device answers at PAD 7 on PORT"},
      {dropped.port, kAcquisition, "Data read error\rThe adapter on PORT went away"},
      {"mute", kReference, "Data read error\rNo reply from PAD 7 on mute within 10000 ms"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.port);
    int64_t clock = 0;
    std::ostringstream trace;
    std::unique_ptr<AdapterDriver> driver;
    if (c.port == "silent" || c.port == "mute") {
      auto script = std::make_unique<ScriptedAdapter>();
      script->clock = &clock;
      if (c.port == "silent") script->version.clear();
      script->reply.clear();
      driver = std::make_unique<AdapterDriver>(std::move(script), c.port, &trace);
      driver->setClock([&clock] { return clock; });
    } else {
      driver = std::make_unique<AdapterDriver>(c.port, &trace);
    }
    RecordingOperator op;
    MemoryImages images;
    LoadDefaultImages(images, nullptr);
    DeviceConnection connection(*driver, op);
    Transfer transfer(connection, images, op);
    EXPECT_FALSE(c.message[5] == 'r' ? transfer.Tek2Mem(c.kind) : transfer.Mem2Tek(c.kind));
    ASSERT_EQ(op.messages.size(), 1u);
    std::string expected = c.message;
    if (const size_t at = expected.find("PORT"); at != std::string::npos)
      expected.replace(at, 4, c.port);
    EXPECT_EQ(op.messages[0].text, expected);
    const std::string t = trace.str();
    int opens = 0;
    for (size_t p = 0; (p = t.find("adapter: ", p)) != std::string::npos; ++p)
      opens +=
          t.compare(p, 15, "adapter: opened") == 0 || t.compare(p, 16, "adapter: Cannot ") == 0;
    EXPECT_EQ(opens, 1) << t;
  }
}
