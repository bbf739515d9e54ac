#include <gtest/gtest.h>

#include <numeric>

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
    return std::count(storage.begin(), storage.begin() + 32, 0xEE) +
               std::count(storage.end() - 32, storage.end(), 0xEE) ==
           64;
  }
  std::vector<uint8_t> storage;
};
}  // namespace

TEST(HexPad, PadsButNeverShortens) {
  const std::tuple<int32_t, int, const char*> cases[] = {
      {255, 2, "FF"}, {65536, 6, "010000"}, {4096, 2, "1000"}, {0, 2, "00"}};
  for (const auto& [value, width, text] : cases) EXPECT_EQ(HexPad(value, width), text);
}

TEST(Hex2Mem, DecodesFieldsAndFramesAsTheAnalyserWritesThem) {
  const std::tuple<const char*, int32_t, int16_t, std::vector<uint8_t>, const char*> cases[] = {
      // text, base, stored, the image's first bytes afterwards, part of the checksum message
      {"#H07000000616263D3;", 0, 3, {97, 98, 99, 0}, nullptr},
      {"#H07000000616263D3;", 65536, -1, {0, 0, 0}, nullptr},  // not at the base: nothing
      // Command words, line ends and a missing "#" are skipped; the "H" alone starts a frame.
      {"INSET \r\nH07000000616263D3\r\n", 0, 3, {97, 98, 99}, nullptr},
      {"#h07000000616263D3;", 0, 0, {0}, nullptr},  // a lower-case "h" starts nothing
      {"#H07000000aBcdEf92;", 0, 3, {0xAB, 0xCD, 0xEF}, nullptr},  // lower-case digits count
      // Fields are read up to the first non-digit: "6G" reads 6, "G6" reads 0, the address
      // "00G001" reads 0; the frame keeps its width, and the sum no longer matches.
      {"#H07000000616GG6D3;", 0, 3, {0x61, 0x06, 0x00}, "Needed: 92"},
      {"#H0700G001616263D3;", 0, 3, {0x61, 0x62, 0x63}, "Needed: D2"},
      // A cut-off last frame keeps its bytes; a lone digit is a byte; no checksum to compare.
      {"#H0700000061626", 0, 3, {0x61, 0x62, 0x06}, nullptr},
      {"#H07000000616263", 0, 3, {0x61, 0x62, 0x63}, nullptr},
      // A cut address reads as far as it goes.
      {"#H0701", 65536, -1, {0}, nullptr},
      {"#H0701", 1, 0, {0}, nullptr},
      {"#H07", 0, 0, {0}, nullptr},
      {"", 0, 0, {0}, nullptr},
      // Counts 4, 0 and 2 carry no data: the next two characters are the checksum. Only the
      // first frame must be at the base; the others land at their own addresses.
      {"#H07000000616263D3,#H04000005F7,#H0000000000,#H02000000fe,#H0500000311E7;",
       0,
       4,
       {97, 98, 99, 0x11, 0, 0},
       nullptr},
      {"#H07000000616263D3,#H0500000522D4,#H0500000311E7;",
       0,
       5,
       {97, 98, 99, 0x11, 0, 0x22, 0},
       nullptr}};
  for (const auto& [text, base, stored, bytes, message] : cases) {
    SCOPED_TRACE(text);
    GuardedImage g(10);
    RecordingOperator op;
    EXPECT_EQ(Hex2Mem(text, g.image(), base, &op), stored);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), g.image().begin()));
    EXPECT_TRUE(g.guardsIntact());
    ASSERT_EQ(op.messages.size(), message == nullptr ? 0u : 1u);
    if (message != nullptr) {
      EXPECT_NE(op.messages[0].text.find(message), std::string::npos);
    }
  }
}

// Frame 2 of 3 is bad: its number, a needed value without leading zero and 20 characters
// from its "H" reach into the next frame; decoding goes on.
TEST(Hex2Mem, ChecksumMessageAndDecodingGoesOn) {
  GuardedImage g(100);
  RecordingOperator op;
  EXPECT_EQ(Hex2Mem("#H0500000000FB,#H05000001F100,#H05000002AA4F;", g.image(), 0, &op), 3);
  ASSERT_EQ(op.messages.size(), 1u);
  const auto& m = op.messages[0];
  EXPECT_EQ(m.text,
            "Checksum Error on Frame:2\r\nActual: 00\r\nNeeded: 9\r\nStart:  H05000001F100,#H0500");
  EXPECT_TRUE(m.title.empty() && m.icon == MsgIcon::None && m.buttons == MsgButtons::Ok);
  EXPECT_EQ(g.image()[1] * 256 + g.image()[2], 0xF1AA);
}

