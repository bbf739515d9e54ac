// Reading and writing the analyser's memories, against the simulated analyser.
#include <gtest/gtest.h>

#include <memory>

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

const std::string kClear = "ibwrt DISPLAY 3,1,ASCII,\"" + std::string(21, ' ') + "\"";

struct Rig {
  SimDriver driver;
  RecordingOperator op;
  DeviceConnection dev{driver, op};
  std::unique_ptr<MemoryImages> images = std::make_unique<MemoryImages>();
  Transfer transfer{dev, *images, op};
  SimAnalyser& sim() { return driver.analyser(); }
  Transcript& transcript() { return sim().transcript(); }
  void defaults() { LoadDefaultImages(*images, nullptr); }
};

Transcript opened(Transcript rest) {
  Transcript t{"ibdev 0 7 0", "ibclr", "ibwrt XX"};
  t.insert(t.end(), rest.begin(), rest.end());
  return t;
}

void expectLocalError(const RecordingOperator& op, const std::string& text) {
  ASSERT_EQ(op.messages.size(), 1u);
  EXPECT_EQ(op.messages[0].text, text);
  EXPECT_EQ(op.messages[0].title, "Local Error");
  EXPECT_EQ(op.messages[0].icon, MsgIcon::Information);
  EXPECT_EQ(op.messages[0].buttons, MsgButtons::Ok);
}

void expectWriteError(const RecordingOperator& op) {
  ASSERT_EQ(op.messages.size(), 1u);
  EXPECT_EQ(op.messages[0].text, "Data write error");
  EXPECT_EQ(op.messages[0].title, "");
  EXPECT_EQ(op.messages[0].icon, MsgIcon::None);
  EXPECT_EQ(op.messages[0].buttons, MsgButtons::Ok);
}
}  // namespace

TEST(Transfer, ReadingTheConfiguration) {
  Rig rig;
  rig.images->SetupMem.fill(0x77);
  ASSERT_TRUE(rig.transfer.Tek2Mem(kConfiguration));
  EXPECT_EQ(rig.transcript(), opened({"ibwrt DISPLAY 3,1,ASCII,\"Reading Configuration\"",
                                      "ibwrt INSETUP?", "ibrd 10000", kClear, "ibloc", "ibonl 0"}));
  EXPECT_EQ(rig.images->SetupLen, 922);
  EXPECT_TRUE(std::equal(rig.images->SetupMem.begin(), rig.images->SetupMem.begin() + 922,
                         rig.sim().setupMemory().begin()));
  EXPECT_EQ(rig.images->SetupMem[922], 0);  // decoding zeroed the rest
  EXPECT_EQ(rig.op.busyCalls, (std::vector<bool>{true, false}));
  EXPECT_TRUE(rig.op.messages.empty());
  EXPECT_EQ(rig.sim().screenLine(), std::string(21, ' '));
  EXPECT_FALSE(rig.dev.Connected);
}

TEST(Transfer, ReadingAcquisitionAndReference) {
  Rig rig;
  ASSERT_TRUE(rig.transfer.Tek2Mem(kAcquisition));
  EXPECT_EQ(rig.transcript(), opened({"ibwrt DISPLAY 3,1,ASCII,\"Reading Acquisition  \"",
                                      "ibwrt ACQMEM?", "ibrd 10000", kClear, "ibloc", "ibonl 0"}));
  EXPECT_EQ(rig.images->AcqLen, rig.sim().acqLength());
  EXPECT_TRUE(std::equal(rig.images->AcqMem.begin(), rig.images->AcqMem.begin() + 3539,
                         rig.sim().acqMemory().begin()));

  rig.transcript().clear();
  ASSERT_TRUE(rig.transfer.Tek2Mem(kReference));
  EXPECT_EQ(rig.transcript(), opened({"ibwrt DISPLAY 3,1,ASCII,\"Reading Reference    \"",
                                      "ibwrt REFMEM?", "ibrd 10000", kClear, "ibloc", "ibonl 0"}));
  // The reference lands in the acquisition image; writing kind 2 sends it as the acquisition.
  EXPECT_EQ(rig.images->AcqMem, rig.sim().refMemory());
  ASSERT_TRUE(rig.transfer.Mem2Tek(kAcquisition));
  EXPECT_EQ(rig.sim().acqMemory(), rig.sim().refMemory());
  EXPECT_EQ(rig.sim().acqLength(), rig.sim().refLength());
}

