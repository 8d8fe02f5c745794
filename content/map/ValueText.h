#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// A field's value as one bounded line: what a status line, a tree cell, a
// tooltip or the inspector shows. A song may hold texts of megabytes; none
// of them may widen a window or cost seconds to lay out.
namespace tarvo::content {

// The shown length of a one-line value unless a caller needs less.
inline constexpr std::size_t OneLineValueChars = 120;

// `latin1` (8-bit text, as stored) as UTF-8 on one line: control bytes as
// \xHH (tab included). When the shown text would exceed `maxChars`
// characters, it is cut there (never inside an escape) and ends in
// "… (N characters)", N the value's full length in characters. Reads only
// the bytes it shows, whatever the value's size.
std::string OneLineValue(std::string_view latin1, std::size_t maxChars = OneLineValueChars);

}  // namespace tarvo::content
