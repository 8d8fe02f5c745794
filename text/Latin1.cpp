#include "text/Latin1.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace tarvo {

std::string Latin1ToUtf8(std::string_view latin1) {
  std::string utf8;
  utf8.reserve(latin1.size());
  for (const char c : latin1) {
    const auto code = static_cast<unsigned char>(c);
    if (code < 0x80) {
      utf8.push_back(c);
    } else {
      // Each ISO-8859-1 byte is the code point of the same number.
      utf8.push_back(static_cast<char>(0xC0 | (code >> 6)));
      utf8.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }
  return utf8;
}

void AppendHexEscape(std::string& out, unsigned char code) {
  constexpr char Digits[] = "0123456789ABCDEF";
  const char escape[] = {'\\', 'x', Digits[code >> 4], Digits[code & 0xF]};
  out.append(escape, sizeof escape);
}

std::string Latin1ToTerminalUtf8(std::string_view latin1) {
  std::string utf8;
  utf8.reserve(latin1.size());
  for (const char c : latin1) {
    const auto code = static_cast<unsigned char>(c);
    if (IsTerminalControl(code) && c != '\t') {
      AppendHexEscape(utf8, code);
    } else if (code < 0x80) {
      utf8.push_back(c);
    } else {
      utf8.push_back(static_cast<char>(0xC0 | (code >> 6)));
      utf8.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }
  return utf8;
}

std::string EscapeControlBytes(std::string_view latin1) {
  std::string shown;
  shown.reserve(latin1.size());
  for (const char c : latin1) {
    const auto code = static_cast<unsigned char>(c);
    if (IsTerminalControl(code)) {
      AppendHexEscape(shown, code);
    } else {
      shown.push_back(c);
    }
  }
  return shown;
}

std::string FixedText(const std::uint8_t* bytes, std::size_t width) {
  if (bytes == nullptr || width == 0) {
    return {};
  }
  const void* const zero = std::memchr(bytes, 0, width);
  const std::size_t length =
      zero != nullptr ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - bytes)
                      : width;
  return std::string(reinterpret_cast<const char*>(bytes), length);
}

}  // namespace tarvo