TEST(Transfer, WritingTheConfigurationInFourPortions) {
  Rig rig;
  rig.defaults();
  // Change one byte in each portion and one that is never sent.
  for (int i : {720, 480, 600, 700, 100}) rig.images->SetupMem[static_cast<size_t>(i)] ^= 0x5A;
  const auto before = rig.sim().setupMemory();
  ASSERT_TRUE(rig.transfer.Mem2Tek(kConfiguration));
  const Transcript& t = rig.transcript();
  ASSERT_EQ(t.size(), 11u);
  EXPECT_EQ(t[3], "ibwrt DISPLAY 3,1,ASCII,\"Writing Configuration\"");
  const auto& m = rig.images->SetupMem;
  EXPECT_EQ(t[4], "ibwrt INSET " + Mem2Hex(m, 65536, 710, 212));
  EXPECT_EQ(t[5], "ibwrt INSET " + Mem2Hex(m, 65536, 471, 16));
  EXPECT_EQ(t[6], "ibwrt INSET " + Mem2Hex(m, 65536, 540, 144));
  EXPECT_EQ(t[7], "ibwrt INSET " + Mem2Hex(m, 65536, 684, 24));
  EXPECT_EQ(t[4].substr(0, 22), "ibwrt INSET #H340102C6");
  EXPECT_EQ(t[5].substr(0, 22), "ibwrt INSET #H140101D7");
  EXPECT_EQ(t[6].substr(0, 22), "ibwrt INSET #H3401021C");
  EXPECT_EQ(t[7].substr(0, 22), "ibwrt INSET #H1C0102AC");
  for (int k = 4; k < 8; ++k) EXPECT_EQ(t[static_cast<size_t>(k)].back(), ';');
  EXPECT_EQ(t[8], kClear);
  EXPECT_EQ(t[9], "ibloc");
  EXPECT_EQ(rig.op.busyCalls, (std::vector<bool>{true, false}));
  EXPECT_TRUE(rig.op.messages.empty());
  // The analyser now holds the sent bytes, and only those.
  for (int i : {720, 480, 600, 700}) {
    EXPECT_EQ(rig.sim().setupMemory()[static_cast<size_t>(i)], m[static_cast<size_t>(i)]);
  }
  EXPECT_EQ(rig.sim().setupMemory()[100], before[100]);
  EXPECT_EQ(rig.sim().rejectedWrites(), 0);
}

TEST(Transfer, WritingAcquisitionAndReference) {
  Rig rig;
  rig.defaults();
  for (size_t i = 614; i < 700; ++i) rig.images->AcqMem[i] = static_cast<uint8_t>(i);
  ASSERT_TRUE(rig.transfer.Mem2Tek(kAcquisition));
  EXPECT_EQ(rig.transcript(), opened({"ibwrt DISPLAY 3,1,ASCII,\"Writing Acquisition\"",
                                      "ibwrt ACQMEM " + Mem2Hex(rig.images->AcqMem, 0, 0, 3539),
                                      "ibwrt LOAD ACQMEM", kClear, "ibloc", "ibonl 0"}));
  EXPECT_EQ(rig.sim().acqLength(), 3539);
  EXPECT_TRUE(std::equal(rig.images->AcqMem.begin(), rig.images->AcqMem.begin() + 3539,
                         rig.sim().acqMemory().begin()));
  rig.transcript().clear();
  rig.images->AcqLen = 700;
  ASSERT_TRUE(rig.transfer.Mem2Tek(kReference));
  EXPECT_EQ(rig.transcript(), opened({"ibwrt DISPLAY 3,1,ASCII,\"Writing Reference\"",
                                      "ibwrt REFMEM " + Mem2Hex(rig.images->AcqMem, 0, 0, 700),
                                      "ibwrt LOAD REFMEM", kClear, "ibloc", "ibonl 0"}));
  EXPECT_EQ(rig.sim().refLength(), 700);
  EXPECT_EQ(rig.sim().acqLength(), 3539);
}

