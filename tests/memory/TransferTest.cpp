// Reading and writing the analyser's memories, against the simulated analyser.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <span>
#include <tuple>

#include "link/DeviceConnection.h"
#include "link/SystemGpibDriver.h"
#include "memory/DefaultImages.h"
#include "memory/HexCodec.h"
#include "memory/MemoryImages.h"
#include "memory/Transfer.h"
#include "sim/SimDriver.h"
#include "support/RecordingOperator.h"

namespace {
using Transcript = std::vector<std::string>;

// The calls of one whole transfer: open, status text, the exchange, clear the text, close.
Transcript session(const std::string& status, Transcript exchange) {
  Transcript t{"ibdev 0 7 0", "ibclr", "ibwrt XX", "ibwrt DISPLAY 3,1,ASCII,\"" + status + "\""};
  t.insert(t.end(), exchange.begin(), exchange.end());
  t.insert(t.end(),
           {"ibwrt DISPLAY 3,1,ASCII,\"" + std::string(21, ' ') + "\"", "ibloc", "ibonl 0"});
  return t;
}

class Transfers : public ::testing::Test {
 protected:
  Transfers() { LoadDefaultImages(*images, nullptr); }
  SimAnalyser& sim() { return driver.analyser(); }
  Transcript& transcript() { return sim().transcript(); }
  std::span<const uint8_t> simMemory(int32_t kind) {
    if (kind == kConfiguration) return sim().setupMemory();
    return kind == kAcquisition ? sim().acqMemory() : sim().refMemory();
  }
  // The image holds the analyser's memory, and its length covers the memory's whole content.
  void expectReadWhole(int32_t kind) {
    EXPECT_EQ(images->length(kind), kind == kConfiguration ? SimAnalyser::kSetupLength
                                    : kind == kAcquisition ? sim().acqLength()
                                                           : sim().refLength());
    EXPECT_TRUE(std::ranges::equal(images->image(kind), simMemory(kind))) << kind;
  }
  // The one message of a failed transfer.
  void expectOnlyMessage(const std::string& text, bool local = false) {
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0].text, text);
    EXPECT_EQ(op.messages[0].title, local ? "Local Error" : "");
    EXPECT_EQ(op.messages[0].icon, local ? MsgIcon::Information : MsgIcon::None);
    op.messages.clear();
  }

  SimDriver driver;
  RecordingOperator op;
  DeviceConnection dev{driver, op};
  std::unique_ptr<MemoryImages> images = std::make_unique<MemoryImages>();
  Transfer transfer{dev, *images, op};
};
}  // namespace

// Every memory reads whole, with plain replies and, for the fullest card set, with the
// command word and line end of an analyser whose headers are on.
TEST_F(Transfers, ReadingEachMemory) {
  const std::tuple<int32_t, const char*, const char*> kinds[] = {
      {kConfiguration, "Reading Configuration", "INSETUP?"},
      {kAcquisition, "Reading Acquisition  ", "ACQMEM?"},
      {kReference, "Reading Reference    ", "REFMEM?"}};
  for (const auto& [kind, status, query] : kinds) {
    transcript().clear();
    ASSERT_TRUE(transfer.Tek2Mem(kind));
    EXPECT_EQ(transcript(), session(status, {std::string("ibwrt ") + query, "ibrd 10000"}));
    expectReadWhole(kind);
  }
  EXPECT_EQ(op.busyCalls, (std::vector<bool>{true, false, true, false, true, false}));

  sim().setReplyStyle(SimReplyStyle::Headed);
  sim().setSlots({2, 2, 2, 2});
  for (const auto& [kind, status, query] : kinds) {
    ASSERT_TRUE(transfer.Tek2Mem(kind)) << query;
    expectReadWhole(kind);
  }
  EXPECT_TRUE(op.messages.empty());
}

// A reply longer than one read's 10000 characters comes over several reads and decodes whole:
// 5000 bytes (11,365 characters), and the whole memory run on with zeros (56,789).
TEST_F(Transfers, LongRepliesReadWholeOverSeveralReads) {
  for (size_t i = 0; i < 5000; ++i) sim().acqMemory()[i] = static_cast<uint8_t>(i * 7 + i / 256);
  sim().setAcqLength(5000);
  for (const auto& [runOn, length, reads] : {std::tuple{false, 5000, 2}, {true, 25001, 6}}) {
    sim().faults().longReply = runOn;
    transcript().clear();
    ASSERT_TRUE(transfer.Tek2Mem(kAcquisition)) << length;
    EXPECT_EQ(images->AcqLen, length);
    EXPECT_TRUE(std::ranges::equal(images->AcqMem, sim().acqMemory())) << length;
    EXPECT_EQ(std::ranges::count(transcript(), "ibrd 10000"), reads) << length;
  }
  EXPECT_TRUE(op.messages.empty());
}

