#include <gtest/gtest.h>

#include <array>
#include <numeric>
#include <vector>

#include "memory/HexCodec.h"
#include "support/RecordingOperator.h"

namespace {
// An image with guard bytes around it, so a write past either end shows.
struct GuardedImage {
  explicit GuardedImage(size_t size) : storage(size + 64, 0xEE) {}
  std::span<uint8_t> image() {
    return std::span<uint8_t>(storage).subspan(32, storage.size() - 64);
  }
  bool guardsIntact() const {
    auto guard = [](uint8_t b) { return b == 0xEE; };
    return std::all_of(storage.begin(), storage.begin() + 32, guard) &&
           std::all_of(storage.end() - 32, storage.end(), guard);
  }
  std::vector<uint8_t> storage;
};

}  // namespace

TEST(HexPad, PadsButNeverShortens) {
  const std::tuple<int32_t, int, const char*> cases[] = {
      {255, 2, "FF"}, {65536, 6, "010000"}, {4096, 2, "1000"}, {0, 2, "00"}, {0xABC, 1, "ABC"}};
  for (const auto& [value, width, text] : cases) EXPECT_EQ(HexPad(value, width), text);
}

TEST(ClearMem, SparesTheLastElement) {
  std::array<uint8_t, 5> m{1, 2, 3, 4, 5};
  ClearMem(m);
  EXPECT_EQ(m, (std::array<uint8_t, 5>{0, 0, 0, 0, 5}));
}

