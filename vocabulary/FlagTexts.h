#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvo {

// Appends ", " when text is not empty, then the word.
void AppendFlagWord(std::string& text, std::string_view word);

// The set bytes of a window state's flag word, in byte order: "INFO_VALID",
// "MINIMIZED", "RESERVED", "FULLRECT"; empty when none is set.
std::string WindowPosFlagsToText(std::uint32_t flags);

// "SEND_LINK" (0x20) and "EQS_POSTFX" (0x40) of a channel's send flags.
std::string SendFlagsToText(std::uint8_t flags);

// A playlist pattern number as letter and group, 0 "A-1", 8 "A-2";
// "n/a" for a negative number.
std::string PatternIndexToText(std::int32_t pattern);

std::string GetYesNoText(bool value);

}  // namespace tarvo