TEST_F(Transfers, WritingEachMemory) {
  ASSERT_TRUE(transfer.Mem2Tek(kConfiguration));
  const auto& m = images->SetupMem;
  EXPECT_EQ(transcript(),
            session("Writing Configuration", {"ibwrt INSET " + Mem2Hex(m, 65536, 710, 212),
                                              "ibwrt INSET " + Mem2Hex(m, 65536, 471, 16),
                                              "ibwrt INSET " + Mem2Hex(m, 65536, 540, 144),
                                              "ibwrt INSET " + Mem2Hex(m, 65536, 684, 24)}));

  images->AcqMem[650] ^= 0x5A;
  for (const auto& [kind, status, command, length] :
       {std::tuple{kAcquisition, "Writing Acquisition", "ACQMEM", int16_t{3539}},
        {kReference, "Writing Reference", "REFMEM", int16_t{700}}}) {
    transcript().clear();
    images->AcqLen = length;
    ASSERT_TRUE(transfer.Mem2Tek(kind));
    EXPECT_EQ(transcript(), session(status, {"ibwrt " + std::string(command) + " " +
                                                 Mem2Hex(images->AcqMem, 0, 0, length),
                                             "ibwrt LOAD " + std::string(command)}));
    EXPECT_TRUE(std::equal(images->AcqMem.begin(), images->AcqMem.begin() + length,
                           simMemory(kind).begin()));
  }
  EXPECT_TRUE(op.messages.empty());
}

TEST_F(Transfers, NoAnalyserOpensTheSettingsThenFails) {
  dev.PAd = 9;
  EXPECT_FALSE(transfer.Tek2Mem(kConfiguration));
  EXPECT_EQ(op.settingsOpened, 1);
  expectOnlyMessage("Data read error", true);
  EXPECT_EQ(images->SetupLen, 0);
  EXPECT_EQ(images->SetupMem, decltype(images->SetupMem){});
  EXPECT_EQ(op.busyCalls, (std::vector<bool>{true, false}));
  // The failed open is not tried again by every write.
  EXPECT_EQ(std::count(transcript().begin(), transcript().end(), "ibdev 0 9 0"), 1);

  EXPECT_FALSE(transfer.Mem2Tek(kAcquisition));
  EXPECT_EQ(op.settingsOpened, 2);
  expectOnlyMessage("Data write error");

  // The settings command can mend the address before the read.
  op.onOpenGpibSettings = [&] { dev.PAd = 7; };
  EXPECT_TRUE(transfer.Tek2Mem(kAcquisition));
  EXPECT_EQ(images->AcqLen, 3539);
  EXPECT_TRUE(op.messages.empty());
}

// A failed read leaves the image cleared and still clears the analyser's screen.
TEST_F(Transfers, FailedReads) {
  sim().faults().replyTimeout = true;
  EXPECT_FALSE(transfer.Tek2Mem(kConfiguration));
  expectOnlyMessage("Data read error", true);
  EXPECT_EQ(images->SetupLen, 0);
  EXPECT_EQ(transcript(), session("Reading Configuration", {"ibwrt INSETUP?", "ibrd 10000"}));
  sim().faults() = {.frameOutsideMemory = true};
  EXPECT_FALSE(transfer.Tek2Mem(kAcquisition));
  expectOnlyMessage("Data format error", true);
  EXPECT_EQ(images->AcqLen, -1);
  EXPECT_EQ(images->AcqMem[700], 0);
  // A reply that stops without its END, at the end of a read's buffer or within one, is
  // refused whole rather than decoded as far as it came.
  for (const size_t cut : {10000u, 15000u}) {
    sim().faults() = {.longReply = true, .cutReplyAfter = cut};
    EXPECT_FALSE(transfer.Tek2Mem(kReference)) << cut;
    expectOnlyMessage("Data read error", true);
    EXPECT_EQ(images->AcqLen, 0);
  }
  // Nor does a device that talks on without end fill the memory.
  sim().faults() = {};
  transcript().clear();
  ASSERT_TRUE(dev.DevOpen());
  sim().unread(std::string(200000, '0'));
  EXPECT_EQ(dev.DevRead(), "");
  EXPECT_EQ(std::ranges::count(transcript(), "ibrd 10000"), 7);
}

