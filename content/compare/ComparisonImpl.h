#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "content/compare/ByteDiff.h"
#include "content/compare/ChunkChildren.h"
#include "content/compare/SongCompare.h"
#include "content/map/RegionMap.h"

// The inside of a SongComparison, shared by the files that make it up:
// the walk (SongCompare.cpp) and the matched places (MatchedPlace.cpp).
namespace tarvo::content {

using Regions = std::vector<TKvsRegion>;

// One child of a node of materialized regions: the regions [first, last)
// whose path continues with the same step.
struct NodeChild {
  std::string_view step;  // "" for a region of the node itself
  bool numeric = false;
  std::size_t first = 0;
  std::size_t last = 0;
};

struct SongComparison::Impl {
  const RegionMap& oldMap;
  const RegionMap& newMap;
  std::size_t limit;
  const std::uint8_t* oldData;
  const std::uint8_t* newData;
  const Each* each = nullptr;
  CompareSummary summary;
  std::function<bool()> stop;
  // Mutable: the chunks' pairing, which MatchedOffset also asks for, counts
  // its work too while Run runs.
  mutable WorkPacer pacer;

  Impl(const RegionMap& o, const RegionMap& n, std::size_t editLimit)
      : oldMap(o), newMap(n), limit(editLimit), oldData(o.FileData()), newData(n.FileData()) {}

  void Emit(const CompareDifference& difference) {
    ++summary.differences;
    switch (difference.change) {
      case ChangeKind::Changed: {
        ++summary.changed;
        const auto kind = static_cast<std::size_t>(difference.kind);
        if (summary.changedByKind[kind]++ == 0) summary.kindOrder.push_back(difference.kind);
        summary.changedOldBytes += difference.oldSize;
        summary.changedNewBytes += difference.newSize;
        summary.differBytes += difference.bytesDiffer;
        break;
      }
      case ChangeKind::Added:
        ++summary.added;
        summary.addedBytes += difference.newSize;
        break;
      case ChangeKind::Removed:
        ++summary.removed;
        summary.removedBytes += difference.oldSize;
        break;
    }
    pacer.Add(16 * WorkPacer::StepCost);
    (*each)(difference);
  }

  void OneSided(ChangeKind change, DiffKind kind, const std::string& path, std::uint64_t offset, std::uint64_t size) {
    CompareDifference difference;
    difference.change = change;
    difference.kind = kind;
    difference.path = path;
    if (change == ChangeKind::Removed) {
      difference.oldPath = path;
      difference.oldOffset = offset;
      difference.oldSize = size;
    } else {
      difference.newOffset = offset;
      difference.newSize = size;
    }
    Emit(difference);
  }

  void OneSidedRegion(ChangeKind change, const TKvsRegion& region) {
    CompareDifference difference;
    difference.change = change;
    difference.kind = DiffKindOf(region.kind);
    difference.path = region.path;
    const bool field = region.kind == TKvsRegionKind::Field;
    if (change == ChangeKind::Removed) {
      difference.oldPath = region.path;
      difference.oldOffset = region.offset;
      difference.oldSize = region.size;
      if (field) difference.oldValue = region.value;
    } else {
      difference.newOffset = region.offset;
      difference.newSize = region.size;
      if (field) difference.newValue = region.value;
    }
    Emit(difference);
  }

  void ComparePair(const TKvsRegion& a, const TKvsRegion& b) {
    const std::uint8_t* oldBytes = oldData + a.offset;
    const std::uint8_t* newBytes = newData + b.offset;
    if (SameBytes(oldBytes, a.size, newBytes, b.size, &pacer)) {
      summary.sameBytes += a.size;
      return;
    }
    CompareDifference difference;
    difference.change = ChangeKind::Changed;
    difference.kind = DiffKindOf(b.kind);
    difference.path = b.path;
    difference.oldPath = a.path;
    difference.oldOffset = a.offset;
    difference.newOffset = b.offset;
    difference.oldSize = a.size;
    difference.newSize = b.size;
    if (a.kind == TKvsRegionKind::Field) difference.oldValue = a.value;
    if (b.kind == TKvsRegionKind::Field) difference.newValue = b.value;
    DiffBytes(oldBytes, a.size, newBytes, b.size, difference, &pacer);
    Emit(difference);
  }

