#include "content/showdiff/ShownText.h"

#include "text/Latin1.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvo::content::showdiff {

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

}  // namespace tarvo::content::showdiff