// Every frame of a 13-frame block bad: a limited operator sees the first reports and one
// count of the rest. Whether the counts add up is checked over many inputs by the fuzz replay.
TEST(Hex2Mem, ChecksumReportsBeyondTheLimitAreCounted) {
  std::string text = Mem2Hex(std::vector<uint8_t>(13 * 48, 0x5A), 0, 0, 13 * 48);
  for (size_t p = 0; p < text.size(); ++p) {
    if (text[p] == ',' || text[p] == ';') text[p - 1] = text[p - 1] == '0' ? '1' : '0';
  }
  for (const auto& [limit, last] : {std::pair{10, "3 more frames had checksum errors"},
                                    std::pair{12, "1 more frame had a checksum error"}}) {
    std::vector<uint8_t> image(1000);
    RecordingOperator op;
    op.reportLimit = limit;
    EXPECT_EQ(Hex2Mem(text, image, 0, &op), 13 * 48);
    ASSERT_EQ(op.messages.size(), static_cast<size_t>(limit + 1));
    EXPECT_EQ(op.messages[limit - 1].text.substr(0, 26),
              "Checksum Error on Frame:" + std::to_string(limit));
    EXPECT_EQ(op.messages.back().text, last);
  }
}

TEST(Mem2Hex, FrameBoundaries) {
  std::vector<uint8_t> m(100, 0x11);
  const std::string two = Mem2Hex(m, 0, 0, 49);  // 48 bytes in a full frame, then one
  EXPECT_EQ(two.substr(0, 10) + two.substr(106),
            "#H34000000"
            "9C,#H0500003011BA;");
  m[10] = 0xAB;  // the start shifts both the bytes and the addresses
  EXPECT_EQ(Mem2Hex(m, 65536, 10, 1), "#H0501000AAB45;");
  // Nothing, a run that would leave the image, addresses beyond six digits: no text.
  for (auto [base, start, count] : {std::tuple<int32_t, int16_t, int16_t>{0, 0, 0},
                                    {0, 60, 41},
                                    {0, -1, 5},
                                    {0xFFFFF0, 0, 32}}) {
    EXPECT_EQ(Mem2Hex(m, base, start, count), "");
  }
}

// Below the base, far beyond it or past the last byte: nothing lands outside, the decode
// fails and the image is left as cleared, its last byte as it was.
TEST(Hex2Mem, FramesOutsideTheImageFailWithoutWriting) {
  GuardedImage g(2501);
  const std::string first = "#H07010000616263D2,";
  for (const std::string outside : {"#H070109C3616263", "#H0700FFFF61626300;", "#H34FFFFFF00",
                                    "#H050109C4AA00,#H050109C5BB00;"}) {
    g.image().back() = 0x77;
    EXPECT_EQ(Hex2Mem(first + outside, g.image(), 65536, nullptr), -1) << outside;
    EXPECT_EQ(std::count(g.image().begin(), g.image().end(), 0), 2500);
    EXPECT_TRUE(g.guardsIntact() && g.image().back() == 0x77) << outside;
  }
  EXPECT_EQ(Hex2Mem(first + "#H050109C4AA00;", g.image(), 65536, nullptr), 4);  // the last byte
  EXPECT_EQ(g.image().back(), 0xAA);
}

// Sixteen digits at a time in either case; a stray character in a long frame costs that byte.
TEST(Hex2Mem, LongFramesWithLowerCaseAndStrayCharacters) {
  std::vector<uint8_t> src(200);
  std::iota(src.begin(), src.end(), uint8_t{0x50});
  std::string text = Mem2Hex(src, 0, 0, 200);
  std::transform(text.begin(), text.end(), text.begin(),
                 [](char c) { return c >= 'A' && c <= 'F' ? char(c + 32) : c; });
  text[10 + 2 * 20] = 'G';      // byte 20 reads 0
  text[10 + 2 * 37 + 1] = 'g';  // byte 37 reads its high digit
  GuardedImage g(300);
  ASSERT_EQ(Hex2Mem(text, g.image(), 0, nullptr), 200);
  for (size_t i = 0; i < 200; ++i) {
    EXPECT_EQ(g.image()[i], i == 20 ? 0 : i == 37 ? src[i] >> 4 : src[i]) << i;
  }
}
