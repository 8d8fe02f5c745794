#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvo {

// Texts of song files are 8-bit: each byte is one ISO-8859-1 character.
// Inside the program they stay as those bytes; they are decoded only where
// they leave it (UTF-8 output, Qt strings).
std::string Latin1ToUtf8(std::string_view latin1);

// A character (a code point below U+0100) that a terminal takes as a
// control: below 0x20, 0x7F, and 0x80 to 0x9F. Every escape for a
// terminal asks this one test (some keep tab as it is).
constexpr bool IsTerminalControl(unsigned code) { return code < 0x20 || (code >= 0x7F && code <= 0x9F); }

// Appends `code` as \x and two upper-case hexadecimal digits.
void AppendHexEscape(std::string& out, unsigned char code);

// The same for a terminal: each control character (below 0x20 except tab,
// 0x7F, and 0x80 to 0x9F) is written as \xHH, so no song can steer the
// terminal and every message stays on its one line.
std::string Latin1ToTerminalUtf8(std::string_view latin1);

// The same escapes, tab included, for one-line display; the result stays
// Latin-1.
std::string EscapeControlBytes(std::string_view latin1);

// A fixed-width text field: the text ends at the first zero byte, or after
// `width` characters when there is none.
std::string FixedText(const std::uint8_t* bytes, std::size_t width);

}  // namespace tarvo
