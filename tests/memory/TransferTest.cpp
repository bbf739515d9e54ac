// Reading and writing the analyser's memories, against the simulated analyser.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <span>
#include <tuple>

#include "link/DeviceConnection.h"
#include "link/SystemGpibDriver.h"
#include "link/TekIdent.h"
#include "memory/DefaultImages.h"
#include "memory/HexCodec.h"
#include "memory/MemoryImages.h"
#include "memory/Transfer.h"
#include "sim/SimDriver.h"
#include "support/RecordingOperator.h"

namespace {
using Transcript = std::vector<std::string>;

const std::string kClear = "ibwrt DISPLAY 3,1,ASCII,\"" + std::string(21, ' ') + "\"";

// The calls of one whole transfer: open, status text, the exchange, clear the text, close.
Transcript session(const std::string& status, Transcript exchange) {
  Transcript t{"ibdev 0 7 0", "ibclr", "ibwrt XX", "ibwrt DISPLAY 3,1,ASCII,\"" + status + "\""};
  t.insert(t.end(), exchange.begin(), exchange.end());
  t.insert(t.end(), {kClear, "ibloc", "ibonl 0"});
  return t;
}

class Transfers : public ::testing::Test {
 protected:
  Transfers() { LoadDefaultImages(*images, nullptr); }
  SimAnalyser& sim() { return driver.analyser(); }
  Transcript& transcript() { return sim().transcript(); }
  // The one message of a failed transfer.
  void expectOnlyMessage(const std::string& text, const std::string& title, MsgIcon icon) {
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0].text, text);
    EXPECT_EQ(op.messages[0].title, title);
    EXPECT_EQ(op.messages[0].icon, icon);
    EXPECT_EQ(op.messages[0].buttons, MsgButtons::Ok);
    op.messages.clear();
  }
  void expectReadError() {
    expectOnlyMessage("Data read error", "Local Error", MsgIcon::Information);
  }
  void expectWriteError() { expectOnlyMessage("Data write error", "", MsgIcon::None); }

  SimDriver driver;
  RecordingOperator op;
  DeviceConnection dev{driver, op};
  std::unique_ptr<MemoryImages> images = std::make_unique<MemoryImages>();
  Transfer transfer{dev, *images, op};
};
}  // namespace

TEST_F(Transfers, ReadingEachMemory) {
  images->SetupMem.fill(0x77);
  ASSERT_TRUE(transfer.Tek2Mem(kConfiguration));
  EXPECT_EQ(transcript(), session("Reading Configuration", {"ibwrt INSETUP?", "ibrd 10000"}));
  EXPECT_EQ(images->SetupLen, 922);
  EXPECT_TRUE(std::equal(images->SetupMem.begin(), images->SetupMem.begin() + 922,
                         sim().setupMemory().begin()));
  EXPECT_EQ(images->SetupMem[922], 0);  // decoding zeroed the rest
  EXPECT_EQ(op.busyCalls, (std::vector<bool>{true, false}));
  EXPECT_EQ(sim().screenLine(), std::string(21, ' '));
  EXPECT_FALSE(dev.Connected);

  transcript().clear();
  ASSERT_TRUE(transfer.Tek2Mem(kAcquisition));
  EXPECT_EQ(transcript(), session("Reading Acquisition  ", {"ibwrt ACQMEM?", "ibrd 10000"}));
  EXPECT_EQ(images->AcqMem, sim().acqMemory());
  EXPECT_EQ(images->AcqLen, sim().acqLength());

  transcript().clear();
  ASSERT_TRUE(transfer.Tek2Mem(kReference));
  EXPECT_EQ(transcript(), session("Reading Reference    ", {"ibwrt REFMEM?", "ibrd 10000"}));
  // The reference lands in the acquisition image; writing kind 2 sends it as the acquisition.
  EXPECT_EQ(images->AcqMem, sim().refMemory());
  ASSERT_TRUE(transfer.Mem2Tek(kAcquisition));
  EXPECT_EQ(sim().acqMemory(), sim().refMemory());
  EXPECT_EQ(sim().acqLength(), sim().refLength());
  EXPECT_TRUE(op.messages.empty());
}

