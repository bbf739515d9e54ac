// The adapter back end through each emulated adapter model: what works is byte for byte the
// simulated analyser's, every message reaches it whole and nothing overruns an adapter; what
// cannot work is refused before it is sent, with the reason and the remedy.
#include <gtest/gtest.h>

#include "Served.h"
#include "adapter/AdapterDriver.h"
#include "adapter/ByteStream.h"
#include "adapter/PortName.h"
#include "link/DeviceConnection.h"
#include "memory/MemoryImages.h"
#include "memory/Transfer.h"
#include "sim/SimDriver.h"
#include "support/RecordingOperator.h"

namespace {
constexpr int16_t kTimeout300ms = 10, kTimeout10s = 13;
const std::string kOld =
    "AR488 0.51.18 cannot end a message the way the analyser needs; update its firmware to "
    "0.51.20 or later";

struct Model {
  const char* name;
  bool verbose = false;
};
const Model kModels[] = {{"prologix-usb"}, {"prologix-eth"}, {"ar488-uno"},      {"ar488-usb"},
                         {"ar488-old"},    {"clone"},        {"ar488-uno", true}};

EmulatorOptions optionsFor(const Model& m) {
  EmulatorOptions o;
  o.model = AdapterEmulator::ModelNamed(m.name);
  o.verbose = m.verbose;
  o.baud = 1'000'000;  // the serial models' line, faster than theirs where pacing is not the point
  return o;
}
}  // namespace

TEST(AdapterModels, ReadAndWriteEveryMemoryOrRefuseWithTheRemedy) {
  SimDriver sim;
  RecordingOperator simOp;
  MemoryImages direct;
  DeviceConnection simConnection(sim, simOp);
  Transfer simTransfer(simConnection, direct, simOp);
  for (const int32_t kind : {kConfiguration, kAcquisition, kReference})
    ASSERT_TRUE(simTransfer.Tek2Mem(kind));
  for (const Model& m : kModels) {
    SCOPED_TRACE(std::string(m.name) + (m.verbose ? " verbose" : ""));
    const std::string name = m.name;
    const bool old = name == "ar488-old", ar488 = name.rfind("ar488", 0) == 0;
    Served served(optionsFor(m));
    AdapterDriver driver(served.port);
    RecordingOperator op;
    MemoryImages images;
    DeviceConnection connection(driver, op);
    Transfer transfer(connection, images, op);
    for (const int32_t kind : {kConfiguration, kAcquisition, kReference}) {
      EXPECT_EQ(transfer.Tek2Mem(kind), !old);
      if (!old) EXPECT_EQ(images.length(kind), direct.length(kind));
    }
    if (!old) EXPECT_TRUE(images.SetupMem == direct.SetupMem && images.AcqMem == direct.AcqMem);
    // The reference capture (read last) sent as the acquisition, the setup as it came.
    SimAnalyser& analyser = served.emulator.analyser();
    const auto acqBefore = analyser.acqMemory();
    images = direct;
    EXPECT_EQ(transfer.Mem2Tek(kAcquisition), !ar488);
    EXPECT_EQ(transfer.Mem2Tek(kConfiguration), !ar488);
    const auto& acq = analyser.acqMemory();
    if (ar488) {
      EXPECT_TRUE(acq == acqBefore);
      const std::string cut = "AR488 0.51.29 cuts a message of ";
      ASSERT_FALSE(op.messages.empty());
      EXPECT_EQ(op.messages.back().text.substr(0, 17 + (old ? kOld.size() : cut.size())),
                "Data write error\r" + (old ? kOld : cut));
    } else {
      EXPECT_TRUE(std::equal(acq.begin(), acq.begin() + direct.AcqLen, direct.AcqMem.begin()));
      EXPECT_EQ(std::pair(analyser.rejectedWrites(), op.messages.size()), std::pair(0, size_t{0}));
    }
    // Two long lines in a row: the second must not arrive while the first still goes out.
    const int16_t ud = driver.ibdev(0, 7, 0, kTimeout10s, 1, 0);
    for (const char c : {'a', 'b'})
      driver.ibwrt(ud, "DISPLAY 3,1,ASCII,\"" + std::string(100, c) + "\"");
    EXPECT_EQ(driver.status().failed(), old);
    char idReply[100];
    if (!old && driver.ibwrt(ud, "ID?") >= 0 && driver.ibrd(ud, idReply, 100) >= 0)
      EXPECT_EQ(analyser.screenLine(), std::string(100, 'b'));  // the reply shows both went through
    // Whole messages only: a piece of one would start with none of the analyser's words.
    for (const std::string& message : served.emulator.messages()) {
      bool known = false;
      for (const char* word : {"XX", "ID?", "DISPLAY 3,1,", "INSETUP?", "ACQMEM?", "REFMEM?",
                               "INSET #H", "ACQMEM #H", "LOAD ACQMEM"})
        known = known || message.rfind(word, 0) == 0;
      EXPECT_TRUE(known) << message.substr(0, 40);
    }
    EXPECT_EQ(served.emulator.lostBytes(), 0);
    EXPECT_EQ(served.emulator.eepromWrites(), 0);
  }
}

