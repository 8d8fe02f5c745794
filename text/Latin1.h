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

// A fixed-width text field: the text ends at the first zero byte, or after
// `width` characters when there is none.
std::string FixedText(const std::uint8_t* bytes, std::size_t width);

}  // namespace tarvo
