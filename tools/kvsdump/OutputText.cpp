#include "tools/kvsdump/OutputText.h"

#include "text/Latin1.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvo::kvsdump {

std::string TabCaptionAsDisplayed(std::string_view caption) {
  std::string shown;
  shown.reserve(caption.size());
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) {
      ++i;  // "&&" shows as "&"; "&x" shows as "x"
    }
    shown.push_back(caption[i]);
  }
  return shown;
}

std::string OneLineText(std::string_view latin1) {
  if (latin1.empty()) return "\"\"";
  std::string shown;
  shown.reserve(latin1.size());
  for (const char c : latin1) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && (byte < 0x7F || byte > 0x9F)) {
      shown.push_back(c);
    } else if (c == '\t') {
      shown += "\\t";
    } else if (c == '\n') {
      shown += "\\n";
    } else if (c == '\r') {
      shown += "\\r";
    } else {
      constexpr char Digits[] = "0123456789ABCDEF";
      shown += "\\x";
      shown.push_back(Digits[byte >> 4]);
      shown.push_back(Digits[byte & 0xF]);
    }
  }
  return Latin1ToUtf8(shown);
}

}  // namespace tarvo::kvsdump
