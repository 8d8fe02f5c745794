#include "content/map/RegionMap.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

#include "content/map/RegionText.h"
#include "songfile/ChunkId.h"

namespace tarvo::content {

namespace {

// Thrown by a sink that has what it wanted, to end a reading early.
struct Enough {};

TKvsRegion UnreadRegion(std::uint64_t offset, std::uint64_t size) {
  TKvsRegion region;
  region.offset = offset;
  region.size = size;
  region.kind = TKvsRegionKind::Unread;
  region.chunk = -1;
  region.path = "unread";
  return region;
}

}  // namespace

// Makes whole regions of the notes of one reading, for the chunk set with
// SetChunk; passes them to `take` from `from` on (those ending at or before
// it are not made).
class RegionMaker : public TKvsRegionSink {
 public:
  using Take = std::function<void(TKvsRegion&&)>;

  RegionMaker(const TKvsLoader& song, std::uint64_t from, Take take)
      : song_(&song), from_(from), take_(std::move(take)) {}

  // The map's entry of the chunk being read, set before its notes come.
  void SetChunk(const MapChunk& entry) {
    entry_ = entry;
    hasEntry_ = true;
    label_ = ChunkLabel(entry.id, entry.firstRecord, entry.ordinal);
    module_ = IsModuleChunk(entry.id);
  }
  std::function<void(const TKvsChunkNote&)> onChunk;
  // Only regions of this kind are made: a search for a kind need not make
  // the texts of every region it passes.
  void Only(TKvsRegionKind kind) { only_ = kind; }
  // The reading ends at the first region starting at or after `offset`.
  void Until(std::uint64_t offset) { until_ = offset; }

  // TKvsRegionSink
  void Chunk(const TKvsChunkNote& chunk) override {
    if (onChunk) onChunk(chunk);
  }
  void Region(const TKvsRegionNote& note) override {
    if (note.offset >= until_) throw Enough{};
    if (note.offset + note.size <= from_ || !hasEntry_) return;
    if (only_ && note.kind != *only_) return;
    TKvsRegion region;
    region.offset = note.offset;
    region.size = note.size;
    region.kind = note.kind;
    region.chunk = static_cast<std::int64_t>(note.chunk);
    region.path = note.name == nullptr && note.group == nullptr ? label_
                                                                : RegionPath(label_, module_, entry_.firstRecord, note);
    if (note.kind == TKvsRegionKind::Field)
      region.value = ValueText(note.format, song_->StreamData() + note.offset, note.size);
    take_(std::move(region));
  }
  void Record(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t chunk, std::int64_t record,
              std::size_t held) override {
    if (offset >= until_) throw Enough{};
    // Records before the wanted offset, or without the wanted kind, are
    // stepped over whole.
    if (offset + held <= from_) return;
    if (only_ && held == layout.size && layout.kindBytes[static_cast<std::size_t>(*only_)] == 0) return;
    TKvsRegionSink::Record(layout, offset, chunk, record, held);
  }
  std::uint64_t From() const override { return from_; }

