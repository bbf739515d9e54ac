// The adapter's byte-level protocol: escaping, line splitting, answers and port names.
#include <gtest/gtest.h>

#include "adapter/HostLines.h"
#include "adapter/PortName.h"
#include "adapter/ReplyCollector.h"

TEST(HostLines, EscapedDataComesBackWholeAndOnlyAPlainPlusPlusIsACommand) {
  const std::string payload = "++addr 3\r\nA+B\x1b\n+";
  HostLines lines;
  // Fed one byte at a time, as a slow serial port would deliver it.
  const std::string sent = "++ver\r\n" + HostLines::Escape(payload) + "\n\n++read eoi\n";
  for (const char c : sent) lines.feed(std::string(1, c));
  HostLines::Line line;
  ASSERT_TRUE(lines.next(line));
  EXPECT_TRUE(line.command);
  EXPECT_EQ(line.text, "++ver");
  ASSERT_TRUE(lines.next(line));
  EXPECT_FALSE(line.command);  // starts with "++", but escaped: data for the instrument
  EXPECT_EQ(line.text, payload);
  ASSERT_TRUE(lines.next(line));  // the empty line is skipped
  EXPECT_EQ(line.text, "++read eoi");
  EXPECT_FALSE(lines.next(line));
  EXPECT_EQ(HostLines::Escape("a+\r"), "a\x1b+\x1b\r");
}

TEST(ReplyCollector, EndsAtItsCharacterKeepsOnlyWhatFitsAndLeavesTheRest) {
  ReplyCollector c;
  c.start('\x04', 5);
  EXPECT_EQ(c.feed("0123"), 4u);
  EXPECT_FALSE(c.complete());
  EXPECT_EQ(c.feed(std::string("456789\x04") + "stale"), 7u);  // the rest is not this answer's
  EXPECT_TRUE(c.complete());
  EXPECT_EQ(c.data(), "01234");
  EXPECT_EQ(c.received(), 10u);
  EXPECT_EQ(c.feed("more"), 0u);

  c.start('\n', 64);
  c.feed(" Prologix GPIB-USB Controller version 6.107\r\n");
  EXPECT_EQ(c.line(), "Prologix GPIB-USB Controller version 6.107");
}

TEST(PortName, FormsOfAPortName) {
  struct Case {
    const char* text;
    bool ok;
    const char* normal;  // the parsed name written back, or the reason
  } cases[] = {
      {"tcp:192.168.1.20", true, "tcp:192.168.1.20:1234"},
      {" tcp:gpib.lab:5025 ", true, "tcp:gpib.lab:5025"},
      {"tcp:[::1]:99", true, "tcp:[::1]:99"},
      {"serial:/dev/ttyUSB0", true, "serial:/dev/ttyUSB0"},
      {"COM3", true, "serial:COM3"},
      {"tcp:host:0", false, "\"tcp:host:0\": the TCP port must be a number from 1 to 65535"},
      {"tcp:host:99999", false,
       "\"tcp:host:99999\": the TCP port must be a number from 1 to 65535"},
      {"tcp::1234", false, "\"tcp::1234\": no host after tcp:"},
      {"serial:", false, "\"serial:\": no device after serial:"},
      {"", false, "no port given"},
  };
  for (const Case& c : cases) {
    std::string why;
    const std::optional<PortName> p = PortName::Parse(c.text, why);
    ASSERT_EQ(p.has_value(), c.ok) << c.text;
    EXPECT_EQ(c.ok ? p->text() : why, c.normal);
  }
}
