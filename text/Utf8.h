#pragma once

#include <string>
#include <string_view>

namespace tarvo {

// A text from outside the song file (a file name, a command-line argument,
// an error text that quotes one) as UTF-8: kept when it already is strict
// UTF-8, else read as ISO-8859-1, so that any byte string gives valid UTF-8.
std::string ExternalTextToUtf8(std::string_view text);

}  // namespace tarvo
