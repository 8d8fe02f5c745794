#include "vocabulary/FlagTexts.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace tarvo {
namespace {

TEST(FlagTextsTest, WindowPosFlags) {
  struct Case {
    std::uint32_t flags;
    const char* expected;
  };
  const Case cases[] = {
      {0, ""},
      {0x01000000, "FULLRECT"},
      {0x00010000, "RESERVED"},
      {0x01010101, "INFO_VALID, MINIMIZED, RESERVED, FULLRECT"},
      {0xFF02, "INFO_VALID, MINIMIZED"},
      {0x80000080, "INFO_VALID, FULLRECT"},
      {0xFFFFFFFF, "INFO_VALID, MINIMIZED, RESERVED, FULLRECT"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WindowPosFlagsToText(c.flags), c.expected) << std::hex << c.flags;
  }
}

TEST(FlagTextsTest, SendFlags) {
  struct Case {
    std::uint8_t flags;
    const char* expected;
  };
  const Case cases[] = {
      {0x60, "SEND_LINK, EQS_POSTFX"},
      {0x40, "EQS_POSTFX"},
      {0x20, "SEND_LINK"},
      {0x9F, ""},
      {0, ""},
      {0xFF, "SEND_LINK, EQS_POSTFX"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SendFlagsToText(c.flags), c.expected) << std::hex << int{c.flags};
  }
}

TEST(FlagTextsTest, PatternIndex) {
  struct Case {
    std::int32_t pattern;
    const char* expected;
  };
  const Case cases[] = {
      {0, "A-1"},
      {7, "H-1"},
      {8, "A-2"},
      {21, "F-3"},
      {63, "H-8"},
      {64, "A-9"},
      {std::numeric_limits<std::int32_t>::max(), "H-268435456"},
      {-1, "n/a"},
      {std::numeric_limits<std::int32_t>::min(), "n/a"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PatternIndexToText(c.pattern), c.expected) << c.pattern;
  }
}

TEST(FlagTextsTest, AppendFlagWordAndYesNo) {
  std::string text;
  AppendFlagWord(text, "ONE");
  EXPECT_EQ(text, "ONE");
  AppendFlagWord(text, "TWO");
  EXPECT_EQ(text, "ONE, TWO");
  EXPECT_EQ(GetYesNoText(true), "Yes");
  EXPECT_EQ(GetYesNoText(false), "No");
}

}  // namespace
}  // namespace tarvo
