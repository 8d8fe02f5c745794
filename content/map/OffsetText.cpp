#include "content/map/OffsetText.h"

#include <limits>

namespace tarvo::content {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool Blank(char c) { return c == ' ' || c == '\t'; }

namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && Blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && Blank(text.back())) text.remove_suffix(1);
  return text;
}

std::optional<std::uint64_t> Digits(std::string_view text, unsigned base) {
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    const int digit = HexDigit(c);
    if (digit < 0 || static_cast<unsigned>(digit) >= base) return std::nullopt;
    if (value > (std::numeric_limits<std::uint64_t>::max() - static_cast<unsigned>(digit)) / base)
      return std::nullopt;
    value = value * base + static_cast<unsigned>(digit);
  }
  return value;
}

}  // namespace

std::optional<std::uint64_t> ParseOffset(std::string_view text) {
  text = Trimmed(text);
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) return Digits(text.substr(2), 16);
  return Digits(text, 10);
}

std::optional<std::uint64_t> LeadingOffset(std::string_view line) {
  const std::size_t blank = line.find(' ');
  if (blank == std::string_view::npos || blank < 8) return std::nullopt;
  return Digits(line.substr(0, blank), 16);
}

}  // namespace tarvo::content