// An analyser with its headers on puts the command word before each reply and a line feed
// after it; every memory still reads whole, up to the fullest card set.
TEST_F(Transfers, HeadedRepliesReadEveryMemoryWhole) {
  sim().setReplyStyle(SimReplyStyle::Headed);
  for (const auto& slots :
       {std::array{1, 2, 2, 0}, std::array{2, 2, 2, 2}, std::array{1, 1, 1, 1}}) {
    sim().setSlots(slots);
    for (const auto& [kind, query, header] : {std::tuple{kConfiguration, "INSETUP?", "INSET #H"},
                                              std::tuple{kAcquisition, "ACQMEM?", "ACQMEM #H"},
                                              std::tuple{kReference, "REFMEM?", "REFMEM #H"}}) {
      ASSERT_TRUE(sim().write(query));
      const std::string reply = sim().read().value_or("");
      EXPECT_EQ(reply.rfind(header, 0), 0u) << query;
      EXPECT_EQ(reply.substr(reply.size() - 2), ";\n") << query;
      EXPECT_LE(reply.size(), 10000u) << query;

      ASSERT_TRUE(transfer.Tek2Mem(kind)) << query;
      const bool setup = kind == kConfiguration;
      const auto& memory = setup
                               ? std::span<const uint8_t>(sim().setupMemory())
                               : std::span<const uint8_t>(kind == kAcquisition ? sim().acqMemory()
                                                                               : sim().refMemory());
      const int16_t length = setup                  ? SimAnalyser::kSetupLength
                             : kind == kAcquisition ? sim().acqLength()
                                                    : sim().refLength();
      EXPECT_EQ(images->length(kind), length) << query;
      EXPECT_TRUE(std::equal(memory.begin(), memory.begin() + length, images->image(kind).begin()))
          << query;
    }
  }
  // "ID TEK/1241 ..." names the last card set.
  TekIdentity identity;
  ASSERT_TRUE(GetTekIdent(dev, identity));
  EXPECT_EQ(identity.Typ, "TEK/1241");
  EXPECT_EQ(identity.nNm09, 4);
  EXPECT_TRUE(op.messages.empty());
}

TEST_F(Transfers, WritingTheConfigurationInFourPortions) {
  // Change one byte in each portion and one that is never sent.
  for (size_t i : {720, 480, 600, 700, 100}) images->SetupMem[i] ^= 0x5A;
  const auto before = sim().setupMemory();
  ASSERT_TRUE(transfer.Mem2Tek(kConfiguration));
  const auto& m = images->SetupMem;
  EXPECT_EQ(transcript(),
            session("Writing Configuration", {"ibwrt INSET " + Mem2Hex(m, 65536, 710, 212),
                                              "ibwrt INSET " + Mem2Hex(m, 65536, 471, 16),
                                              "ibwrt INSET " + Mem2Hex(m, 65536, 540, 144),
                                              "ibwrt INSET " + Mem2Hex(m, 65536, 684, 24)}));
  // Count and first address of each portion's first frame, as the analyser expects them.
  EXPECT_EQ(transcript()[4].substr(0, 22), "ibwrt INSET #H340102C6");
  EXPECT_EQ(transcript()[5].substr(0, 22), "ibwrt INSET #H140101D7");
  EXPECT_EQ(transcript()[6].substr(0, 22), "ibwrt INSET #H3401021C");
  EXPECT_EQ(transcript()[7].substr(0, 22), "ibwrt INSET #H1C0102AC");
  EXPECT_EQ(op.busyCalls, (std::vector<bool>{true, false}));
  EXPECT_TRUE(op.messages.empty());
  // The analyser now holds the sent bytes, and only those.
  for (size_t i : {720, 480, 600, 700}) EXPECT_EQ(sim().setupMemory()[i], m[i]) << i;
  EXPECT_EQ(sim().setupMemory()[100], before[100]);
  EXPECT_EQ(sim().rejectedWrites(), 0);
}

TEST_F(Transfers, WritingAcquisitionAndReference) {
  for (size_t i = 614; i < 700; ++i) images->AcqMem[i] = static_cast<uint8_t>(i);
  ASSERT_TRUE(transfer.Mem2Tek(kAcquisition));
  EXPECT_EQ(transcript(),
            session("Writing Acquisition",
                    {"ibwrt ACQMEM " + Mem2Hex(images->AcqMem, 0, 0, 3539), "ibwrt LOAD ACQMEM"}));
  EXPECT_EQ(sim().acqLength(), 3539);
  EXPECT_TRUE(
      std::equal(images->AcqMem.begin(), images->AcqMem.begin() + 3539, sim().acqMemory().begin()));
  transcript().clear();
  images->AcqLen = 700;
  ASSERT_TRUE(transfer.Mem2Tek(kReference));
  EXPECT_EQ(transcript(),
            session("Writing Reference",
                    {"ibwrt REFMEM " + Mem2Hex(images->AcqMem, 0, 0, 700), "ibwrt LOAD REFMEM"}));
  EXPECT_EQ(sim().refLength(), 700);
  EXPECT_EQ(sim().acqLength(), 3539);
}

