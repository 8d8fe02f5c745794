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

}  // namespace tarvo::kvsdump
