#include "content/compare/SongCompare.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <limits>
#include <string_view>
#include <tuple>
#include <utility>

#include "content/compare/Alignment.h"
#include "content/compare/ByteDiff.h"
#include "content/compare/ChunkChildren.h"
#include "content/compare/Leftovers.h"

namespace tarvo::content {

const char* ChangeName(ChangeKind change) {
  switch (change) {
    case ChangeKind::Changed: return "changed";
    case ChangeKind::Added: return "added";
    case ChangeKind::Removed: return "removed";
  }
  return "changed";
}

const char* DiffKindName(DiffKind kind) {
  switch (kind) {
    case DiffKind::Chunk: return "chunk";
    case DiffKind::Record: return "record";
    default: return RegionKindName(static_cast<TKvsRegionKind>(kind));
  }
}

DiffKind DiffKindOf(TKvsRegionKind kind) { return static_cast<DiffKind>(kind); }

namespace {

using Regions = std::vector<TKvsRegion>;

// One child of a node of materialized regions: the regions [first, last)
// whose path continues with the same step.
struct NodeChild {
  std::string_view step;  // "" for a region of the node itself
  bool numeric = false;
  std::size_t first = 0;
  std::size_t last = 0;
};

bool IsNumber(std::string_view step) {
  return !step.empty() && std::all_of(step.begin(), step.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The children of the node `prefix` characters into the paths of `regions`.
std::vector<NodeChild> ChildrenOf(const Regions& regions, std::size_t prefix) {
  std::vector<NodeChild> children;
  for (std::size_t i = 0; i < regions.size(); ++i) {
    const std::string& path = regions[i].path;
    std::string_view step;
    if (path.size() > prefix + 1) {
      step = std::string_view(path).substr(prefix + 1);
      step = step.substr(0, step.find('/'));
    }
    // The node's own regions are each a child of their own.
    if (!step.empty() && !children.empty() && children.back().step == step && children.back().last == i) {
      children.back().last = i + 1;
      continue;
    }
    children.push_back({step, IsNumber(step), i, i + 1});
  }
  return children;
}

// Where a child of one side stands among the other side's offsets: removed
// ones sort before what follows them in NEW.
struct Slot {
  std::uint64_t key;
  int rank;  // 0 removed, 1 the others
  std::size_t order;
  std::optional<std::size_t> a;
  std::optional<std::size_t> b;
};

}  // namespace

struct SongComparison::Impl {
  const RegionMap& oldMap;
  const RegionMap& newMap;
  std::size_t limit;
  const std::uint8_t* oldData;
  const std::uint8_t* newData;
  const Each* each = nullptr;
  CompareSummary summary;

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
    if (SameBytes(oldBytes, a.size, newBytes, b.size)) {
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
    DiffBytes(oldBytes, a.size, newBytes, b.size, difference);
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
    return SameBytes(oldData + aStart, End(a, ca) - aStart, newData + bStart, End(b, cb) - bStart);
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
  std::string ChunkItemPath(const RegionMap& map, std::size_t index, std::uint64_t start, std::size_t labelSize) const;
  Regions Materialize(const RegionMap& map, std::size_t index, std::uint64_t start, std::uint64_t end) const;
};

void SongComparison::Impl::CompareNode(const Regions& a, std::size_t aFirst, std::size_t aLast, std::size_t aPrefix,
                                       const Regions& b, std::size_t bFirst, std::size_t bLast, std::size_t bPrefix) {
  const Regions aPart(a.begin() + static_cast<std::ptrdiff_t>(aFirst), a.begin() + static_cast<std::ptrdiff_t>(aLast));
  const Regions bPart(b.begin() + static_cast<std::ptrdiff_t>(bFirst), b.begin() + static_cast<std::ptrdiff_t>(bLast));
  const std::vector<NodeChild> aChildren = ChildrenOf(aPart, aPrefix);
  const std::vector<NodeChild> bChildren = ChildrenOf(bPart, bPrefix);

  // Named children (and the node's own regions) by name, the n-th with the
  // n-th; numbered ones as a list.
  std::vector<std::optional<std::size_t>> aMatch(aChildren.size());
  std::vector<std::optional<std::size_t>> bMatch(bChildren.size());
  std::vector<std::size_t> aList, bList;
  for (std::size_t i = 0; i < aChildren.size(); ++i)
    if (aChildren[i].numeric) aList.push_back(i);
  for (std::size_t j = 0; j < bChildren.size(); ++j)
    if (bChildren[j].numeric) bList.push_back(j);
  for (std::size_t j = 0; j < bChildren.size(); ++j) {
    if (bChildren[j].numeric) continue;
    for (std::size_t i = 0; i < aChildren.size(); ++i) {
      if (aChildren[i].numeric || aMatch[i] || aChildren[i].step != bChildren[j].step) continue;
      aMatch[i] = j;
      bMatch[j] = i;
      break;
    }
  }
  const auto equal = [&](std::size_t i, std::size_t j) {
    return SameChild(aPart, aChildren[aList[i]], bPart, bChildren[bList[j]]);
  };
  LeftoverPairing pairing;
  if (!Align(aList.size(), bList.size(), equal, pairing, limit)) {
    summary.alignedByPosition.push_back(bPart.empty() ? aPart.front().path.substr(0, aPrefix)
                                                      : bPart.front().path.substr(0, bPrefix));
  }
  for (const LeftoverPairing::Step& step : pairing.Finish()) {
    if (step.a) aMatch[aList[*step.a]] = step.b ? std::optional(bList[*step.b]) : std::nullopt;
    if (step.b) bMatch[bList[*step.b]] = step.a ? std::optional(aList[*step.a]) : std::nullopt;
  }

  // In NEW's order; a removed child after the counterpart of the one before
  // it in OLD.
  std::vector<Slot> slots;
  std::uint64_t anchor = bPart.empty() ? 0 : bPart.front().offset;
  for (std::size_t i = 0; i < aChildren.size(); ++i) {
    if (aMatch[i]) {
      anchor = End(bPart, bChildren[*aMatch[i]]);
      continue;
    }
    slots.push_back({anchor, 0, slots.size(), i, std::nullopt});
  }
  for (std::size_t j = 0; j < bChildren.size(); ++j)
    slots.push_back({Start(bPart, bChildren[j]), 1, slots.size(), bMatch[j], j});
  std::sort(slots.begin(), slots.end(), [](const Slot& x, const Slot& y) {
    return std::tie(x.key, x.rank, x.order) < std::tie(y.key, y.rank, y.order);
  });
  for (const Slot& slot : slots) {
    if (slot.a && slot.b) {
      CompareChildren(aPart, aChildren[*slot.a], aPrefix, bPart, bChildren[*slot.b], bPrefix);
    } else if (slot.a) {
      OneSidedChild(ChangeKind::Removed, aPart, aChildren[*slot.a], aPrefix);
    } else {
      OneSidedChild(ChangeKind::Added, bPart, bChildren[*slot.b], bPrefix);
    }
  }
}

Regions SongComparison::Impl::Materialize(const RegionMap& map, std::size_t index,
                                           std::uint64_t start, std::uint64_t end) const {
  Regions regions;
  map.ForEachChild(index, start, end, [&regions](TKvsRegion&& region) { regions.push_back(std::move(region)); });
  return regions;
}

std::string SongComparison::Impl::ChunkItemPath(const RegionMap& map, std::size_t index, std::uint64_t start,
                                                std::size_t labelSize) const {
  std::string path;
  map.ForEachChild(index, start, start + 1, [&path](TKvsRegion&& region) {
    if (path.empty()) path = std::move(region.path);
  });
  const std::size_t end = path.find('/', labelSize + 1);
  if (end != std::string::npos) path.resize(end);
  return path;
}

void SongComparison::Impl::CompareChunks(std::size_t oldIndex, std::size_t newIndex) {
  const std::string oldLabel = oldMap.TopLevel(oldIndex).path;
  const std::string newLabel = newMap.TopLevel(newIndex).path;
  const ChunkChildren a = ListChunkChildren(oldMap, oldIndex, oldData);
  const ChunkChildren b = ListChunkChildren(newMap, newIndex, newData);

  // A pair of children of the two chunks, compared by their regions.
  const auto comparePair = [&](std::uint64_t aStart, std::uint64_t aEnd, std::uint64_t bStart, std::uint64_t bEnd) {
    if (SameBytes(oldData + aStart, aEnd - aStart, newData + bStart, bEnd - bStart)) {
      summary.sameBytes += aEnd - aStart;
      return;
    }
    const Regions aRegions = Materialize(oldMap, oldIndex, aStart, aEnd);
    const Regions bRegions = Materialize(newMap, newIndex, bStart, bEnd);
    CompareNode(aRegions, 0, aRegions.size(), oldLabel.size(), bRegions, 0, bRegions.size(), newLabel.size());
  };
  const auto oneSidedNamed = [&](ChangeKind change, const NamedChild& child) {
    const RegionMap& map = change == ChangeKind::Removed ? oldMap : newMap;
    const std::size_t index = change == ChangeKind::Removed ? oldIndex : newIndex;
    for (const TKvsRegion& region : Materialize(map, index, child.start, child.end)) OneSidedRegion(change, region);
  };

  // Named children by name, the n-th with the n-th.
  std::vector<std::optional<std::size_t>> aMatch(a.named.size());
  std::vector<std::optional<std::size_t>> bMatch(b.named.size());
  for (std::size_t j = 0; j < b.named.size(); ++j) {
    for (std::size_t i = 0; i < a.named.size(); ++i) {
      if (aMatch[i] || a.named[i].step != b.named[j].step) continue;
      aMatch[i] = j;
      bMatch[j] = i;
      break;
    }
  }
  const bool bHasList = !b.items.empty();
  const std::uint64_t bListStart = bHasList ? b.items.front().start : 0;
  const std::uint64_t bListEnd = bHasList ? b.items.back().start + b.items.back().size : 0;
  const std::uint64_t aListStart = a.items.empty() ? UINT64_MAX : a.items.front().start;
  std::vector<Slot> slots;
  std::uint64_t anchor = newMap.TopLevel(newIndex).offset;
  std::uint64_t listAnchor = bHasList ? bListStart : anchor;
  bool listAnchorSet = bHasList;
  for (std::size_t i = 0; i < a.named.size(); ++i) {
    if (!listAnchorSet && a.named[i].start > aListStart) listAnchor = anchor, listAnchorSet = true;
    // A removed child after OLD's list stands after NEW's list.
    if (bHasList && a.named[i].start > aListStart) anchor = std::max(anchor, bListEnd);
    if (aMatch[i]) {
      anchor = b.named[*aMatch[i]].end;
      continue;
    }
    slots.push_back({anchor, 0, slots.size(), i, std::nullopt});
  }
  if (!listAnchorSet) listAnchor = anchor;
  for (std::size_t j = 0; j < b.named.size(); ++j) slots.push_back({b.named[j].start, 1, slots.size(), bMatch[j], j});
  std::sort(slots.begin(), slots.end(), [](const Slot& x, const Slot& y) {
    return std::tie(x.key, x.rank, x.order) < std::tie(y.key, y.rank, y.order);
  });
  std::size_t nextSlot = 0;
  const auto flushNamed = [&](std::uint64_t key, int rank) {
    for (; nextSlot < slots.size() && std::tie(slots[nextSlot].key, slots[nextSlot].rank) < std::tie(key, rank);
         ++nextSlot) {
      const Slot& slot = slots[nextSlot];
      if (slot.a && slot.b) {
        comparePair(a.named[*slot.a].start, a.named[*slot.a].end, b.named[*slot.b].start, b.named[*slot.b].end);
      } else if (slot.a) {
        oneSidedNamed(ChangeKind::Removed, a.named[*slot.a]);
      } else {
        oneSidedNamed(ChangeKind::Added, b.named[*slot.b]);
      }
    }
  };

  // The list, streamed: each step as the alignment makes it, with the named
  // children that stand before it.
  std::uint64_t cursor = listAnchor;
  const auto onStep = [&](std::optional<std::size_t> i, std::optional<std::size_t> j, bool kept) {
    if (j) {
      const ListItem& item = b.items[*j];
      flushNamed(item.start, 1);
      cursor = item.start + item.size;
      if (kept) {
        summary.sameBytes += item.size;
      } else if (i) {
        const ListItem& old = a.items[*i];
        comparePair(old.start, old.start + old.size, item.start, item.start + item.size);
      } else {
        OneSided(ChangeKind::Added, DiffKind::Record, ChunkItemPath(newMap, newIndex, item.start, newLabel.size()),
                 item.start, item.size);
      }
      return;
    }
    const ListItem& old = a.items[*i];
    flushNamed(cursor, 0);
    OneSided(ChangeKind::Removed, DiffKind::Record, ChunkItemPath(oldMap, oldIndex, old.start, oldLabel.size()),
             old.start, old.size);
  };
  StreamedPairing pairing(onStep);
  const auto equal = [&](std::size_t i, std::size_t j) {
    const ListItem& x = a.items[i];
    const ListItem& y = b.items[j];
    return x.hash == y.hash && SameBytes(oldData + x.start, x.size, newData + y.start, y.size);
  };
  if (!Align(a.items.size(), b.items.size(), equal, pairing, limit)) summary.alignedByPosition.push_back(newLabel);
  pairing.Finish();
  flushNamed(UINT64_MAX, 2);
}

SongComparison::Impl::TopPairs SongComparison::Impl::PairTopLevel() const {
  TopPairs top;
  const std::size_t n = oldMap.TopLevelCount();
  const std::size_t m = newMap.TopLevelCount();
  for (std::size_t i = 0; i < n; ++i) top.a.push_back(oldMap.TopLevel(i)), top.aId.push_back(oldMap.TopLevelChunkId(i));
  for (std::size_t j = 0; j < m; ++j) top.b.push_back(newMap.TopLevel(j)), top.bId.push_back(newMap.TopLevelChunkId(j));
  const auto equal = [&](std::size_t i, std::size_t j) {
    return top.aId[i] == top.bId[j] &&
           SameBytes(oldData + top.a[i].offset, top.a[i].size, newData + top.b[j].offset, top.b[j].size);
  };
  LeftoverPairing pairing([&](std::size_t i, std::size_t j) { return top.aId[i] == top.bId[j]; });
  top.byPosition = !Align(n, m, equal, pairing, limit);
  top.aMatch.resize(n);
  top.bMatch.resize(m);
  top.kept.resize(m, false);
  for (const LeftoverPairing::Step& step : pairing.Finish()) {
    if (step.a && step.b) top.aMatch[*step.a] = step.b, top.bMatch[*step.b] = step.a, top.kept[*step.b] = step.kept;
  }
  return top;
}

void SongComparison::Impl::CompareTopLevel() {
  const TopPairs top = PairTopLevel();
  if (top.byPosition) summary.alignedByPosition.push_back("chunks");
  const std::size_t n = top.a.size();
  const std::size_t m = top.b.size();
  const auto& aTop = top.a;
  const auto& bTop = top.b;
  const auto& aId = top.aId;
  const auto& bId = top.bId;
  const auto& aMatch = top.aMatch;
  const auto& bMatch = top.bMatch;
  const auto& kept = top.kept;
  std::vector<Slot> slots;
  std::uint64_t anchor = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (aMatch[i]) {
      anchor = bTop[*aMatch[i]].offset + bTop[*aMatch[i]].size;
      continue;
    }
    slots.push_back({anchor, 0, slots.size(), i, std::nullopt});
  }
  for (std::size_t j = 0; j < m; ++j) slots.push_back({bTop[j].offset, 1, slots.size(), bMatch[j], j});
  std::sort(slots.begin(), slots.end(), [](const Slot& x, const Slot& y) {
    return std::tie(x.key, x.rank, x.order) < std::tie(y.key, y.rank, y.order);
  });
  for (const Slot& slot : slots) {
    if (slot.a && slot.b) {
      const TKvsRegion& oldTop = aTop[*slot.a];
      if (kept[*slot.b]) {
        summary.sameBytes += oldTop.size;
      } else if (!aId[*slot.a]) {
        ComparePair(oldTop, bTop[*slot.b]);  // the unread stretches
      } else {
        CompareChunks(*slot.a, *slot.b);
      }
    } else if (slot.a) {
      const TKvsRegion& top = aTop[*slot.a];
      OneSided(ChangeKind::Removed, aId[*slot.a] ? DiffKind::Chunk : DiffKind::Unread, top.path, top.offset, top.size);
    } else {
      const TKvsRegion& top = bTop[*slot.b];
      OneSided(ChangeKind::Added, bId[*slot.b] ? DiffKind::Chunk : DiffKind::Unread, top.path, top.offset, top.size);
    }
  }
}

const SongComparison::Impl::ChunkPairing& SongComparison::Impl::PairChunk(std::size_t oldIndex,
                                                                            std::size_t newIndex) const {
  if (chunkCache && chunkCache->oldIndex == oldIndex && chunkCache->newIndex == newIndex) return *chunkCache;
  auto pairing = std::make_unique<ChunkPairing>();
  pairing->oldIndex = oldIndex;
  pairing->newIndex = newIndex;
  pairing->a = ListChunkChildren(oldMap, oldIndex, oldData);
  pairing->b = ListChunkChildren(newMap, newIndex, newData);
  const ChunkChildren& a = pairing->a;
  const ChunkChildren& b = pairing->b;
  pairing->aNamed.resize(a.named.size());
  pairing->bNamed.resize(b.named.size());
  for (std::size_t j = 0; j < b.named.size(); ++j) {
    for (std::size_t i = 0; i < a.named.size(); ++i) {
      if (pairing->aNamed[i] || a.named[i].step != b.named[j].step) continue;
      pairing->aNamed[i] = j;
      pairing->bNamed[j] = i;
      break;
    }
  }
  auto& runs = pairing->runs;
  StreamedPairing steps([&runs](std::optional<std::size_t> i, std::optional<std::size_t> j, bool /*kept*/) {
    if (!i || !j) return;
    if (!runs.empty() && runs.back()[0] + runs.back()[2] == *i && runs.back()[1] + runs.back()[2] == *j) {
      ++runs.back()[2];
    } else {
      runs.push_back({*i, *j, 1});
    }
  });
  const auto equal = [&](std::size_t i, std::size_t j) {
    const ListItem& x = a.items[i];
    const ListItem& y = b.items[j];
    return x.hash == y.hash && SameBytes(oldData + x.start, x.size, newData + y.start, y.size);
  };
  Align(a.items.size(), b.items.size(), equal, steps, limit);
  steps.Finish();
  chunkCache = std::move(pairing);
  return *chunkCache;
}

std::optional<std::uint64_t> SongComparison::Impl::Matched(Side side, std::uint64_t offset) const {
  if (!topCache) topCache = std::make_unique<TopPairs>(PairTopLevel());
  const TopPairs& top = *topCache;
  const bool fromOld = side == Side::Old;
  const RegionMap& map = fromOld ? oldMap : newMap;
  const std::size_t index = map.TopLevelAt(offset);
  if (index >= map.TopLevelCount()) return std::nullopt;
  const std::optional<std::size_t> match = fromOld ? top.aMatch[index] : top.bMatch[index];
  if (!match) return std::nullopt;
  const std::size_t oldIndex = fromOld ? index : *match;
  const std::size_t newIndex = fromOld ? *match : index;
  const TKvsRegion& here = fromOld ? top.a[index] : top.b[index];
  const TKvsRegion& there = fromOld ? top.b[*match] : top.a[*match];
  const auto within = [](std::uint64_t start, std::uint64_t size, std::uint64_t relative) {
    return start + std::min(relative, size - 1);
  };
  if (top.kept[newIndex] || !top.aId[oldIndex]) return within(there.offset, there.size, offset - here.offset);

  // The child of the chunk that holds the offset, and its counterpart.
  const ChunkPairing& pairing = PairChunk(oldIndex, newIndex);
  const ChunkChildren& mine = fromOld ? pairing.a : pairing.b;
  const ChunkChildren& theirs = fromOld ? pairing.b : pairing.a;
  std::optional<std::array<std::uint64_t, 4>> spans;  // here start, end; there start, end
  for (std::size_t i = 0; i < mine.named.size() && !spans; ++i) {
    if (offset < mine.named[i].start || offset >= mine.named[i].end) continue;
    const std::optional<std::size_t> other = fromOld ? pairing.aNamed[i] : pairing.bNamed[i];
    if (!other) return std::nullopt;
    spans = {mine.named[i].start, mine.named[i].end, theirs.named[*other].start, theirs.named[*other].end};
  }
  if (!spans) {
    const auto after = std::upper_bound(mine.items.begin(), mine.items.end(), offset,
                                        [](std::uint64_t value, const ListItem& item) { return value < item.start; });
    if (after == mine.items.begin()) return std::nullopt;
    const ListItem& item = *(after - 1);
    if (offset >= item.start + item.size) return std::nullopt;
    const auto k = static_cast<std::size_t>(after - mine.items.begin()) - 1;
    for (const auto& run : pairing.runs) {
      const std::size_t first = fromOld ? run[0] : run[1];
      if (k < first || k >= first + run[2]) continue;
      const ListItem& other = theirs.items[(fromOld ? run[1] : run[0]) + (k - first)];
      spans = {item.start, item.start + item.size, other.start, other.start + other.size};
      break;
    }
    if (!spans) return std::nullopt;
  }
  const auto [hereStart, hereEnd, thereStart, thereEnd] = *spans;
  const std::uint8_t* hereData = fromOld ? oldData : newData;
  const std::uint8_t* thereData = fromOld ? newData : oldData;
  if (SameBytes(hereData + hereStart, hereEnd - hereStart, thereData + thereStart, thereEnd - thereStart))
    return thereStart + (offset - hereStart);

  // Inside a changed child: the region with the same path below the child.
  const std::size_t thereIndex = fromOld ? newIndex : oldIndex;
  const Regions hereRegions = Materialize(map, index, hereStart, hereEnd);
  const Regions thereRegions = Materialize(fromOld ? newMap : oldMap, thereIndex, thereStart, thereEnd);
  const auto below = [](const std::string& path, std::size_t label) {
    const std::size_t step = path.find('/', label + 1);
    return step == std::string::npos ? std::string() : path.substr(step);
  };
  for (const TKvsRegion& region : hereRegions) {
    if (offset < region.offset || offset >= region.offset + region.size) continue;
    const std::string path = below(region.path, here.path.size());
    for (const TKvsRegion& candidate : thereRegions)
      if (below(candidate.path, there.path.size()) == path)
        return within(candidate.offset, candidate.size, offset - region.offset);
    return std::nullopt;
  }
  return std::nullopt;
}

SongComparison::SongComparison(const RegionMap& oldMap, const RegionMap& newMap, std::size_t editLimit)
    : impl_(std::make_unique<Impl>(oldMap, newMap, editLimit)) {}

SongComparison::~SongComparison() = default;

CompareSummary SongComparison::Run(const Each& each) {
  impl_->summary = CompareSummary{};
  impl_->summary.oldBytes = impl_->oldMap.FileSize();
  impl_->summary.newBytes = impl_->newMap.FileSize();
  impl_->each = &each;
  impl_->CompareTopLevel();
  impl_->each = nullptr;
  return std::move(impl_->summary);
}

std::optional<std::uint64_t> SongComparison::MatchedOffset(Side side, std::uint64_t offset) const {
  return impl_->Matched(side, offset);
}

}  // namespace tarvo::content
