#pragma once

#include <string>
#include <string_view>

namespace tarvo::content::showdiff {

// A page control's tab caption as the tab shows it: "&&" is one "&", a
// single "&" only marks the shortcut key.
std::string TabCaptionAsDisplayed(std::string_view caption);

// An 8-bit text on one line of UTF-8 output (a diff line): the
// terminal-safe text of Latin1ToTerminalUtf8, with tab, LF and CR written
// as \t, \n and \r, so a memo's line breaks cannot split a line and no
// byte can steer a terminal; an empty text as "".
std::string OneLineText(std::string_view latin1);

}  // namespace tarvo::content::showdiff
