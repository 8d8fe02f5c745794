#include "content/map/OffsetText.h"

#include <charconv>
#include <system_error>

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

// Digits only: no sign, no prefix, nothing after them, no overflow.
std::optional<std::uint64_t> Digits(std::string_view text, int base) {
  std::uint64_t value = 0;
  const char* const end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value, base);
  if (text.empty() || error != std::errc{} || stop != end) return std::nullopt;
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