 private:
  const TKvsLoader* song_;
  std::uint64_t from_;
  Take take_;
  MapChunk entry_{};
  bool hasEntry_ = false;
  std::string label_;
  bool module_ = false;
  std::optional<TKvsRegionKind> only_;
  std::uint64_t until_ = UINT64_MAX;
};

// --- RegionMapBuilder

RegionMapBuilder::RegionMapBuilder() = default;

RegionMapBuilder::RegionMapBuilder(const TKvsLoader& song, std::function<void(const TKvsRegion&)> each)
    : each_(std::move(each)) {
  maker_ = std::make_unique<RegionMaker>(song, 0, [this](TKvsRegion&& region) {
    if (region.offset > eachEnd_) each_(UnreadRegion(eachEnd_, region.offset - eachEnd_));
    eachEnd_ = region.offset + region.size;
    each_(region);
  });
}

RegionMapBuilder::~RegionMapBuilder() = default;

void RegionMapBuilder::Chunk(const TKvsChunkNote& chunk) {
  std::uint32_t ordinal = 1;
  if (!IsModuleChunk(chunk.id)) ordinal = ++labels_[ChunkIdToText(chunk.id)];
  chunks_.push_back({chunk.offset, chunk.firstRecord, chunk.id, ordinal});
  if (maker_) maker_->SetChunk(chunks_.back());
}

void RegionMapBuilder::Region(const TKvsRegionNote& region) {
  counter_.Region(region);
  if (maker_) maker_->Region(region);
}

void RegionMapBuilder::Record(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t chunk,
                              std::int64_t record, std::size_t held) {
  counter_.Record(layout, offset, chunk, record, held);
  if (maker_) maker_->Record(layout, offset, chunk, record, held);
}

RegionMap RegionMapBuilder::Finish(const TKvsLoader& song) {
  // A file too large to hold is all unread, at its own size.
  if (maker_ && eachEnd_ < song.FileSize()) each_(UnreadRegion(eachEnd_, song.FileSize() - eachEnd_));
  RegionMap map;
  map.song_ = &song;
  map.fileSize_ = song.FileSize();
  map.coverage_ = counter_.Finish(map.fileSize_);
  map.unreadStart_ = std::min<std::uint64_t>(counter_.End(), map.fileSize_);
  chunks_.shrink_to_fit();
  map.chunks_ = std::move(chunks_);
  chunks_ = {};
  labels_ = {};
  return map;
}

// --- RegionMap

RegionMap RegionMap::Of(const TKvsLoader& song) {
  RegionMapBuilder builder;
  TKvsLoader::ReportRegions(song, builder);
  return builder.Finish(song);
}

std::size_t RegionMap::TopLevelCount() const { return chunks_.size() + (unreadStart_ < fileSize_ ? 1 : 0); }

std::uint64_t RegionMap::TopLevelEnd(std::size_t index) const {
  if (index + 1 < chunks_.size()) return chunks_[index + 1].offset;
  if (index + 1 == chunks_.size()) return unreadStart_;
  return fileSize_;
}

TKvsRegion RegionMap::TopLevel(std::size_t index) const {
  if (index >= chunks_.size()) return UnreadRegion(unreadStart_, fileSize_ - unreadStart_);
  const MapChunk& entry = chunks_[index];
  TKvsRegion region;
  region.offset = entry.offset;
  region.size = TopLevelEnd(index) - entry.offset;
  region.kind = TKvsRegionKind::Header;
  region.chunk = static_cast<std::int64_t>(entry.offset);
  region.path = ChunkLabel(entry.id, entry.firstRecord, entry.ordinal);
  return region;
}

std::optional<std::uint32_t> RegionMap::TopLevelChunkId(std::size_t index) const {
  if (index >= chunks_.size()) return std::nullopt;
  return chunks_[index].id;
}

std::size_t RegionMap::TopLevelAt(std::uint64_t offset) const {
  if (offset >= fileSize_) return TopLevelCount();
  if (offset >= unreadStart_) return chunks_.size();
  // The last chunk whose header starts at or before the offset.
  const auto after = std::upper_bound(chunks_.begin(), chunks_.end(), offset,
                                      [](std::uint64_t value, const MapChunk& entry) { return value < entry.offset; });
  return static_cast<std::size_t>(after - chunks_.begin()) - 1;
}

std::vector<TKvsRegion> RegionMap::Children(std::size_t index, std::uint64_t from, std::size_t maxCount) const {
  std::vector<TKvsRegion> regions;
  if (maxCount == 0 || index >= TopLevelCount()) return regions;
  if (index >= chunks_.size()) {
    regions.push_back(TopLevel(index));
    return regions;
  }
  RegionMaker maker(*song_, from, [&regions, maxCount](TKvsRegion&& region) {
    regions.push_back(std::move(region));
    if (regions.size() >= maxCount) throw Enough{};
  });
  maker.SetChunk(chunks_[index]);
  try {
    TKvsLoader::ReportChunkRegions(*song_, chunks_[index].offset, maker);
  } catch (const Enough&) {
  }
  return regions;
}

std::optional<TKvsRegion> RegionMap::RegionAt(std::uint64_t offset) const {
  const std::size_t index = TopLevelAt(offset);
  if (index >= TopLevelCount()) return std::nullopt;
  std::vector<TKvsRegion> regions = Children(index, offset, 1);
  if (regions.empty() || regions.front().offset > offset) return std::nullopt;
  return std::move(regions.front());
}

std::optional<TKvsRegion> RegionMap::NextOfKind(std::uint64_t offset, TKvsRegionKind kind) const {
  // No reading reports unread bytes: they are the stretch after the last.
  if (kind == TKvsRegionKind::Unread) {
    if (unreadStart_ < fileSize_ && unreadStart_ > offset) return UnreadRegion(unreadStart_, fileSize_ - unreadStart_);
    return std::nullopt;
  }
  const std::size_t first = offset < fileSize_ ? TopLevelAt(offset) : TopLevelCount();
  for (std::size_t index = first; index < chunks_.size(); ++index) {
    std::optional<TKvsRegion> found;
    RegionMaker maker(*song_, index == first ? offset + 1 : 0, [&found, offset](TKvsRegion&& region) {
      if (region.offset > offset) {
        found = std::move(region);
        throw Enough{};
      }
    });
    maker.SetChunk(chunks_[index]);
    maker.Only(kind);
    try {
      TKvsLoader::ReportChunkRegions(*song_, chunks_[index].offset, maker);
    } catch (const Enough&) {
    }
    if (found) return found;
  }
  return std::nullopt;
}

std::optional<TKvsRegion> RegionMap::PreviousOfKind(std::uint64_t offset, TKvsRegionKind kind) const {
  if (kind == TKvsRegionKind::Unread) {
    if (unreadStart_ < fileSize_ && unreadStart_ < offset) return UnreadRegion(unreadStart_, fileSize_ - unreadStart_);
    return std::nullopt;
  }
  if (chunks_.empty()) return std::nullopt;
  const std::size_t last = std::min(TopLevelAt(std::min(offset, fileSize_ == 0 ? 0 : fileSize_ - 1)), chunks_.size() - 1);
  for (std::size_t index = last + 1; index-- > 0;) {
    // Read back from the offset in growing steps: the nearest region of the
    // kind is usually close, and a chunk may hold millions of records.
    const std::uint64_t start = chunks_[index].offset;
    const std::uint64_t end = std::min(offset, TopLevelEnd(index));
    if (end <= start) continue;
    for (std::uint64_t step = 4096;; step *= 4) {
      const std::uint64_t from = end - start > step ? end - step : start;
      std::optional<TKvsRegion> found;
      RegionMaker maker(*song_, from, [&found](TKvsRegion&& region) { found = std::move(region); });
      maker.SetChunk(chunks_[index]);
      maker.Only(kind);
      maker.Until(offset);
      try {
        TKvsLoader::ReportChunkRegions(*song_, start, maker);
      } catch (const Enough&) {
      }
      if (found) return found;
      if (from == start) break;
    }
  }
  return std::nullopt;
}

void RegionMap::ForEachRegion(const std::function<void(const TKvsRegion&)>& each) const {
  std::uint64_t end = 0;
  RegionMaker maker(*song_, 0, [&each, &end](TKvsRegion&& region) {
    // Bytes that no reading claimed before a region are unread; a correct
    // reading leaves none, and the invariant checks catch one that does.
    if (region.offset > end) each(UnreadRegion(end, region.offset - end));
    end = region.offset + region.size;
    each(region);
  });
  std::size_t next = 0;
  maker.onChunk = [this, &maker, &next](const TKvsChunkNote& note) {
    // The same walk that built the map: its chunks come in the same order.
    if (next < chunks_.size() && chunks_[next].offset == note.offset) maker.SetChunk(chunks_[next++]);
  };
  TKvsLoader::ReportRegions(*song_, maker);
  if (end < fileSize_) each(UnreadRegion(end, fileSize_ - end));
}

}  // namespace tarvo::content