// The analyser at PAD 7 SAD 3, answering late; nothing at PAD 9. A 57,000-character reply trickling
// in is read 10,000 at a time, each read within its own 300 ms, and what a read leaves is gone
// before the next query.
TEST(AdapterModels, AddressesLateAndSlowLongRepliesOnEveryModel) {
  const std::string longReply = [] {
    std::string s;
    for (int i = 0; s.size() < 57000; ++i) s += "#H" + std::to_string(i) + ",";
    return s;
  }();
  for (const Model& m : kModels) {
    SCOPED_TRACE(m.name);
    EmulatorOptions o = optionsFor(m);
    o.sad = 3;
    o.replyDelayMs = 150;
    o.replyBytesPerSecond = 100'000;
    o.baud = 2'000'000;
    Served served(o);
    served.emulator.analyser().unread(longReply);
    AdapterDriver driver(served.port);
    const bool old = std::string(m.name) == "ar488-old";
    driver.ibdev(0, 7, 3, kTimeout300ms, 1, 0);
    EXPECT_EQ(driver.status().iberr, old ? AdapterDriver::kEcap : 0);
    if (old) {
      EXPECT_EQ(driver.lastProblem(), kOld);
      continue;
    }
    driver.ibwrt(driver.ibdev(0, 9, 0, kTimeout10s, 1, 0), "ID?");
    EXPECT_EQ(driver.status().iberr, AdapterDriver::kEnol);
    const int16_t ud = driver.ibdev(0, 7, 3, kTimeout300ms, 1, 0);
    std::string got, buffer(10000, '\0');
    int reads = 0;
    do {
      driver.ibrd(ud, buffer.data(), 10000);
      ASSERT_FALSE(driver.status().failed()) << got.size() << " " << driver.lastProblem();
      got.append(buffer, 0, static_cast<size_t>(driver.status().ibcntl));
      ++reads;
    } while ((driver.status().ibsta & AdapterDriver::kEnd) == 0 && reads < 10);
    EXPECT_EQ(std::pair(got == longReply, reads), std::pair(true, 6));
    driver.ibwrt(ud, "REFMEM?");
    driver.ibrd(ud, buffer.data(), 100);  // the start of a reply of some 8000 characters
    EXPECT_EQ(std::pair(driver.status().ibcntl, driver.status().ibsta & AdapterDriver::kEnd),
              std::pair(100, 0));
    driver.ibwrt(ud, "ID?");
    driver.ibrd(ud, buffer.data(), 10000);
    EXPECT_EQ(buffer.substr(0, static_cast<size_t>(driver.status().ibcntl)),
              served.emulator.analyser().identity());
  }
}

// What the firmware does with a host that does not care: an Uno loses what arrives while
// "++mode 1" blocks it, an AR488 cuts a long line into messages, the original does neither.
TEST(AdapterModels, TheEmulatorOverrunsAndCutsAsTheFirmwareDoes) {
  const std::string burst =
      "++mode 1\n++auto 0\n++eoi 1\n++eos 3\n++eot_enable 1\n++eot_char 4\n++addr 7\n"
      "++read_tmo_ms 500\n++spoll\nDISPLAY 3,1,ASCII,\"" +
      std::string(300, 'x') + "\"\n++spoll\n";
  for (const auto& [model, answers, lost, messages] :
       {std::tuple{"ar488-uno", "", true, size_t{0}},
        {"ar488-usb", "0\r\n0\r\n", false, size_t{3}},
        {"prologix-usb", "0\r\n0\r\n", false, size_t{1}}}) {
    SCOPED_TRACE(model);
    EmulatorOptions o;
    o.model = AdapterEmulator::ModelNamed(model);
    Served served(o);
    std::string why;
    const auto link = ByteStream::For(*PortName::Parse(served.port, why));
    ASSERT_TRUE(link->open(why) && link->write(burst, 1000));
    std::string got;
    for (std::string more = "-"; !more.empty();) got += more = link->read(300);
    EXPECT_EQ(got, answers);
    EXPECT_EQ(served.emulator.lostBytes() > 0, lost);
    EXPECT_EQ(served.emulator.messages().size(), messages);
  }
}
