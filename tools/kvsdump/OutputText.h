#pragma once

#include <string>
#include <string_view>

#include "content/showdiff/ShownText.h"
#include "text/Utf8.h"

namespace tarvo::kvsdump {

// UTF-8 text for a terminal: each control character (below U+0020 except
// tab, U+007F, U+0080 to U+009F) as \xHH, as Latin1ToTerminalUtf8 writes
// song texts; for error texts that quote a file name.
std::string EscapeControls(std::string_view utf8);

// Text from outside the song (a path, an error text quoting one), in any
// encoding, on one line of a terminal: UTF-8 with control characters as
// \xHH.
std::string ExternalTextToTerminal(std::string_view external);

// The one-line texts of the diff lines, for every output.
using content::showdiff::OneLineText;
using content::showdiff::TabCaptionAsDisplayed;

}  // namespace tarvo::kvsdump
