#include "text/Latin1.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace tarvo {
namespace {

TEST(Latin1Test, ToUtf8) {
  EXPECT_EQ(Latin1ToUtf8(""), "");
  EXPECT_EQ(Latin1ToUtf8("Song 1"), "Song 1");
  EXPECT_EQ(Latin1ToUtf8("\xE4\xF6\xFC"), "\xC3\xA4\xC3\xB6\xC3\xBC");
  EXPECT_EQ(Latin1ToUtf8("\x7F\x80\xA0\xFF"), "\x7F\xC2\x80\xC2\xA0\xC3\xBF");
  EXPECT_EQ(Latin1ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Latin1Test, ToTerminalUtf8EscapesEveryControlCharacterOnly) {
  EXPECT_EQ(Latin1ToTerminalUtf8("\x1B]0;x\x07\x1B[31m"), "\\x1B]0;x\\x07\\x1B[31m");
  EXPECT_EQ(Latin1ToTerminalUtf8("a\r\nb\tc"), "a\\x0D\\x0Ab\tc");
  EXPECT_EQ(Latin1ToTerminalUtf8(std::string("\0\x7F\x80\x9B\x9F\xA0\xE9", 7)),
            "\\x00\\x7F\\x80\\x9B\\x9F\xC2\xA0\xC3\xA9");
  EXPECT_EQ(Latin1ToTerminalUtf8("plain \\x41 text"), "plain \\x41 text");
  // For one-line display tab is escaped too, and the rest stays Latin-1.
  EXPECT_EQ(EscapeControlBytes(std::string("a\tb\r\0\x7F\x9F\xA0\xE9\\x41", 13)), "a\\x09b\\x0D\\x00\\x7F\\x9F\xA0\xE9\\x41");
}

TEST(Latin1Test, FixedText) {
  const std::uint8_t bytes[] = {'A', 'b', 0xE9, 0, 'x', 'y'};
  EXPECT_EQ(FixedText(bytes, 6), "Ab\xE9");
  EXPECT_EQ(FixedText(bytes, 2), "Ab");    // no zero byte: the whole width
  EXPECT_EQ(FixedText(bytes + 3, 3), "");  // zero first
  EXPECT_EQ(FixedText(bytes, 0), "");
  EXPECT_EQ(FixedText(bytes + 4, 2), "xy");
}

}  // namespace
}  // namespace tarvo