TEST_F(Transfers, FailedWriteStopsTheTransfer) {
  // Writes of the connection: "XX", the status text, then the portions.
  sim().faults().failWriteNumber = 4;
  EXPECT_FALSE(transfer.Mem2Tek(kConfiguration));
  expectOnlyMessage("Data write error");
  ASSERT_EQ(transcript().size(), 6u);  // no later portion, no clearing text, nothing to close
  EXPECT_EQ(transcript()[5].substr(0, 22), "ibwrt INSET #H140101D7");
  EXPECT_EQ(sim().screenLine(), "Writing Configuration");
  EXPECT_EQ(op.busyCalls, (std::vector<bool>{true, false}));
  EXPECT_FALSE(dev.Connected);

  // A failed data write sends no load; a failed load is a failed write too. Either way the
  // analyser's memory is unchanged and the screen keeps the writing text.
  for (const auto& [kind, failing, last, screen] :
       {std::tuple{kReference, 3, "ibwrt REFMEM #H3400", "Writing Reference"},
        {kAcquisition, 4, "ibwrt LOAD ACQMEM", "Writing Acquisition"},
        {kReference, 4, "ibwrt LOAD REFMEM", "Writing Reference"}}) {
    transcript().clear();
    const uint8_t held = simMemory(kind)[5];
    images->AcqMem[5] = static_cast<uint8_t>(held ^ 0xFF);
    sim().faults().failWriteNumber = failing;
    EXPECT_FALSE(transfer.Mem2Tek(kind));
    expectOnlyMessage("Data write error");
    EXPECT_TRUE(transcript().back().starts_with(last)) << last;
    EXPECT_EQ(sim().screenLine(), screen);
    EXPECT_EQ(simMemory(kind)[5], held) << last;
  }
}

TEST_F(Transfers, ImagesTooShortToSendAndUnknownKindsAreRefused) {
  for (int length : {710, 0, -1, 3000}) {
    images->SetupLen = static_cast<int16_t>(length);
    EXPECT_FALSE(transfer.Mem2Tek(kConfiguration)) << length;
    expectOnlyMessage("Data write error");
  }
  images->AcqLen = 0;
  EXPECT_FALSE(transfer.Mem2Tek(kAcquisition));
  expectOnlyMessage("Data write error");
  EXPECT_TRUE(transcript().empty());
  EXPECT_FALSE(transfer.Tek2Mem(4));
  EXPECT_FALSE(transfer.ReadMemFromTek(0));
  EXPECT_FALSE(transfer.WriteMemToTek(4));
  EXPECT_TRUE(op.busyCalls.empty());
}

namespace {
// An empty value removes the variable (setenv has no Windows counterpart of that name).
void SetLibraryVariable(const char* value) {
#ifdef _WIN32
  _putenv_s(SystemGpibDriver::kLibraryVariable, value);
#else
  if (*value != '\0') {
    setenv(SystemGpibDriver::kLibraryVariable, value, 1);
  } else {
    unsetenv(SystemGpibDriver::kLibraryVariable);
  }
#endif
}
}  // namespace

TEST(Transfer, MissingDriverLibraryStopsTheTransferAfterItsMessage) {
  SetLibraryVariable("/nonexistent/libgpib-none.so");
  SystemGpibDriver driver;
  RecordingOperator op;
  DeviceConnection dev(driver, op);
  auto images = std::make_unique<MemoryImages>();
  LoadDefaultImages(*images, nullptr);
  Transfer transfer(dev, *images, op);
  EXPECT_FALSE(transfer.Tek2Mem(kConfiguration));
  EXPECT_FALSE(transfer.Mem2Tek(kAcquisition));
  SetLibraryVariable("");
  ASSERT_EQ(op.messages.size(), 2u);  // the library's message once per transfer, nothing else
  EXPECT_EQ(images->SetupLen, 922);   // the images are untouched
  EXPECT_EQ(op.settingsOpened, 0);    // no settings can mend a missing library
  EXPECT_TRUE(op.busyCalls.empty());
}