TEST(Hex2Mem, DecodesFieldsAndFramesAsTheAnalyserWritesThem) {
  const struct {
    const char* text;
    int32_t base;
    int16_t stored;
    std::vector<uint8_t> bytes;  // the image's first bytes afterwards
    const char* message;         // part of the checksum message, or nothing
  } cases[] = {
      {"#H07000000616263D3;", 0, 3, {97, 98, 99, 0}, nullptr},
      // At another base the first address is wrong: nothing is stored.
      {"#H07000000616263D3;", 65536, -1, {0, 0, 0}, nullptr},
      // Command words, line ends and a missing "#" are skipped; the "H" alone starts a frame.
      {"INSET \r\nH07000000616263D3\r\n", 0, 3, {97, 98, 99}, nullptr},
      {"#h07000000616263D3;", 0, 0, {0}, nullptr},  // a lower-case "h" starts nothing
      {"", 0, 0, {0}, nullptr},
      {"#H07000000aBcdEf92;", 0, 3, {0xAB, 0xCD, 0xEF}, nullptr},  // lower-case digits count
      // Fields are read up to the first non-digit: "6G" reads 6, "G6" reads 0; the frame keeps
      // its width, and the sum no longer matches.
      {"#H07000000616GG6D3;", 0, 3, {0x61, 0x06, 0x00}, "Needed: 92"},
      // A cut-off last frame keeps its bytes; a lone digit is a byte; no checksum to compare.
      {"#H070000006162", 0, 2, {0x61, 0x62, 0}, nullptr},
      {"#H0700000061626", 0, 3, {0x61, 0x62, 0x06}, nullptr},
      {"#H07000000616263", 0, 3, {0x61, 0x62, 0x63}, nullptr},
      // A cut address reads as far as it goes.
      {"#H070000", 0, 0, {0}, nullptr},
      {"#H0701", 65536, -1, {0}, nullptr},
      {"#H0701", 1, 0, {0}, nullptr},
      {"#H07", 0, 0, {0}, nullptr},
      {"#H", 0, 0, {0}, nullptr},
      // Counts 4, 0 and 2 carry no data: the next two characters are the checksum.
      {"#H07000000616263D3,#H04000005F7,#H0000000000,#H02000000fe,#H0500000311E7;",
       0,
       4,
       {97, 98, 99, 0x11, 0, 0},
       nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    GuardedImage g(10);
    RecordingOperator op;
    EXPECT_EQ(Hex2Mem(c.text, g.image(), c.base, &op), c.stored);
    EXPECT_TRUE(std::equal(c.bytes.begin(), c.bytes.end(), g.image().begin()));
    EXPECT_TRUE(g.guardsIntact());
    if (c.message == nullptr) {
      EXPECT_TRUE(op.messages.empty());
    } else {
      ASSERT_EQ(op.messages.size(), 1u);
      EXPECT_NE(op.messages[0].text.find(c.message), std::string::npos);
    }
  }
}

TEST(Hex2Mem, ChecksumMessageAndDecodingGoesOn) {
  GuardedImage g(100);
  RecordingOperator op;
  EXPECT_EQ(Hex2Mem("#H07000000616263D4;", g.image(), 0, &op), 3);
  ASSERT_EQ(op.messages.size(), 1u);
  EXPECT_EQ(op.messages[0].text,
            "Checksum Error on Frame:1\r\nActual: D4\r\nNeeded: D3\r\nStart:  H07000000616263D4;");
  EXPECT_EQ(op.messages[0].title, "");
  EXPECT_EQ(op.messages[0].icon, MsgIcon::None);
  EXPECT_EQ(op.messages[0].buttons, MsgButtons::Ok);
  EXPECT_EQ(g.image()[2], 99);

  // Frame 2 of 3 is bad: its number, a needed value without leading zero and 20 characters
  // from its "H" reach into the next frame.
  op.messages.clear();
  EXPECT_EQ(Hex2Mem("#H0500000000FB,#H05000001F100,#H05000002AA4F;", g.image(), 0, &op), 3);
  ASSERT_EQ(op.messages.size(), 1u);
  EXPECT_EQ(op.messages[0].text,
            "Checksum Error on Frame:2\r\nActual: 00\r\nNeeded: 9\r\nStart:  H05000001F100,#H0500");
  EXPECT_EQ(g.image()[1], 0xF1);
  EXPECT_EQ(g.image()[2], 0xAA);
}

// Every frame of a 13-frame block bad: a limited operator sees the first reports and one
// count of the rest; an unlimited one sees them all. The data is loaded either way.
TEST(Hex2Mem, ChecksumReportsBeyondTheLimitAreCounted) {
  std::vector<uint8_t> src(13 * 48);
  std::iota(src.begin(), src.end(), uint8_t{1});
  std::string text = Mem2Hex(src, 0, 0, static_cast<int16_t>(src.size()));
  for (size_t p = 0; p < text.size(); ++p) {
    if (text[p] == ',' || text[p] == ';') text[p - 1] = text[p - 1] == '0' ? '1' : '0';
  }
  for (const auto& [limit, reports, last] :
       {std::tuple{10, 11u, "3 more frames had checksum errors"},
        std::tuple{12, 13u, "1 more frame had a checksum error"},
        std::tuple{13, 13u, "Checksum Error on Frame:13"},
        std::tuple{0, 13u, "Checksum Error on Frame:13"}}) {
    GuardedImage g(1000);
    RecordingOperator op;
    op.reportLimit = limit;
    EXPECT_EQ(Hex2Mem(text, g.image(), 0, &op), 13 * 48);
    EXPECT_TRUE(std::equal(src.begin(), src.end(), g.image().begin()));
    ASSERT_EQ(op.messages.size(), reports) << limit;
    EXPECT_EQ(op.messages.back().text.substr(0, std::string(last).size()), last);
    EXPECT_EQ(op.messages.back().buttons, MsgButtons::Ok);
    for (size_t i = 0; i + 1 < reports; ++i) {
      const std::string head = "Checksum Error on Frame:" + std::to_string(i + 1) + "\r\n";
      EXPECT_EQ(op.messages[i].text.rfind(head, 0), 0u) << i;
    }
  }
}

TEST(Mem2Hex, FrameBoundaries) {
  std::vector<uint8_t> m(100, 0x11);
  const std::string one = Mem2Hex(m, 0, 0, 48);
  EXPECT_EQ(one.size(), 109u);
  EXPECT_EQ(one.substr(0, 10), "#H34000000");
  EXPECT_EQ(one.back(), ';');
  EXPECT_EQ(one.find(','), std::string::npos);

  const std::string two = Mem2Hex(m, 0, 0, 49);
  ASSERT_EQ(two.size(), 109u + 15u);
  EXPECT_EQ(two[108], ',');
  EXPECT_EQ(two.substr(109), "#H0500003011BA;");  // 5 + 0x30 + 0x11 + 0xBA = 0x100

  // Start shifts both the bytes and the addresses.
  m[10] = 0xAB;
  EXPECT_EQ(Mem2Hex(m, 65536, 10, 1), "#H0501000AAB45;");

  // Nothing, a run that would leave the image, addresses beyond six digits: no text.
  using Run = std::tuple<int32_t, int16_t, int16_t>;
  for (auto [base, start, count] :
       {Run{0, 0, 0}, {0, 0, -1}, {0, 60, 41}, {0, -1, 5}, {0xFFFFF0, 0, 32}}) {
    EXPECT_EQ(Mem2Hex(m, base, start, count), "");
  }
}

TEST(Hex2Mem, RoundTripOfAFullAcquisitionImage) {
  std::vector<uint8_t> src(25001);
  uint32_t x = 12345;
  for (auto& b : src) b = static_cast<uint8_t>((x = x * 1103515245 + 12345) >> 16);
  const std::string text = Mem2Hex(src, 0, 0, static_cast<int16_t>(src.size()));
  GuardedImage g(25001);
  RecordingOperator op;
  EXPECT_EQ(Hex2Mem(text, g.image(), 0, &op), 25001);
  EXPECT_TRUE(op.messages.empty());
  EXPECT_TRUE(std::equal(src.begin(), src.end() - 1, g.image().begin()));
  EXPECT_TRUE(g.guardsIntact());
}

TEST(Hex2Mem, FramesInAnyOrderGapsStayZero) {
  std::vector<uint8_t> src(200);
  std::iota(src.begin(), src.end(), 1);
  const std::string a = Mem2Hex(src, 0, 0, 48);    // bytes 0..47
  const std::string b = Mem2Hex(src, 0, 96, 48);   // bytes 96..143, a gap before
  const std::string c = Mem2Hex(src, 0, 150, 10);  // bytes 150..159
  GuardedImage g(200);
  // Only the first frame must be at the base; the others land at their own addresses.
  EXPECT_EQ(Hex2Mem(a + c + b, g.image(), 0, nullptr), 106);
  for (size_t i = 0; i < 199; ++i) {
    const bool sent = i < 48 || (i >= 96 && i < 144) || (i >= 150 && i < 160);
    EXPECT_EQ(g.image()[i], sent ? src[i] : 0) << i;
  }
  EXPECT_EQ(Hex2Mem(b + a, g.image(), 0, nullptr), -1);  // first frame not at the base
}

TEST(Hex2Mem, FramesOutsideTheImageFailWithoutWriting) {
  RecordingOperator op;
  GuardedImage g(2501);
  g.image().back() = 0x77;
  const std::string first = "#H07010000616263D2,";
  // Runs past the last byte (index 2500 = 0x1009C4): nothing may land in the guard bytes.
  const std::string past = "#H070109C3616263" + std::string("00;");
  EXPECT_EQ(Hex2Mem(first + past, g.image(), 65536, &op), -1);
  EXPECT_TRUE(g.guardsIntact());
  EXPECT_TRUE(
      std::all_of(g.image().begin(), g.image().end() - 1, [](uint8_t b) { return b == 0; }));
  EXPECT_EQ(g.image().back(), 0x77);

  // Below the base, and far beyond it.
  EXPECT_EQ(Hex2Mem(first + "#H0700FFFF61626300;", g.image(), 65536, &op), -1);
  EXPECT_EQ(Hex2Mem(first + "#H34FFFFFF00", g.image(), 65536, &op), -1);
  EXPECT_TRUE(g.guardsIntact());

  // The last byte itself is inside; a failure afterwards restores what it held before.
  EXPECT_EQ(Hex2Mem(first + "#H050109C4AA00;", g.image(), 65536, &op), 4);
  EXPECT_EQ(g.image().back(), 0xAA);
  g.image().back() = 0x77;
  EXPECT_EQ(Hex2Mem(first + "#H050109C4AA00,#H050109C5BB00;", g.image(), 65536, &op), -1);
  EXPECT_EQ(g.image().back(), 0x77);
  EXPECT_TRUE(g.guardsIntact());
}

TEST(Hex2Mem, StoredCountNeverExceedsTheImage) {
  // Frames that overwrite each other count every byte again; the result must still be a
  // length inside the image (and inside 16 bits).
  std::vector<uint8_t> src(48, 0x5A);
  const std::string frame = Mem2Hex(src, 65536, 0, 48);
  std::string text;
  for (int i = 0; i < 100; ++i) text += frame;
  GuardedImage setup(2501);
  EXPECT_EQ(Hex2Mem(text, setup.image(), 65536, nullptr), 2501);

  std::vector<uint8_t> acq(48, 0x33);
  const std::string acqFrame = Mem2Hex(acq, 0, 0, 48);
  text.clear();
  for (int i = 0; i < 1000; ++i) text += acqFrame;  // 48000 bytes: more than 16 bits hold
  GuardedImage big(25001);
  EXPECT_EQ(Hex2Mem(text, big.image(), 0, nullptr), 25001);
  EXPECT_EQ(big.image()[47], 0x33);
}

TEST(Hex2Mem, LongFramesWithLowerCaseAndStrayCharacters) {
  std::vector<uint8_t> src(200);
  std::iota(src.begin(), src.end(), 0x50);
  std::string text = Mem2Hex(src, 0, 0, 200);
  for (char& c : text) {
    if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
  }
  GuardedImage g(300);
  RecordingOperator op;
  ASSERT_EQ(Hex2Mem(text, g.image(), 0, &op), 200);
  EXPECT_TRUE(op.messages.empty());
  EXPECT_TRUE(std::equal(src.begin(), src.end(), g.image().begin()));

  // Inside a full frame: byte 20 as "G5" reads 0, byte 37 as "5g" reads 5; the bytes after
  // them in the same frame are still decoded.
  const size_t data = 10;  // "#H", count and address come first
  text[data + 2 * 20] = 'G';
  text[data + 2 * 37 + 1] = 'g';
  ASSERT_EQ(Hex2Mem(text, g.image(), 0, &op), 200);
  for (size_t i = 0; i < 200; ++i) {
    const uint8_t expected = i == 20 ? 0 : i == 37 ? static_cast<uint8_t>(src[i] >> 4) : src[i];
    EXPECT_EQ(g.image()[i], expected) << i;
  }
  ASSERT_EQ(op.messages.size(), 1u);
  EXPECT_EQ(op.messages[0].text.substr(0, 25), "Checksum Error on Frame:1");
}
