#pragma once

#include <string>
#include <string_view>

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

// A page control's tab caption as the tab shows it: "&&" is one "&", a
// single "&" only marks the shortcut key.
std::string TabCaptionAsDisplayed(std::string_view caption);

// An 8-bit text on one line of UTF-8 output (kvsdump --diff): the
// terminal-safe text of Latin1ToTerminalUtf8, with tab, LF and CR written
// as \t, \n and \r, so a memo's line breaks cannot split a line and no
// byte can steer a terminal; an empty text as "".
std::string OneLineText(std::string_view latin1);

}  // namespace tarvo::kvsdump
