#pragma once

#include <QColor>

#include <cstdint>
#include <vector>

#include "content/map/RegionMap.h"
#include "songfile/KvsRegion.h"

namespace tarvo {

// A hex view's background by region kind: keeps the regions around the last
// painted place, made again from the map when the view moves elsewhere.
class TRegionShading {
 public:
  // The map must outlive this object, or be replaced by nullptr first.
  void SetMap(const content::RegionMap* map);
  // As THexView::Shading wants it.
  QColor Shade(std::uint64_t offset, std::uint64_t& runEnd);

 private:
  struct Run {
    std::uint64_t offset;
    std::uint64_t end;
    TKvsRegionKind kind;
  };
  void Fill(std::uint64_t offset);

  const content::RegionMap* map_ = nullptr;
  std::vector<Run> runs_;
};

}  // namespace tarvo
