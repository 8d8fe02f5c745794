#include "vocabulary/FlagTexts.h"

#include <cstdint>
#include <string>
#include <string_view>

#include "text/Format.h"

namespace tarvo {

void AppendFlagWord(std::string& text, std::string_view word) {
  if (!text.empty()) {
    text += ", ";
  }
  text += word;
}

std::string WindowPosFlagsToText(std::uint32_t flags) {
  static constexpr std::string_view Words[] = {"INFO_VALID", "MINIMIZED", "RESERVED", "FULLRECT"};
  std::string text;
  for (int byte = 0; byte < 4; ++byte) {
    if (((flags >> (8 * byte)) & 0xFF) != 0) {
      AppendFlagWord(text, Words[byte]);
    }
  }
  return text;
}

std::string SendFlagsToText(std::uint8_t flags) {
  std::string text;
  if ((flags & 0x20) != 0) {
    AppendFlagWord(text, "SEND_LINK");
  }
  if ((flags & 0x40) != 0) {
    AppendFlagWord(text, "EQS_POSTFX");
  }
  return text;
}

std::string PatternIndexToText(std::int32_t pattern) {
  // The letter table has no entry for a negative number.
  if (pattern < 0) {
    return "n/a";
  }
  static constexpr char Letters[] = "ABCDEFGH";
  // In 64 bits: the group of the largest number is one past the int32 range.
  const std::int64_t group = std::int64_t{pattern} / 8 + 1;
  std::string text(1, Letters[pattern % 8]);
  FormatTo(text, "-%d", {group});
  return text;
}

std::string GetYesNoText(bool value) { return value ? "Yes" : "No"; }

}  // namespace tarvo