TEST(Transfer, NoAnalyserOpensTheSettingsThenReportsAReadError) {
  Rig rig;
  rig.defaults();
  rig.dev.PAd = 9;
  EXPECT_FALSE(rig.transfer.Tek2Mem(kConfiguration));
  EXPECT_EQ(rig.op.settingsOpened, 1);
  expectLocalError(rig.op, "Data read error");
  EXPECT_EQ(rig.images->SetupLen, 0);
  EXPECT_TRUE(std::all_of(rig.images->SetupMem.begin(), rig.images->SetupMem.end(),
                          [](uint8_t b) { return b == 0; }));
  EXPECT_EQ(rig.op.busyCalls, (std::vector<bool>{true, false}));
  // Every write tried to open the connection again; nothing was ever read.
  const Transcript& t = rig.transcript();
  EXPECT_EQ(std::count(t.begin(), t.end(), "ibdev 0 9 0"), 4);
  EXPECT_EQ(std::count(t.begin(), t.end(), "ibrd 10000"), 0);
}

TEST(Transfer, TheSettingsCommandCanMendTheAddressBeforeTheRead) {
  Rig rig;
  rig.dev.PAd = 9;
  rig.op.onOpenGpibSettings = [&] { rig.dev.PAd = 7; };
  EXPECT_TRUE(rig.transfer.Tek2Mem(kAcquisition));
  EXPECT_EQ(rig.op.settingsOpened, 1);
  EXPECT_EQ(rig.images->AcqLen, 3539);
  EXPECT_TRUE(rig.op.messages.empty());
}

TEST(Transfer, TimeoutClearsTheImageAndStillClearsTheScreen) {
  Rig rig;
  rig.defaults();
  rig.sim().faults().replyTimeout = true;
  EXPECT_FALSE(rig.transfer.Tek2Mem(kAcquisition));
  expectLocalError(rig.op, "Data read error");
  EXPECT_EQ(rig.images->AcqLen, 0);
  EXPECT_EQ(rig.images->AcqMem[600], 0);
  EXPECT_EQ(rig.transcript(), opened({"ibwrt DISPLAY 3,1,ASCII,\"Reading Acquisition  \"",
                                      "ibwrt ACQMEM?", "ibrd 10000", kClear, "ibloc", "ibonl 0"}));
  EXPECT_EQ(rig.sim().screenLine(), std::string(21, ' '));
}

TEST(Transfer, BadChecksumIsReportedAndTheReadStillSucceeds) {
  Rig rig;
  rig.sim().faults().badChecksumFrame = 2;
  EXPECT_TRUE(rig.transfer.Tek2Mem(kConfiguration));
  ASSERT_EQ(rig.op.messages.size(), 1u);
  EXPECT_EQ(rig.op.messages[0].text.substr(0, 25), "Checksum Error on Frame:2");
  EXPECT_EQ(rig.op.messages[0].title, "");
  EXPECT_EQ(rig.images->SetupLen, 922);
  EXPECT_TRUE(std::equal(rig.images->SetupMem.begin(), rig.images->SetupMem.begin() + 922,
                         rig.sim().setupMemory().begin()));
}

TEST(Transfer, ReplyAtTheWrongAddressOrOutsideTheImageIsAFormatError) {
  for (const bool outside : {false, true}) {
    Rig rig;
    rig.defaults();
    if (outside) {
      rig.sim().faults().frameOutsideMemory = true;
    } else {
      rig.sim().faults().wrongFirstAddress = true;
    }
    EXPECT_FALSE(rig.transfer.Tek2Mem(kConfiguration));
    expectLocalError(rig.op, "Data format error");
    EXPECT_EQ(rig.images->SetupLen, -1);
    EXPECT_EQ(rig.images->SetupMem[10], 0);
  }
}

TEST(Transfer, OnlyTheFirstTenThousandCharactersAreDecoded) {
  Rig rig;
  rig.sim().faults().longReply = true;
  EXPECT_TRUE(rig.transfer.Tek2Mem(kAcquisition));
  EXPECT_TRUE(rig.op.messages.empty());  // the cut frame is never checked
  // 91 full frames of 109 characters (9919), then 81 characters of the next: its
  // 10-character header and 71 digits, the last byte read from its one digit.
  EXPECT_EQ(rig.images->AcqLen, 91 * 48 + 36);
  EXPECT_TRUE(std::equal(rig.images->AcqMem.begin(), rig.images->AcqMem.begin() + 3539,
                         rig.sim().acqMemory().begin()));
  // The unread rest is thrown away by the device clear of the next connection.
  rig.sim().faults().longReply = false;
  EXPECT_TRUE(rig.transfer.Tek2Mem(kConfiguration));
  EXPECT_EQ(rig.images->SetupLen, 922);
  // A long configuration reply no longer fits its image: a format error, not a crash.
  rig.sim().faults().longReply = true;
  EXPECT_FALSE(rig.transfer.Tek2Mem(kConfiguration));
  expectLocalError(rig.op, "Data format error");
}

