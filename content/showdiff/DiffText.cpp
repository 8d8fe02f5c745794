#include "content/showdiff/DiffText.h"

#include "text/Format.h"
#include "text/Latin1.h"
#include "content/showdiff/ShownText.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tarvo::content::showdiff {

namespace {

// Where a byte lies in its file: in OLD, or in NEW for a byte only NEW has.
std::int64_t FileOffsetOf(const ByteDifferences& bytes, std::int64_t position) {
  return position < bytes.oldSize ? bytes.oldFileOffset + position : bytes.newFileOffset + position;
}

std::string ScalarText(const Difference::Scalar& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return OneLineText(*text);
  if (const auto* ticked = std::get_if<bool>(&value)) return *ticked ? "true" : "false";
  if (const auto* index = std::get_if<int>(&value)) return std::to_string(*index);
  return "(none)";
}

std::string CellText(const std::optional<std::string>& cell) {
  return cell ? OneLineText(*cell) : "(none)";
}

std::string RowText(const std::vector<std::string>& cells) {
  std::string text;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (i > 0) text += " | ";
    text += OneLineText(cells[i]);
  }
  return text;
}

std::string ChangedCellsText(const std::vector<CellChange>& cells) {
  std::string text;
  for (const CellChange& cell : cells) {
    if (!text.empty()) text += "; ";
    text += Latin1ToUtf8(cell.column) + ": " + CellText(cell.oldText) + " -> " +
            CellText(cell.newText);
  }
  return text;
}

std::string BytesText(const ByteDifferences& bytes) {
  std::string text =
      std::to_string(bytes.count) + (bytes.count == 1 ? " byte differs" : " bytes differ");
  if (bytes.oldSize != bytes.newSize)
    text += ", size " + std::to_string(bytes.oldSize) + " -> " + std::to_string(bytes.newSize);
  text += ", first at File Offset/Offset ";
  for (std::size_t i = 0; i < bytes.first.size(); ++i) {
    if (i > 0) text += ", ";
    text += Format("%8.8x/%8.8x", {FileOffsetOf(bytes, bytes.first[i]), bytes.first[i]});
  }
  return text;
}

}  // namespace

std::string DifferenceLine(const Difference& found) {
  std::string line = WhereText(found);
  if (found.change != Change::Changed) line += std::string(" ") + ChangeName(found.change);
  line += ": ";
  switch (found.unit) {
    case Difference::Unit::Row:
      line += found.change == Change::Changed ? ChangedCellsText(found.cells) : RowText(found.row);
      break;
    case Difference::Unit::Data:
      line += BytesText(found.bytes);
      break;
    default:
      if (found.change == Change::Changed) {
        line += ScalarText(found.oldValue) + " -> " + ScalarText(found.newValue);
      } else {
        line += ScalarText(found.change == Change::Added ? found.newValue : found.oldValue);
      }
      break;
  }
  return line;
}

}  // namespace tarvo::content::showdiff
