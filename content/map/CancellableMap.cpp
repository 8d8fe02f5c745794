#include "content/map/CancellableMap.h"

#include <utility>

namespace tarvo::content {
namespace {

struct Cancelled {};

// Passes every note on, telling the progress where the walk is and ending
// the walk by a throw (which the loader allows) once it is cancelled.
class WatchedSink : public TKvsRegionSink {
 public:
  WatchedSink(TKvsRegionSink& next, MapProgress& progress) : next_(next), progress_(progress) {}

  void Chunk(const TKvsChunkNote& chunk) override {
    Look(chunk.offset);
    next_.Chunk(chunk);
  }
  void Region(const TKvsRegionNote& region) override {
    if (++calls_ % 4096 == 0) Look(region.offset);
    next_.Region(region);
  }
  void Record(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t chunk, std::int64_t record,
              std::size_t held) override {
    if (++calls_ % 4096 == 0) Look(offset);
    next_.Record(layout, offset, chunk, record, held);
  }
  std::uint64_t From() const override { return next_.From(); }

 private:
  void Look(std::uint64_t offset) {
    progress_.reached.store(offset, std::memory_order_relaxed);
    if (progress_.cancel.load(std::memory_order_relaxed)) throw Cancelled{};
  }
  TKvsRegionSink& next_;
  MapProgress& progress_;
  std::uint64_t calls_ = 0;
};

}  // namespace

std::optional<MapAndColumns> MapWithColumns(const TKvsLoader& song, MapProgress& progress, std::size_t columns) {
  RegionMapBuilder builder;
  KindColumns counted(song.StreamSize(), &builder, columns);
  WatchedSink watched(counted, progress);
  try {
    TKvsLoader::ReportRegions(song, watched);
  } catch (const Cancelled&) {
    return std::nullopt;
  }
  counted.Finish();
  return MapAndColumns{builder.Finish(song), std::move(counted)};
}

}  // namespace tarvo::content
