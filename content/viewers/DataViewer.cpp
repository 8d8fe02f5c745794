#include "content/viewers/ViewerContent.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "songfile/ChunkId.h"
#include "text/Format.h"
#include "content/viewers/HexDumpRow.h"

namespace tarvo::content {
namespace {

// Made once: every chunk's viewer shows the same columns.
const Table::SharedColumns& DumpColumns() {
  static const Table::SharedColumns columns = std::make_shared<const std::vector<Column>>(
      std::vector<Column>{{"File Offset", 90}, {"Offset", 90}, {"Hex", 350}, {"Data", 150}});
  return columns;
}

std::int64_t DataSetCount(std::int64_t length) {
  if (length <= 0) return 0;
  return length / BytesPerDataSet + (length % BytesPerDataSet > 0 ? 1 : 0);
}

void AddLabels(Page& page, const TKvsChunk& chunk) {
  // Made from the kept templates, so they read the same after every set.
  page.Add("LblChunk", Format(ChunkLabelTemplate, {chunk.ChunkId, ChunkIdToText(static_cast<std::uint32_t>(chunk.ChunkId))}));
  page.Add("LblChunkSize", Format(ChunkSizeLabelTemplate, {chunk.DataSize}));
}

// The rows that ShowRange adds: Rows + 1 passes of 16 bytes from `first`,
// a pass at or past the end of the data adding none. Never more than one
// data set, however far `last` reaches.
std::int64_t DumpRowCount(std::int64_t length, std::int64_t first, std::int64_t last) {
  // A position outside the data reads nothing, so no row can start there.
  if (first < 0 || first >= length) return 0;
  if (last <= 0 || last > length) last = length;
  const std::int64_t rows = (last - first) / BytesPerRow;
  if (rows < 0) return 0;
  const std::int64_t rowsHeld = (length - first + BytesPerRow - 1) / BytesPerRow;
  return std::min({rows + 1, rowsHeld, RowsPerDataSet});
}

}  // namespace

Page DataViewerDesigned() {
  Page page;
  page.Add("LblChunk", std::string(ChunkLabelTemplate));
  page.Add("LblChunkSize", std::string(ChunkSizeLabelTemplate));
  page.Add("CbxDataSet", Combo());
  page.Add("LstChunks", Table(DumpColumns()));
  return page;
}

Combo FillDataSets(std::int64_t length) {
  Combo combo;
  const std::int64_t count = DataSetCount(length);
  combo.items.reserve(static_cast<std::size_t>(count));
  // The last item shows the set's full nominal range, not the last byte held.
  for (std::int64_t k = 0; k < count; ++k)
    combo.items.push_back(Format("%8.8x-%8.8x", {k * BytesPerDataSet, (k + 1) * BytesPerDataSet - 1}));
  return combo;
}

Page ShowRange(const Song& song, const TKvsChunk& chunk, std::int64_t first, std::int64_t last) {
  const std::int64_t length = chunk.Data.Size();

  Page page;
  page.controls.reserve(4);
  AddLabels(page, chunk);
  Combo selection;
  const std::int64_t set = first / BytesPerDataSet;
  if (set >= 0 && set < DataSetCount(length)) selection.selected = static_cast<int>(set);
  page.Add("CbxDataSet", std::move(selection));

  const auto rowCount = static_cast<std::size_t>(DumpRowCount(length, first, last));
  // A dump of no rows needs nothing to make them: a file may hold a chunk
  // every 8 bytes, most of them empty.
  if (rowCount == 0) {
    page.Add("LstChunks", Table(DumpColumns()));
    return page;
  }
  // A chunk is a small view: the table keeps its own copy, and the song
  // that holds its bytes.
  page.Add("LstChunks", Table(DumpColumns(), rowCount,
                              [song, shown = chunk, first, length](std::size_t row, std::vector<std::string>& cells) {
                                const std::int64_t position = first + static_cast<std::int64_t>(row) * BytesPerRow;
                                const std::int64_t count = std::min(BytesPerRow, length - position);
                                HexDumpRow(shown.Offset, position, shown.Data.data() + position,
                                           static_cast<std::size_t>(count), cells);
                              }));
  return page;
}

Page ShowChunk(const Song& song, const TKvsChunk& chunk) {
  Page page = ShowRange(song, chunk, 0, BytesPerDataSet - 1);
  for (Control& control : page.controls) {
    if (control.name != "CbxDataSet") continue;
    Combo dataSets = FillDataSets(chunk.Data.Size());
    dataSets.selected = std::get<Combo>(control.value).selected;
    control.value = std::move(dataSets);
  }
  return page;
}

Page DataSetChange(const Song& song, const TKvsChunk& chunk, int index) {
  // In 64 bits: no index can overflow into a negative offset.
  const std::int64_t first = static_cast<std::int64_t>(std::max(index, 0)) * BytesPerDataSet;
  return ShowRange(song, chunk, first, first + BytesPerDataSet - 1);
}

}  // namespace tarvo::content
