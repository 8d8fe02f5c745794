#include "content/pages/MainContent.h"

#include <cstdint>
#include <string>
#include <vector>

#include "content/Cells.h"
#include "songfile/ChunkId.h"
#include "text/Format.h"

namespace tarvo::content {
namespace {

std::vector<Column> ChunkColumns() {
  return {{"#", -1}, {"Offset", 180}, {"Chunk Id", 150}, {"Chunk Data Size", 180}};
}

}  // namespace

Page FillChunksPage(const Song& song) {
  const TKvsLoader& loader = *song;
  Page page;
  page.Add("LstChunks", Table(ChunkColumns(), loader.Chunks().size(),
                              [song](std::size_t row, std::vector<std::string>& cells) {
                                const TKvsChunk& chunk = song->Chunks()[row];
                                cells.push_back(RowCaption(row));
                                cells.push_back(Format("0x%0:8.8x (%0:d)", {chunk.Offset}));
                                cells.push_back(Format("0x%0:4.4x (%s)",
                                                       {chunk.ChunkId, ChunkIdToText(static_cast<std::uint32_t>(chunk.ChunkId))}));
                                cells.push_back(Format("0x%0:8.8x (%0:d)", {chunk.DataSize}));
                              }));
  return page;
}

}  // namespace tarvo::content
