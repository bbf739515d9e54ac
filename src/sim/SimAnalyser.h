#pragma once
// A Tektronix 124x as it behaves on the bus: its own setup, acquisition and reference
// memories, its "ID?" answer built from the fitted cards, the status line of its screen, and
// faults on demand for tests and demonstrations.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/ImageSizes.h"

struct SimFaults {
  bool noDevice = false;            // nothing answers at the address
  bool replyTimeout = false;        // every read times out
  int badChecksumFrame = 0;         // 1-based frame of a memory reply sent with a wrong checksum
  bool wrongFirstAddress = false;   // memory replies start one frame off their base address
  bool frameOutsideMemory = false;  // memory replies end with a frame beyond the image
  bool longReply = false;           // memory replies run on with zeros to the whole memory
  size_t cutReplyAfter = 0;         // a reply stops after this many characters, without END
  int failWriteNumber = 0;          // the Nth write of the connection fails (1-based), 0 never
  int delayMs = 0;                  // added to every call
};

// How the analyser words its replies: the bare answer ("TEK/1241 ...", "#H...;"), or headed
// by the command word that would set it and ended by a line feed ("ID TEK/1241 ...\n",
// "INSET #H...;\n", "ACQMEM #H...;\n", "REFMEM #H...;\n"), as the instrument does when its
// headers are switched on.
enum class SimReplyStyle { Plain, Headed };

class SimAnalyser {
 public:
  SimAnalyser();  // board 0, PAD 7, SAD 0; slots 1, 2, 2, 0; default setup; demo acquisition

  void setAddress(int16_t board, int16_t pad, int16_t sad);
  bool answersAt(int16_t board, int16_t pad, int16_t sad) const;
  int16_t board() const { return board_; }
  // Slot codes as "ID?" reports them: 0 none, 1 a 9-bit card, 2 an 18-bit card. Refills the
  // acquisition and reference memories with a demonstration capture for those cards.
  void setSlots(const std::array<int, 4>& slots);

  std::array<uint8_t, kSetupImageSize>& setupMemory() { return setup_; }
  std::array<uint8_t, kAcqImageSize>& acqMemory() { return acq_; }
  std::array<uint8_t, kAcqImageSize>& refMemory() { return ref_; }
  int16_t acqLength() const { return acqLen_; }
  int16_t refLength() const { return refLen_; }
  // For tests that put a capture of their own into the memories (clamped to the memory).
  void setAcqLength(int16_t length);
  void setRefLength(int16_t length);
  const std::string& screenLine() const { return screen_; }
  SimFaults& faults() { return faults_; }
  void setReplyStyle(SimReplyStyle style) { style_ = style; }
  SimReplyStyle replyStyle() const { return style_; }
  // The "ID?" answer, e.g. "TEK/1241 SYS: 2.1 COMM: 1.4 ACQ:1,2,2,0".
  std::string identity() const;
  // Memory writes ("INSET ", "LOAD ACQMEM", "LOAD REFMEM") refused because a frame had a
  // wrong checksum, was malformed or addressed outside the memory; nothing of them is stored.
  int rejectedWrites() const { return rejected_; }

  // The bus side, used by SimDriver. A write is one command; a read answers the last query.
  void deviceClear();
  bool write(const std::string& command);  // false when the write fails
  std::optional<std::string> read();       // nothing: timeout
  // Puts back the part of a reply that a shorter read left unread; the next read or the
  // next device clear or command disposes of it.
  void unread(std::string rest);
  // The reply being read was cut short: once its last character is read, nothing more comes
  // and the read times out rather than ending.
  bool replyCut() const { return replyCut_; }

  // Every call as the driver saw it: "ibdev 0 7 0", "ibclr", "ibwrt ID?", "ibrd 10000",
  // "ibloc", "ibonl 0"; the driver back end appends to it.
  std::vector<std::string>& transcript() { return transcript_; }

  // The setup memory the analyser answers "INSETUP?" with: addresses 10000 to 10399 hex.
  static constexpr int16_t kSetupLength = 922;

 private:
  std::string memoryReply(const uint8_t* memory, size_t size, int32_t base, int16_t length);
  std::string styled(const char* header, std::string reply) const;
  bool storeSetupFrames(const std::string& frames);
  bool loadHeld(const std::string& frames, std::array<uint8_t, kAcqImageSize>& memory,
                int16_t& length);
  void rebuildCaptures();

  std::array<int, 4> slots_{1, 2, 2, 0};
  std::array<uint8_t, kSetupImageSize> setup_{};
  std::array<uint8_t, kAcqImageSize> acq_{};
  std::array<uint8_t, kAcqImageSize> ref_{};
  int16_t acqLen_ = 0;
  int16_t refLen_ = 0;
  std::string screen_;
  std::optional<std::string> pendingReply_;
  bool replyCut_ = false;
  std::string heldAcq_, heldRef_;  // frames waiting for "LOAD ACQMEM" / "LOAD REFMEM"
  int16_t board_ = 0, pad_ = 7, sad_ = 0;
  int writesSinceClear_ = 0;
  int rejected_ = 0;
  SimFaults faults_;
  SimReplyStyle style_ = SimReplyStyle::Plain;
  std::vector<std::string> transcript_;
};