TEST(Transfer, FailureInTheSecondPortionStopsTheWrite) {
  Rig rig;
  rig.defaults();
  rig.images->SetupMem[480] ^= 1;
  rig.images->SetupMem[720] ^= 1;
  const auto before = rig.sim().setupMemory();
  // Writes of the connection: "XX", the status text, then the portions.
  rig.sim().faults().failWriteNumber = 4;
  EXPECT_FALSE(rig.transfer.Mem2Tek(kConfiguration));
  expectWriteError(rig.op);
  const Transcript& t = rig.transcript();
  ASSERT_EQ(t.size(), 6u);  // no later portion, no clearing text, nothing to close
  EXPECT_EQ(t[5].substr(0, 22), "ibwrt INSET #H140101D7");
  EXPECT_EQ(rig.sim().screenLine(), "Writing Configuration");
  EXPECT_EQ(rig.sim().setupMemory()[720], rig.images->SetupMem[720]);  // the first arrived
  EXPECT_EQ(rig.sim().setupMemory()[480], before[480]);
  EXPECT_EQ(rig.op.busyCalls, (std::vector<bool>{true, false}));
  EXPECT_FALSE(rig.dev.Connected);
}

TEST(Transfer, FailedDataWriteSendsNoLoad) {
  Rig rig;
  rig.defaults();
  rig.sim().faults().failWriteNumber = 3;
  EXPECT_FALSE(rig.transfer.Mem2Tek(kReference));
  expectWriteError(rig.op);
  const Transcript& t = rig.transcript();
  EXPECT_EQ(std::count(t.begin(), t.end(), "ibwrt LOAD REFMEM"), 0);
  EXPECT_EQ(t.back().substr(0, 19), "ibwrt REFMEM #H3400");
}

TEST(Transfer, ImagesTooShortToSendAreRefusedBeforeAnythingIsSent) {
  Rig rig;
  rig.defaults();
  for (int16_t len : {int16_t{710}, int16_t{0}, int16_t{-1}, int16_t{3000}}) {
    rig.images->SetupLen = len;
    rig.op.messages.clear();
    EXPECT_FALSE(rig.transfer.Mem2Tek(kConfiguration)) << len;
    expectWriteError(rig.op);
  }
  rig.images->AcqLen = 0;
  rig.op.messages.clear();
  EXPECT_FALSE(rig.transfer.Mem2Tek(kAcquisition));
  expectWriteError(rig.op);
  EXPECT_TRUE(rig.transcript().empty());
  EXPECT_TRUE(rig.op.busyCalls.empty());
  // 711 bytes is the shortest image that goes: its first portion is one byte.
  rig.images->SetupLen = 711;
  rig.op.messages.clear();
  EXPECT_TRUE(rig.transfer.Mem2Tek(kConfiguration));
  EXPECT_EQ(rig.transcript()[4].substr(0, 22), "ibwrt INSET #H050102C6");
}

TEST(Transfer, NoAnalyserOnWriteAndUnknownKinds) {
  Rig rig;
  rig.defaults();
  rig.dev.PAd = 9;
  EXPECT_FALSE(rig.transfer.Mem2Tek(kAcquisition));
  EXPECT_EQ(rig.op.settingsOpened, 1);
  expectWriteError(rig.op);
  rig.dev.PAd = 7;
  rig.op.messages.clear();
  rig.transcript().clear();
  EXPECT_FALSE(rig.transfer.Tek2Mem(4));
  EXPECT_FALSE(rig.transfer.ReadMemFromTek(0));
  EXPECT_FALSE(rig.transfer.WriteMemToTek(4));
  EXPECT_EQ(rig.images->SetupLen, 922);  // nothing touched
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
  EXPECT_TRUE(dev.DriverMissing);
  EXPECT_EQ(images.SetupLen, 922);  // the images are untouched
  EXPECT_TRUE(op.busyCalls.empty());
}
