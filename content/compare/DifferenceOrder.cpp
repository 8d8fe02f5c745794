#include "content/compare/DifferenceOrder.h"

#include <algorithm>
#include <numeric>
#include <string_view>

namespace tarvo::content {
namespace {

constexpr std::size_t AskEvery = 4096;

struct Stopped {};

}  // namespace

namespace {

std::string PathText(const DifferenceTexts& texts) {
  std::string text = texts.path;
  if (!texts.oldPath.empty() && texts.oldPath != texts.path) text += " (was " + texts.oldPath + ")";
  return text;
}

// A field's value where the side has it, else a few bytes.
std::string SideText(const ComparedPair& pair, std::size_t difference, Side side, DifferenceTexts& texts,
                     std::uint64_t firstDiffering) {
  const DifferenceList& list = pair.differences;
  if (list.Kind(difference) == DiffKind::Field && list.Offset(side, difference))
    return side == Side::Old ? std::move(texts.oldValue) : std::move(texts.newValue);
  return BytesTextOf(list, difference, side, *pair.oldSide.map, *pair.newSide.map, firstDiffering);
}

}  // namespace

RowTexts RowTextsOf(const ComparedPair& pair, std::size_t difference) {
  DifferenceTexts texts = TextsOf(pair.differences, difference, *pair.oldSide.map, *pair.newSide.map);
  RowTexts row;
  row.path = PathText(texts);
  const std::uint64_t from = pair.differences.Kind(difference) == DiffKind::Field
                                 ? 0
                                 : FirstDifferingByte(pair.differences, difference, *pair.oldSide.map,
                                                      *pair.newSide.map);
  row.oldText = SideText(pair, difference, Side::Old, texts, from);
  row.newText = SideText(pair, difference, Side::New, texts, from);
  return row;
}

std::string RowText(const ComparedPair& pair, std::size_t difference, TextColumn column) {
  const DifferenceList& list = pair.differences;
  const Side side = column == TextColumn::Old ? Side::Old : Side::New;
  // Bytes need no region read again.
  if (column != TextColumn::Path && list.Kind(difference) != DiffKind::Field)
    return BytesTextOf(list, difference, side, *pair.oldSide.map, *pair.newSide.map);
  DifferenceTexts texts = TextsOf(list, difference, *pair.oldSide.map, *pair.newSide.map);
  if (column == TextColumn::Path) return PathText(texts);
  return SideText(pair, difference, side, texts,
                  FirstDifferingByte(list, difference, *pair.oldSide.map, *pair.newSide.map));
}

bool SortByText(const ComparedPair& pair, std::vector<std::uint32_t>& rows, TextColumn column, bool descending,
                const std::function<bool()>& stop) {
  // All keys in one block of text: a million strings of their own would
  // cost their headers and allocations too.
  std::string keys;
  std::vector<std::uint64_t> starts;
  starts.reserve(rows.size() + 1);
  for (std::size_t k = 0; k < rows.size(); ++k) {
    if (k % AskEvery == 0 && stop && stop()) return false;
    starts.push_back(keys.size());
    keys += RowText(pair, rows[k], column);
  }
  starts.push_back(keys.size());
  const auto key = [&keys, &starts](std::uint32_t k) {
    return std::string_view(keys).substr(starts[k], starts[k + 1] - starts[k]);
  };
  // string_view compares chars as unsigned: the order of the list's
  // Latin-1 texts.
  std::vector<std::uint32_t> order(rows.size());
  std::iota(order.begin(), order.end(), std::uint32_t{0});
  std::size_t compared = 0;
  try {
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
      if (++compared % AskEvery == 0 && stop && stop()) throw Stopped{};
      const int by = key(a).compare(key(b));
      if (by != 0) return descending ? by > 0 : by < 0;
      return rows[a] < rows[b];
    });
  } catch (const Stopped&) {
    return false;
  }
  std::vector<std::uint32_t> sorted(rows.size());
  for (std::size_t k = 0; k < order.size(); ++k) sorted[k] = rows[order[k]];
  rows = std::move(sorted);
  return true;
}

}  // namespace tarvo::content
