#include "content/compare/SongCompare.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <tuple>
#include <utility>

#include "content/compare/Alignment.h"
#include "content/compare/ByteDiff.h"
#include "content/compare/ChunkChildren.h"
#include "content/compare/ComparisonImpl.h"
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

// The regions of one chunk, read ahead a window at a time: the items of a
// long list come in file order, and one reading of a window costs far less
// than one reading per item.
class RegionWindow {
 public:
  static constexpr std::uint64_t Window = 64 * 1024;

  RegionWindow(const RegionMap& map, std::size_t index, WorkPacer& pacer)
      : map_(map), index_(index), end_(map.TopLevel(index).offset + map.TopLevel(index).size), pacer_(pacer) {}

  // The regions starting in [start, end).
  Regions Get(std::uint64_t start, std::uint64_t end) {
    if (start < from_ || end > to_) Fill(start, end);
    const auto first = std::lower_bound(regions_.begin(), regions_.end(), start,
                                        [](const TKvsRegion& region, std::uint64_t at) { return region.offset < at; });
    Regions part;
    for (auto it = first; it != regions_.end() && it->offset < end; ++it) part.push_back(*it);
    return part;
  }

 private:
  void Fill(std::uint64_t start, std::uint64_t end) {
    regions_.clear();
    from_ = start;
    to_ = std::max(end, std::min(end_, start + Window));
    map_.ForEachChild(index_, start, to_, [this](TKvsRegion&& region) {
      pacer_.Add(WorkPacer::StepCost);
      regions_.push_back(std::move(region));
    });
  }

  const RegionMap& map_;
  std::size_t index_;
  std::uint64_t end_;
  WorkPacer& pacer_;
  std::uint64_t from_ = 1;
  std::uint64_t to_ = 0;
  Regions regions_;
};

}  // namespace


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
    return SameChild(aPart, aChildren[aList[i]], bPart, bChildren[bList[j]]);  // counts its work
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
  map.ForEachChild(index, start, end, [this, &regions](TKvsRegion&& region) {
    pacer.Add(WorkPacer::StepCost);
    regions.push_back(std::move(region));
  });
  return regions;
}

void SongComparison::Impl::CompareChunks(std::size_t oldIndex, std::size_t newIndex) {
  const std::string oldLabel = oldMap.TopLevel(oldIndex).path;
  const std::string newLabel = newMap.TopLevel(newIndex).path;
  const ChunkChildren a = ListChunkChildren(oldMap, oldIndex, oldData, &pacer);
  const ChunkChildren b = ListChunkChildren(newMap, newIndex, newData, &pacer);

  // A pair of children of the two chunks, compared by their regions.
  RegionWindow oldWindow(oldMap, oldIndex, pacer);
  RegionWindow newWindow(newMap, newIndex, pacer);
  const auto comparePair = [&](std::uint64_t aStart, std::uint64_t aEnd, std::uint64_t bStart, std::uint64_t bEnd) {
    if (SameBytes(oldData + aStart, aEnd - aStart, newData + bStart, bEnd - bStart, &pacer)) {
      summary.sameBytes += aEnd - aStart;
      return;
    }
    const Regions aRegions = oldWindow.Get(aStart, aEnd);
    const Regions bRegions = newWindow.Get(bStart, bEnd);
    CompareNode(aRegions, 0, aRegions.size(), oldLabel.size(), bRegions, 0, bRegions.size(), newLabel.size());
  };
  // A list item's path: its first region's, up to the item's number.
  const auto itemPath = [](RegionWindow& window, const ListItem& item, std::size_t labelSize) {
    const Regions regions = window.Get(item.start, item.start + item.size);
    std::string path = regions.empty() ? std::string() : regions.front().path;
    const std::size_t end = path.find('/', labelSize + 1);
    if (end != std::string::npos) path.resize(end);
    return path;
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
        OneSided(ChangeKind::Added, DiffKind::Record, itemPath(newWindow, item, newLabel.size()),
                 item.start, item.size);
      }
      return;
    }
    const ListItem& old = a.items[*i];
    flushNamed(cursor, 0);
    OneSided(ChangeKind::Removed, DiffKind::Record, itemPath(oldWindow, old, oldLabel.size()),
             old.start, old.size);
  };
  StreamedPairing pairing(onStep);
  const auto equal = [&](std::size_t i, std::size_t j) {
    const ListItem& x = a.items[i];
    const ListItem& y = b.items[j];
    pacer.Add(WorkPacer::StepCost);
    return x.hash == y.hash && SameBytes(oldData + x.start, x.size, newData + y.start, y.size, &pacer);
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
    pacer.Add(WorkPacer::StepCost);
    return top.aId[i] == top.bId[j] &&
           SameBytes(oldData + top.a[i].offset, top.a[i].size, newData + top.b[j].offset, top.b[j].size, &pacer);
  };
  // Chunks pair with chunks of the same id; the unread stretches with each other.
  LeftoverPairing pairing([&](bool newSide, std::size_t index) -> std::uint64_t {
    const std::optional<std::uint32_t>& id = newSide ? top.bId[index] : top.aId[index];
    return id ? *id : std::uint64_t{1} << 32;
  });
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


SongComparison::SongComparison(const RegionMap& oldMap, const RegionMap& newMap, std::size_t editLimit)
    : impl_(std::make_unique<Impl>(oldMap, newMap, editLimit)) {}

SongComparison::~SongComparison() = default;

void SongComparison::SetStop(std::function<bool()> stop) { impl_->stop = std::move(stop); }

CompareSummary SongComparison::Run(const Each& each) {
  impl_->summary = CompareSummary{};
  impl_->summary.oldBytes = impl_->oldMap.FileSize();
  impl_->summary.newBytes = impl_->newMap.FileSize();
  impl_->each = &each;
  // Only Run is paced: MatchedOffset answers a window and is never stopped.
  struct Unpace {
    Impl& impl;
    ~Unpace() {
      impl.pacer.SetStop({});
      impl.each = nullptr;
    }
  } const unpace{*impl_};
  impl_->pacer.SetStop(impl_->stop);
  impl_->CompareTopLevel();
  return std::move(impl_->summary);
}

}  // namespace tarvo::content
