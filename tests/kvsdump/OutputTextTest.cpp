#include "tools/kvsdump/OutputText.h"

#include "text/Latin1.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>

namespace tarvo::kvsdump {
namespace {

TEST(KvsDumpOutputText, TabCaptionShowsAsTheTabDoes) {
  EXPECT_EQ(TabCaptionAsDisplayed("Mixer && Playlist Tracks"), "Mixer & Playlist Tracks");
  EXPECT_EQ(TabCaptionAsDisplayed("&Global"), "Global");
  EXPECT_EQ(TabCaptionAsDisplayed("a&&&b"), "a&b");
  EXPECT_EQ(TabCaptionAsDisplayed("ends&"), "ends&");
  EXPECT_EQ(TabCaptionAsDisplayed(""), "");
}

// Whatever bytes come in, the result is UTF-8 the JSON serializer accepts;
// UTF-8 stays as it is.
TEST(KvsDumpOutputText, ExternalTextAlwaysBecomesValidUtf8) {
  EXPECT_EQ(ExternalTextToUtf8("plain"), "plain");
  EXPECT_EQ(ExternalTextToUtf8("caf\xC3\xA9 \xF0\x9F\x8E\xB5"), "caf\xC3\xA9 \xF0\x9F\x8E\xB5");
  EXPECT_EQ(ExternalTextToUtf8("caf\xE9"), "caf\xC3\xA9");

  const std::string notUtf8[] = {
      "\xC0\xAF",          // overlong
      "\xE0\x80\xAF",      // overlong
      "\xED\xA0\x80",      // surrogate
      "\xF4\x90\x80\x80",  // above U+10FFFF
      "\xE2\x82",          // cut short
      "\x80",              // continuation without lead
      "\xFF",
  };
  for (const std::string& bytes : notUtf8) {
    const std::string text = ExternalTextToUtf8(bytes);
    EXPECT_EQ(text.size(), 2 * bytes.size()) << "read as ISO-8859-1";
    EXPECT_NO_THROW((void)nlohmann::json(text).dump());
  }
}

TEST(KvsDumpOutputText, OneLineTextEscapesWhatWouldBreakTheLine) {
  EXPECT_EQ(OneLineText("a\tb\r\nc"), "a\\tb\\r\\nc");
  EXPECT_EQ(OneLineText(std::string("\x00\x1B\x7F\x85\x9F", 5)), "\\x00\\x1B\\x7F\\x85\\x9F");
  EXPECT_EQ(OneLineText("caf\xE9 \xA0~"), "caf\xC3\xA9 \xC2\xA0~");
  EXPECT_EQ(OneLineText(""), "\"\"");
}


// Song texts, external texts and one-line displays escape the same
// characters for a terminal, tab aside for the one-line display.
TEST(KvsDumpOutputText, EveryEscapeTakesTheSameCharactersForControls) {
  for (unsigned code = 0; code < 0x100; ++code) {
    const std::string latin1(1, static_cast<char>(code));
    const bool control = code < 0x20 || (code >= 0x7F && code <= 0x9F);
    const std::string escaped = Latin1ToTerminalUtf8(latin1);
    EXPECT_EQ(escaped, EscapeControls(Latin1ToUtf8(latin1))) << code;
    EXPECT_EQ(escaped.starts_with("\\x"), control && code != '\t') << code;
    EXPECT_EQ(EscapeControlBytes(latin1).starts_with("\\x"), control) << code;
  }
}

}  // namespace
}  // namespace tarvo::kvsdump
