#pragma once

// The comparison by place on any bytes: the input is split in two songs as
// DiffEverything splits it, each half is loaded (a damaged one too: it is
// compared all the same), and what every comparison must hold is checked.
// Shared by the views fuzz target and the tests that replay its inputs.
// Header only, like DiffEverything.h.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <sstream>
#include <string>
#include <string_view>

#include "content/compare/CompareJson.h"
#include "content/compare/CompareText.h"
#include "content/compare/SongCompare.h"
#include "content/map/RegionMap.h"
#include "songfile/KvsLoader.h"

namespace tarvo::testing {

namespace compareeverything {

struct Side {
  TKvsLoader loader;
  Side(const std::uint8_t* data, std::size_t size) {
    std::string errorText;
    try {
      loader.LoadFromMemory(data, size, errorText);
    } catch (const std::exception&) {
    }
  }
};

// Empty when the comparison of `oldMap` with `newMap` holds together.
inline std::string CheckComparison(const content::RegionMap& oldMap, const content::RegionMap& newMap,
                                   bool identical) {
  using content::CompareDifference;
  using content::DiffKind;
  std::string fault;
  const auto exists = [&fault](const content::RegionMap& map, std::uint64_t offset, std::uint64_t size,
                               const std::string& path, DiffKind kind) {
    const auto region = map.RegionAt(offset);
    if (!region || region->offset != offset) {
      fault = "no region at " + std::to_string(offset) + " for " + path;
    } else if (kind != DiffKind::Record && kind != DiffKind::Chunk &&
               (region->size != size || region->path != path)) {
      fault = "region " + region->path + " is not " + path;
    }
  };
  content::SongComparison comparison(oldMap, newMap);
  std::uint64_t count = 0;
  const content::CompareSummary summary = comparison.Run([&](const CompareDifference& d) {
    ++count;
    if (!fault.empty()) return;
    if (d.oldOffset) exists(oldMap, *d.oldOffset, d.oldSize, d.oldPath, d.kind);
    if (d.newOffset && fault.empty()) exists(newMap, *d.newOffset, d.newSize, d.path, d.kind);
    if (d.change == content::ChangeKind::Changed && d.bytesDiffer == 0) fault = "a change without a differing byte";
  });
  if (!fault.empty()) return fault;
  if (identical && count != 0) return "identical songs differ";
  if (summary.differences != count) return "the summary miscounts the differences";
  if (summary.sameBytes + summary.changedOldBytes + summary.removedBytes != oldMap.FileSize())
    return "old bytes do not add up";
  if (summary.sameBytes + summary.changedNewBytes + summary.addedBytes != newMap.FileSize())
    return "new bytes do not add up";
  return "";
}

}  // namespace compareeverything

// Empty when everything held; else what did not.
inline std::string CompareEverything(const std::uint8_t* data, std::size_t size) {
  using namespace compareeverything;
  constexpr std::string_view Header = "VFhd";
  const auto* const end = data + size;
  const auto* split = size > 0 ? std::search(data + 1, end, Header.begin(), Header.end()) : end;
  if (split == end) split = data;
  const Side before(data, static_cast<std::size_t>((split == data ? end : split) - data));
  const Side after(split, static_cast<std::size_t>(end - split));
  const content::RegionMap oldMap = content::RegionMap::Of(before.loader);
  const content::RegionMap newMap = content::RegionMap::Of(after.loader);
  if (std::string fault = CheckComparison(oldMap, oldMap, true); !fault.empty()) return "self: " + fault;
  const bool identical = oldMap.FileSize() == newMap.FileSize() &&
                         (oldMap.FileSize() == 0 ||
                          std::equal(oldMap.FileData(), oldMap.FileData() + oldMap.FileSize(), newMap.FileData()));
  if (std::string fault = CheckComparison(oldMap, newMap, identical); !fault.empty()) return fault;
  if (std::string fault = CheckComparison(newMap, oldMap, identical); !fault.empty()) return "reversed: " + fault;
  // Both writers on the same comparison.
  std::ostringstream out;
  content::SongComparison text(oldMap, newMap);
  content::WriteCompareText(out, text, {"old", "loaded", oldMap.FileSize()}, {"new", "loaded", newMap.FileSize()});
  content::SongComparison json(oldMap, newMap);
  content::WriteCompareJson(out, json, 0, {"old", "loaded", oldMap.FileSize()}, {"new", "loaded", newMap.FileSize()});
  return "";
}

}  // namespace tarvo::testing
