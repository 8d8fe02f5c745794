#include "ui/RegionShading.h"

#include "ui/KindColours.h"

#include <algorithm>

namespace tarvo {
namespace {

// The bytes of regions one fill covers: a few screens.
constexpr std::uint64_t ShadeBytes = 4096;

}  // namespace

void TRegionShading::SetMap(const content::RegionMap* map) {
  map_ = map;
  runs_.clear();
}

void TRegionShading::Fill(std::uint64_t offset) {
  runs_.clear();
  const std::uint64_t limit = std::min(map_->FileSize(), offset + ShadeBytes);
  std::uint64_t from = offset;
  // Many tiny chunks take a call each; the fill stops after a few hundred.
  for (int calls = 0; from < limit && calls < 512; ++calls) {
    const std::size_t top = map_->TopLevelAt(from);
    if (top >= map_->TopLevelCount()) break;
    const std::vector<TKvsRegion> regions = map_->Children(top, from, 512);
    if (regions.empty()) break;
    for (const TKvsRegion& region : regions) runs_.push_back({region.offset, region.offset + region.size, region.kind});
    if (runs_.back().end <= from) break;
    from = runs_.back().end;
  }
}

QColor TRegionShading::Shade(std::uint64_t offset, std::uint64_t& runEnd) {
  if (map_ == nullptr) return QColor();
  const auto covers = [&] { return !runs_.empty() && runs_.front().offset <= offset && offset < runs_.back().end; };
  if (!covers()) Fill(offset);
  if (!covers()) return QColor();
  const auto after = std::upper_bound(runs_.begin(), runs_.end(), offset,
                                      [](std::uint64_t value, const Run& run) { return value < run.offset; });
  if (after == runs_.begin()) return QColor();
  const Run& run = *(after - 1);
  if (offset >= run.end) return QColor();
  runEnd = run.end;
  return KindColour(run.kind);
}

}  // namespace tarvo
