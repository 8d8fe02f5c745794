#include "tools/kvsdump/OutputText.h"

#include "text/Latin1.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvo::kvsdump {

namespace {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF;
// the JSON serializer refuses anything else.
bool IsUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (text.size() - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) return false;
    }
    i += length;
  }
  return true;
}

}  // namespace

std::string ExternalTextToUtf8(std::string_view text) {
  return IsUtf8(text) ? std::string(text) : Latin1ToUtf8(text);
}

std::string EscapeControls(std::string_view utf8) {
  constexpr char Digits[] = "0123456789ABCDEF";
  std::string shown;
  shown.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    auto code = static_cast<unsigned char>(utf8[i]);
    // U+0080 to U+009F are C2 80 to C2 9F in UTF-8.
    const bool c1 = code == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) <= 0x9F;
    if (c1) code = static_cast<unsigned char>(utf8[++i]);
    if (c1 || (code < 0x20 && code != '\t') || code == 0x7F) {
      shown += "\\x";
      shown.push_back(Digits[code >> 4]);
      shown.push_back(Digits[code & 0xF]);
    } else {
      shown.push_back(utf8[i]);
    }
  }
  return shown;
}

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
  // Tab and line breaks by name; the terminal rule writes every other
  // control character as \xHH.
  std::string named;
  named.reserve(latin1.size());
  for (const char c : latin1) {
    switch (c) {
      case '\t':
        named += "\\t";
        break;
      case '\n':
        named += "\\n";
        break;
      case '\r':
        named += "\\r";
        break;
      default:
        named.push_back(c);
        break;
    }
  }
  return Latin1ToTerminalUtf8(named);
}

}  // namespace tarvo::kvsdump
