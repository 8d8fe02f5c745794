#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "content/map/KindColumns.h"

// A song's map and columns made on a thread of its own, so that a window
// stays responsive while a song of millions of chunks is walked: the walk
// tells how far it got and stops when asked.
namespace tarvo::content {

struct MapProgress {
  std::atomic<bool> cancel{false};
  std::atomic<std::uint64_t> reached{0};  // the file offset the walk is at
};

// As MapWithColumns; nothing once `progress.cancel` is set.
std::optional<MapAndColumns> MapWithColumns(const TKvsLoader& song, MapProgress& progress,
                                            std::size_t columns = KindColumns::DefaultColumns);

}  // namespace tarvo::content