TEST_F(Transfers, NoAnalyserOpensTheSettingsThenFails) {
  dev.PAd = 9;
  EXPECT_FALSE(transfer.Tek2Mem(kConfiguration));
  EXPECT_EQ(op.settingsOpened, 1);
  expectReadError();
  EXPECT_EQ(images->SetupLen, 0);
  EXPECT_TRUE(std::all_of(images->SetupMem.begin(), images->SetupMem.end(),
                          [](uint8_t b) { return b == 0; }));
  EXPECT_EQ(op.busyCalls, (std::vector<bool>{true, false}));
  // Every write tried to open the connection again; nothing was ever read.
  EXPECT_EQ(std::count(transcript().begin(), transcript().end(), "ibdev 0 9 0"), 4);
  EXPECT_EQ(std::count(transcript().begin(), transcript().end(), "ibrd 10000"), 0);

  EXPECT_FALSE(transfer.Mem2Tek(kAcquisition));
  EXPECT_EQ(op.settingsOpened, 2);
  expectWriteError();

  // The settings command can mend the address before the read.
  op.onOpenGpibSettings = [&] { dev.PAd = 7; };
  EXPECT_TRUE(transfer.Tek2Mem(kAcquisition));
  EXPECT_EQ(op.settingsOpened, 3);
  EXPECT_EQ(images->AcqLen, 3539);
  EXPECT_TRUE(op.messages.empty());
}

TEST_F(Transfers, TimeoutClearsTheImageAndStillClearsTheScreen) {
  sim().faults().replyTimeout = true;
  EXPECT_FALSE(transfer.Tek2Mem(kAcquisition));
  expectReadError();
  EXPECT_EQ(images->AcqLen, 0);
  EXPECT_EQ(images->AcqMem[600], 0);
  EXPECT_EQ(transcript(), session("Reading Acquisition  ", {"ibwrt ACQMEM?", "ibrd 10000"}));
  EXPECT_EQ(sim().screenLine(), std::string(21, ' '));
}

TEST_F(Transfers, BadChecksumIsReportedAndTheReadStillSucceeds) {
  sim().faults().badChecksumFrame = 2;
  EXPECT_TRUE(transfer.Tek2Mem(kConfiguration));
  ASSERT_EQ(op.messages.size(), 1u);
  EXPECT_EQ(op.messages[0].text.substr(0, 25), "Checksum Error on Frame:2");
  EXPECT_EQ(op.messages[0].title, "");
  EXPECT_EQ(images->SetupLen, 922);
  EXPECT_TRUE(std::equal(images->SetupMem.begin(), images->SetupMem.begin() + 922,
                         sim().setupMemory().begin()));
}

TEST_F(Transfers, ReplyAtTheWrongAddressOrOutsideTheImageIsAFormatError) {
  for (bool SimFaults::*fault : {&SimFaults::frameOutsideMemory, &SimFaults::wrongFirstAddress}) {
    LoadDefaultImages(*images, nullptr);
    sim().faults() = {};
    sim().faults().*fault = true;
    EXPECT_FALSE(transfer.Tek2Mem(kConfiguration));
    expectOnlyMessage("Data format error", "Local Error", MsgIcon::Information);
    EXPECT_EQ(images->SetupLen, -1);
    EXPECT_EQ(images->SetupMem[10], 0);
  }
}

TEST_F(Transfers, OnlyTheFirstTenThousandCharactersAreDecoded) {
  sim().faults().longReply = true;
  EXPECT_TRUE(transfer.Tek2Mem(kAcquisition));
  EXPECT_TRUE(op.messages.empty());  // the cut frame is never checked
  // 91 full frames of 109 characters (9919), then 81 characters of the next: its
  // 10-character header and 71 digits, the last byte read from its one digit.
  EXPECT_EQ(images->AcqLen, 91 * 48 + 36);
  EXPECT_TRUE(
      std::equal(images->AcqMem.begin(), images->AcqMem.begin() + 3539, sim().acqMemory().begin()));
  // The unread rest is thrown away by the device clear of the next connection.
  sim().faults().longReply = false;
  EXPECT_TRUE(transfer.Tek2Mem(kConfiguration));
  EXPECT_EQ(images->SetupLen, 922);
  // A long configuration reply no longer fits its image: a format error, not a crash.
  sim().faults().longReply = true;
  EXPECT_FALSE(transfer.Tek2Mem(kConfiguration));
  expectOnlyMessage("Data format error", "Local Error", MsgIcon::Information);
}

