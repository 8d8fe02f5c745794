#include "content/map/ValueText.h"

#include "text/Format.h"

namespace tarvo::content {

std::string OneLineValue(std::string_view latin1, std::size_t maxChars) {
  std::string shown;
  std::size_t chars = 0;  // shown so far
  std::size_t used = 0;   // bytes of `latin1` shown so far
  for (; used < latin1.size(); ++used) {
    const auto code = static_cast<unsigned char>(latin1[used]);
    const bool control = code < 0x20 || (code >= 0x7F && code <= 0x9F);
    const std::size_t width = control ? 4 : 1;
    if (chars + width > maxChars) break;
    chars += width;
    if (control) {
      constexpr char Digits[] = "0123456789ABCDEF";
      shown += "\\x";
      shown.push_back(Digits[code >> 4]);
      shown.push_back(Digits[code & 0xF]);
    } else if (code < 0x80) {
      shown.push_back(static_cast<char>(code));
    } else {
      // Each ISO-8859-1 byte is the code point of the same number.
      shown.push_back(static_cast<char>(0xC0 | (code >> 6)));
      shown.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }
  if (used < latin1.size()) FormatTo(shown, "\xE2\x80\xA6 (%d characters)", {latin1.size()});
  return shown;
}

}  // namespace tarvo::content
