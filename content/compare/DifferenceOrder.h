#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "content/compare/ComparedPair.h"

// The order of the Compare window's list by the texts it shows (Path, Old,
// New). The texts are made again for every row sorted, so a list of a
// million is sorted off the GUI thread; the keys live only while it sorts.
namespace tarvo::content {

enum class TextColumn : std::uint8_t { Path, Old, New };

// The three texts of a row.
struct RowTexts {
  std::string path;
  std::string oldText;
  std::string newText;
};
RowTexts RowTextsOf(const ComparedPair& pair, std::size_t difference);

// A row's text in that column, 8-bit, as the list shows it: the path with
// " (was OLD-PATH)" where OLD's differs; a field's value, or a few bytes
// in hexadecimal (BytesTextOf).
std::string RowText(const ComparedPair& pair, std::size_t difference, TextColumn column);

// Puts `rows` (differences of `pair`) in the order of their texts, character
// by character (as the list's texts compare), ascending or descending, rows
// of equal text in file order. Asks `stop` every few thousand rows or
// comparisons; when it says true, returns false and leaves `rows` as they
// were.
bool SortByText(const ComparedPair& pair, std::vector<std::uint32_t>& rows, TextColumn column, bool descending,
                const std::function<bool()>& stop);

}  // namespace tarvo::content