TEST_F(Transfers, FailedWriteStopsTheTransfer) {
  images->SetupMem[480] ^= 1;
  images->SetupMem[720] ^= 1;
  const auto before = sim().setupMemory();
  // Writes of the connection: "XX", the status text, then the portions.
  sim().faults().failWriteNumber = 4;
  EXPECT_FALSE(transfer.Mem2Tek(kConfiguration));
  expectWriteError();
  ASSERT_EQ(transcript().size(), 6u);  // no later portion, no clearing text, nothing to close
  EXPECT_EQ(transcript()[5].substr(0, 22), "ibwrt INSET #H140101D7");
  EXPECT_EQ(sim().screenLine(), "Writing Configuration");
  EXPECT_EQ(sim().setupMemory()[720], images->SetupMem[720]);  // the first arrived
  EXPECT_EQ(sim().setupMemory()[480], before[480]);
  EXPECT_EQ(op.busyCalls, (std::vector<bool>{true, false}));
  EXPECT_FALSE(dev.Connected);

  // A failed data write sends no load; a failed load is a failed write too. Either way the
  // analyser's memory is unchanged and the screen keeps the writing text.
  const struct {
    int32_t kind;
    int failing;
    const char* last;
  } cases[] = {{kReference, 3, "ibwrt REFMEM #H3400"},
               {kAcquisition, 4, "ibwrt LOAD ACQMEM"},
               {kReference, 4, "ibwrt LOAD REFMEM"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.last);
    transcript().clear();
    const uint8_t held = (c.kind == kAcquisition ? sim().acqMemory() : sim().refMemory())[5];
    images->AcqMem[5] = static_cast<uint8_t>(held ^ 0xFF);
    sim().faults().failWriteNumber = c.failing;
    EXPECT_FALSE(transfer.Mem2Tek(c.kind));
    expectWriteError();
    EXPECT_EQ(transcript().back().substr(0, std::string_view(c.last).size()), c.last);
    EXPECT_EQ(sim().screenLine(),
              c.kind == kAcquisition ? "Writing Acquisition" : "Writing Reference");
    EXPECT_EQ((c.kind == kAcquisition ? sim().acqMemory() : sim().refMemory())[5], held);
  }
}

TEST_F(Transfers, ImagesTooShortToSendAndUnknownKindsAreRefused) {
  for (int16_t len : {int16_t{710}, int16_t{0}, int16_t{-1}, int16_t{3000}}) {
    images->SetupLen = len;
    EXPECT_FALSE(transfer.Mem2Tek(kConfiguration)) << len;
    expectWriteError();
  }
  images->AcqLen = 0;
  EXPECT_FALSE(transfer.Mem2Tek(kAcquisition));
  expectWriteError();
  EXPECT_TRUE(transcript().empty());
  EXPECT_TRUE(op.busyCalls.empty());
  // 711 bytes is the shortest image that goes: its first portion is one byte.
  images->SetupLen = 711;
  EXPECT_TRUE(transfer.Mem2Tek(kConfiguration));
  EXPECT_EQ(transcript()[4].substr(0, 22), "ibwrt INSET #H050102C6");

  EXPECT_FALSE(transfer.Tek2Mem(4));
  EXPECT_FALSE(transfer.ReadMemFromTek(0));
  EXPECT_FALSE(transfer.WriteMemToTek(4));
  EXPECT_EQ(images->SetupLen, 711);  // nothing touched
}

TEST(Transfer, MissingDriverLibraryStopsTheTransferAfterItsMessage) {
  setenv(SystemGpibDriver::kLibraryVariable, "/nonexistent/libgpib-none.so", 1);
  SystemGpibDriver driver;
  RecordingOperator op;
  DeviceConnection dev(driver, op);
  MemoryImages images;
  LoadDefaultImages(images, nullptr);
  Transfer transfer(dev, images, op);
  EXPECT_FALSE(transfer.Tek2Mem(kConfiguration));
  EXPECT_FALSE(transfer.Mem2Tek(kAcquisition));
  unsetenv(SystemGpibDriver::kLibraryVariable);
  ASSERT_EQ(op.messages.size(), 2u);  // one per transfer, nothing else
  EXPECT_EQ(op.messages[0].icon, MsgIcon::Critical);
  EXPECT_EQ(op.messages[1].text, op.messages[0].text);
  EXPECT_EQ(op.settingsOpened, 0);  // no settings can mend a missing library
  EXPECT_EQ(images.SetupLen, 922);  // the images are untouched
  EXPECT_TRUE(op.busyCalls.empty());
}
