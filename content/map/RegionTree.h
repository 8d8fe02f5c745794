#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "content/map/RegionMap.h"
#include "songfile/KvsRegion.h"

// The regions of part of one chunk with their place in its structure, as
// the loader notes them (group, record, name, item), for a tree that shows
// that structure without taking path texts apart.
namespace tarvo::content {

// The notes of the regions of chunk `index` of `map` that end after `from`
// and start before `until`, in file order, at most `maxCount` of them. The
// reading stops once it has them, and trusts the module end the map's walk
// found. The notes' names point into the loader's static layouts.
std::vector<TKvsRegionNote> ChunkNotes(const RegionMap& map, std::size_t index, std::uint64_t from,
                                       std::uint64_t until, std::size_t maxCount);

// The steps of a note below its chunk's label: group, record (as the pages
// number it), name, item, each where present; none for a chunk's header.
std::vector<std::string> NoteSteps(const MapChunk& chunk, const TKvsRegionNote& note);

}  // namespace tarvo::content
