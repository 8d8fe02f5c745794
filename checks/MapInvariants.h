#pragma once

// The region map's invariants, checked on a loaded song: the regions tile
// the file, the coverage adds up and matches them, paths are unique, the
// chunk headers are the chunks the log traced, in order, end markers begin
// with "ZMOD", kept chunks are data regions, unread bytes are one stretch at
// the end, and the lookups find the regions the walk made. Shared by the
// views fuzz target and the map tests. Header only, like ShowEverything.h.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "content/map/RegionMap.h"
#include "songfile/KvsLoader.h"
#include "songfile/LittleEndian.h"
#include "text/Format.h"

namespace tarvo::testing {

// The chunk id of a "Chunk id:" trace line of the log, or false.
inline bool TracedChunkId(std::string_view message, std::uint32_t& id) {
  const std::size_t at = message.find(" Chunk id: ");
  if (at == std::string_view::npos || message.size() < at + 11 + 8) return false;
  id = 0;
  for (const char c : message.substr(at + 11, 8)) {
    const int digit = c >= '0' && c <= '9'   ? c - '0'
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                             : -1;
    if (digit < 0) return false;
    id = id << 4 | static_cast<std::uint32_t>(digit);
  }
  return true;
}

// Returns "" when every invariant holds, else the first that does not.
// `tracedIds`: the ids of the log's chunk trace lines, in order.
inline std::string CheckRegionMap(const TKvsLoader& song, const content::RegionMap& map,
                                  const std::vector<std::uint32_t>& tracedIds) {
  using content::Coverage;
  const std::uint8_t* const bytes = song.StreamData();
  const std::uint64_t size = song.StreamSize();
  if (map.FileSize() != size) return "the map's size is not the file's";
  if (map.coverage().Total() != size) return "the coverage does not add up to the size";

  std::string fault;
  auto fail = [&fault](std::string text) {
    if (fault.empty()) fault = std::move(text);
  };
  Coverage summed;
  std::uint64_t end = 0;
  bool unreadSeen = false;
  std::unordered_set<std::string> paths;
  std::vector<std::uint32_t> headerIds;
  std::size_t dataIndex = 0;
  const TKvsChunkList& kept = song.Chunks();
  std::size_t regionCount = 0;
  map.ForEachRegion([&](const TKvsRegion& region) {
    ++regionCount;
    const std::string at = Format(" at %x", {region.offset});
    if (region.offset != end) fail("a gap or overlap" + at);
    if (region.size == 0) fail("an empty region" + at);
    if (unreadSeen) fail("a region after unread bytes" + at);
    end = region.offset + region.size;
    summed.bytes[static_cast<std::size_t>(region.kind)] += region.size;
    if (region.path.empty() || !paths.insert(region.path).second) fail("path not unique: " + region.path);
    if ((region.kind == TKvsRegionKind::Unread) != (region.chunk < 0)) fail("chunk offset wrong" + at);
    if ((region.kind == TKvsRegionKind::Field) == false && !region.value.empty()) fail("a value on a non-field" + at);
    switch (region.kind) {
      case TKvsRegionKind::Unread:
        unreadSeen = true;
        break;
      case TKvsRegionKind::Header:
        if (region.size == 8 && static_cast<std::int64_t>(region.offset) == region.chunk) {
          headerIds.push_back(le::U32(bytes + region.offset));
        } else if (region.size == 24 && std::memcmp(bytes + region.offset, "ZMOD", 4) != 0) {
          fail("an end marker without ZMOD" + at);
        } else if (region.size != 24 && region.size != 8) {
          // A marker or header cut short by the end of the file.
          if (end != size) fail("a header of odd size" + at);
        }
        break;
      case TKvsRegionKind::Data: {
        // Kept chunks in order, each one data region (empty ones have none).
        while (dataIndex < kept.size() && kept[dataIndex].Data.Size() == 0) ++dataIndex;
        if (dataIndex < kept.size() && static_cast<std::uint64_t>(kept[dataIndex].Offset) == region.offset) {
          if (static_cast<std::uint64_t>(kept[dataIndex].Data.Size()) != region.size) fail("a kept chunk's size" + at);
          ++dataIndex;
        } else {
          fail("a data region that is no kept chunk" + at);
        }
        break;
      }
      default:
        break;
    }
  });
  if (!fault.empty()) return fault;
  if (end != size) return "the regions do not reach the end of the file";
  if (!(summed == map.coverage())) return "the coverage does not match the regions";
  while (dataIndex < kept.size() && (kept[dataIndex].Data.Size() == 0 ||
                                     static_cast<std::uint64_t>(kept[dataIndex].Offset) >= size))
    ++dataIndex;
  if (dataIndex != kept.size()) return "a kept chunk without its data region";
  if (headerIds != tracedIds) return "the chunk headers are not the traced chunks";
  if (!(content::CountCoverage(song) == map.coverage())) return "a second walk counts other figures";

  // Lookups, on at most 64 top-level entries spread over the file: each
  // entry's first child is its header, and the region at its last byte
  // ends where the entry ends.
  const std::size_t step = map.TopLevelCount() / 64 + 1;
  for (std::size_t i = 0; i < map.TopLevelCount(); i += step) {
    const TKvsRegion top = map.TopLevel(i);
    if (map.TopLevelAt(top.offset) != i || map.TopLevelAt(top.offset + top.size - 1) != i)
      return "TopLevelAt misses an entry";
    const std::vector<TKvsRegion> children = map.Children(i, 0, 2);
    if (children.empty() || children.front().offset != top.offset) return "a top-level entry without its regions";
    const std::optional<TKvsRegion> last = map.RegionAt(top.offset + top.size - 1);
    if (!last || last->offset + last->size != top.offset + top.size) return "RegionAt misses the end of an entry";
  }
  (void)regionCount;
  return {};
}

}  // namespace tarvo::testing
