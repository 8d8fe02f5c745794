#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "content/map/RegionMap.h"

// The children of one chunk as a comparison needs them, without making a
// region: the list items (a chunk may hold millions: 16 bytes each) and the
// children with names (few).
namespace tarvo::content {

struct ListItem {
  std::uint64_t start;
  std::uint32_t size;
  std::uint32_t hash;
};
static_assert(sizeof(ListItem) == 16);

struct NamedChild {
  std::string step;  // "" for the chunk's own regions (its header)
  std::uint64_t start;
  std::uint64_t end;
};

struct ChunkChildren {
  std::vector<NamedChild> named;
  std::deque<ListItem> items;  // a deque: growing never copies millions
};

// Reads top-level chunk `index` of `map` again (`data`: the file's bytes).
ChunkChildren ListChunkChildren(const RegionMap& map, std::size_t index, const std::uint8_t* data);

}  // namespace tarvo::content