  // --- materialized nodes: a changed item's regions, compared by path

  std::uint64_t Start(const Regions& regions, const NodeChild& child) const { return regions[child.first].offset; }
  std::uint64_t End(const Regions& regions, const NodeChild& child) const {
    const TKvsRegion& last = regions[child.last - 1];
    return last.offset + last.size;
  }

  bool SameChild(const Regions& a, const NodeChild& ca, const Regions& b, const NodeChild& cb) const {
    if (ca.last - ca.first != cb.last - cb.first) return false;
    const std::uint64_t aStart = Start(a, ca);
    const std::uint64_t bStart = Start(b, cb);
    pacer.Add(WorkPacer::StepCost);
    return SameBytes(oldData + aStart, End(a, ca) - aStart, newData + bStart, End(b, cb) - bStart, &pacer);
  }

  std::uint64_t ChildBytes(const Regions& regions, const NodeChild& child) const {
    std::uint64_t bytes = 0;
    for (std::size_t i = child.first; i < child.last; ++i) bytes += regions[i].size;
    return bytes;
  }

  // The path of a list item: its first region's path up to the item's step.
  static std::string ItemPath(const Regions& regions, const NodeChild& child, std::size_t prefix) {
    return regions[child.first].path.substr(0, prefix + 1 + child.step.size());
  }

  void CompareNode(const Regions& a, std::size_t aFirst, std::size_t aLast, std::size_t aPrefix, const Regions& b,
                   std::size_t bFirst, std::size_t bLast, std::size_t bPrefix);

  void CompareChildren(const Regions& a, const NodeChild& ca, std::size_t aPrefix, const Regions& b,
                       const NodeChild& cb, std::size_t bPrefix) {
    if (ca.step.empty() && cb.step.empty()) {
      ComparePair(a[ca.first], b[cb.first]);
      return;
    }
    if (SameChild(a, ca, b, cb)) {
      summary.sameBytes += ChildBytes(a, ca);
      return;
    }
    CompareNode(a, ca.first, ca.last, ca.step.empty() ? aPrefix : aPrefix + 1 + ca.step.size(), b, cb.first,
                cb.last, cb.step.empty() ? bPrefix : bPrefix + 1 + cb.step.size());
  }

  void OneSidedChild(ChangeKind change, const Regions& regions, const NodeChild& child, std::size_t prefix) {
    if (child.numeric) {
      const std::uint64_t start = regions[child.first].offset;
      OneSided(change, DiffKind::Record, ItemPath(regions, child, prefix), start, ChildBytes(regions, child));
      return;
    }
    for (std::size_t i = child.first; i < child.last; ++i) OneSidedRegion(change, regions[i]);
  }

  // --- chunks

  void CompareChunks(std::size_t oldIndex, std::size_t newIndex);
  void CompareTopLevel();

  // The file's chunks paired: kept (equal), paired (changed) or alone.
  struct TopPairs {
    std::vector<TKvsRegion> a, b;
    std::vector<std::optional<std::uint32_t>> aId, bId;
    std::vector<std::optional<std::size_t>> aMatch, bMatch;
    std::vector<bool> kept;  // by NEW's index
    bool byPosition = false;
  };
  TopPairs PairTopLevel() const;

  // What MatchedOffset keeps between calls: the pairing of the chunks, and
  // of the children of the last pair of changed chunks asked about.
  struct ChunkPairing {
    std::size_t oldIndex = SIZE_MAX, newIndex = SIZE_MAX;
    ChunkChildren a, b;
    std::vector<std::optional<std::size_t>> aNamed, bNamed;
    // Runs of list items that correspond one to one: (first old, first new, count).
    std::vector<std::array<std::size_t, 3>> runs;
  };
  mutable std::unique_ptr<TopPairs> topCache;
  mutable std::unique_ptr<ChunkPairing> chunkCache;
  const ChunkPairing& PairChunk(std::size_t oldIndex, std::size_t newIndex) const;
  std::optional<std::uint64_t> Matched(Side side, std::uint64_t offset) const;
  Regions Materialize(const RegionMap& map, std::size_t index, std::uint64_t start, std::uint64_t end) const;
};

}  // namespace tarvo::content
