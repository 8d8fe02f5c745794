#include "content/compare/ComparisonImpl.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "content/compare/Alignment.h"
#include "content/compare/ByteDiff.h"
#include "content/compare/Leftovers.h"

// Where a place in one file lies in the other: what keeps the Compare
// window's two hex views on the same place, linked by path.
namespace tarvo::content {

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
    // The last item starting at or before the offset.
    std::size_t low = 0;
    std::size_t high = mine.items.size();
    while (low < high) {
      const std::size_t middle = low + (high - low) / 2;
      if (mine.items[middle].start <= offset) {
        low = middle + 1;
      } else {
        high = middle;
      }
    }
    if (low == 0) return std::nullopt;
    const std::size_t k = low - 1;
    const ListItem item = mine.items[k];
    if (offset >= item.start + item.size) return std::nullopt;
    for (const auto& run : pairing.runs) {
      const std::size_t first = fromOld ? run[0] : run[1];
      if (k < first || k >= first + run[2]) continue;
      const ListItem other = theirs.items[(fromOld ? run[1] : run[0]) + (k - first)];
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

std::optional<std::uint64_t> SongComparison::MatchedOffset(Side side, std::uint64_t offset) const {
  return impl_->Matched(side, offset);
}

}  // namespace tarvo::content
