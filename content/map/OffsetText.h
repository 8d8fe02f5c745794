#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tarvo::content {

// What one typed character is worth: a hexadecimal digit's value, else -1;
// and whether it is a blank (space or tab).
int HexDigit(char c);
bool Blank(char c);

// An offset typed by a person: "0x1A2C" (hexadecimal) or "6700" (decimal),
// blanks around it allowed. Nothing for anything else or a value past 2^64.
std::optional<std::uint64_t> ParseOffset(std::string_view text);

// The offset a loader message line begins with: at least 8 hexadecimal
// digits followed by a blank, as the chunk trace writes it.
std::optional<std::uint64_t> LeadingOffset(std::string_view line);

}  // namespace tarvo::content
