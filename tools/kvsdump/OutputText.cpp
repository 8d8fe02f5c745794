#include "tools/kvsdump/OutputText.h"

#include "text/Latin1.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvo::kvsdump {

std::string EscapeControls(std::string_view utf8) {
  std::string shown;
  shown.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    auto code = static_cast<unsigned char>(utf8[i]);
    // U+0080 to U+009F are C2 80 to C2 9F in UTF-8.
    const bool c1 = code == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) <= 0x9F;
    if (c1) code = static_cast<unsigned char>(utf8[++i]);
    if (c1 || (code < 0x80 && IsTerminalControl(code) && code != '\t')) {
      AppendHexEscape(shown, code);
    } else {
      shown.push_back(utf8[i]);
    }
  }
  return shown;
}

std::string ExternalTextToTerminal(std::string_view external) {
  return EscapeControls(ExternalTextToUtf8(external));
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
