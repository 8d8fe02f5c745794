#include "content/map/RegionMap.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <optional>
#include <utility>

#include "content/map/RegionText.h"
#include "songfile/ChunkId.h"

namespace tarvo::content {

namespace {

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

// --- ChunkKinds

void ChunkKinds::Grow(std::size_t chunks) {
  const std::size_t words = (chunks + 63) / 64;
  for (std::vector<std::uint64_t>& bits : bits_)
    if (bits.size() < words) bits.resize(words);
}

void ChunkKinds::Add(std::size_t chunk, TKvsRegionKind kind) {
  std::vector<std::uint64_t>& bits = bits_[static_cast<std::size_t>(kind)];
  if (chunk / 64 >= bits.size()) Grow(chunk + 1);
  bits[chunk / 64] |= std::uint64_t{1} << (chunk % 64);
}

void ChunkKinds::ShrinkToFit() {
  for (std::vector<std::uint64_t>& bits : bits_) bits.shrink_to_fit();
}

bool ChunkKinds::Has(std::size_t chunk, TKvsRegionKind kind) const {
  const std::vector<std::uint64_t>& bits = bits_[static_cast<std::size_t>(kind)];
  return chunk / 64 < bits.size() && (bits[chunk / 64] >> (chunk % 64) & 1) != 0;
}

std::size_t ChunkKinds::Next(TKvsRegionKind kind, std::size_t from, std::size_t count) const {
  const std::vector<std::uint64_t>& bits = bits_[static_cast<std::size_t>(kind)];
  for (std::size_t word = from / 64; word < bits.size(); ++word) {
    std::uint64_t set = bits[word];
    if (word == from / 64) set &= ~std::uint64_t{0} << (from % 64);
    if (set != 0) return std::min(count, word * 64 + static_cast<std::size_t>(std::countr_zero(set)));
  }
  return count;
}

std::size_t ChunkKinds::Previous(TKvsRegionKind kind, std::size_t before) const {
  const std::vector<std::uint64_t>& bits = bits_[static_cast<std::size_t>(kind)];
  if (before == 0) return SIZE_MAX;
  const std::size_t last = before - 1;
  for (std::size_t word = std::min(last / 64 + 1, bits.size()); word-- > 0;) {
    std::uint64_t set = bits[word];
    if (word == last / 64 && last % 64 != 63) set &= (std::uint64_t{1} << (last % 64 + 1)) - 1;
    if (set != 0) return word * 64 + 63 - static_cast<std::size_t>(std::countl_zero(set));
  }
  return SIZE_MAX;
}

// Makes whole regions of the notes of one reading, for the chunk set with
// SetChunk; passes them to `take` from `from` on (those ending at or before
// it are not made) until `take` returns false.
class RegionMaker : public TKvsRegionSink {
 public:
  using Take = std::function<bool(TKvsRegion&&)>;

  RegionMaker(const TKvsLoader& song, std::uint64_t from, Take take)
      : song_(&song), from_(from), take_(std::move(take)) {}

  // The map's entry of the chunk being read, set before its notes come.
  void SetChunk(const MapChunk& entry) {
    entry_ = entry;
    hasEntry_ = true;
    label_ = ChunkLabel(entry.id, entry.firstRecord, entry.ordinalOrEnd);
    module_ = IsModuleChunk(entry.id);
  }
  std::function<void(const TKvsChunkNote&)> onChunk;
  // Only regions of this kind are made: a search for a kind need not make
  // the texts of every region it passes.
  void Only(TKvsRegionKind kind) { only_ = kind; }
  // The reading ends at the first region starting at or after `offset`.
  void Until(std::uint64_t offset) { until_ = offset; }
  // Module ends known from the map's walk.
  void KnowEnds(bool know) { knowEnds_ = know; }

  // TKvsRegionSink
  void Chunk(const TKvsChunkNote& chunk) override {
    if (onChunk) onChunk(chunk);
  }
  void Region(const TKvsRegionNote& note) override {
    if (done_ || Past(note.offset)) return;
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
    if (!take_(std::move(region))) done_ = true;
  }
  void Record(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t chunk, std::int64_t record,
              std::size_t held) override {
    if (done_ || Past(offset)) return;
    // Records before the wanted offset, or without the wanted kind, are
    // stepped over whole.
    if (offset + held <= from_) return;
    if (only_ && held == layout.size && layout.kindBytes[static_cast<std::size_t>(*only_)] == 0) return;
    TKvsRegionSink::Record(layout, offset, chunk, record, held);
  }
  void Records(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t chunk, std::uint64_t first,
               std::uint64_t count) override {
    if (done_ || Past(offset)) return;
    if (only_ && layout.kindBytes[static_cast<std::size_t>(*only_)] == 0) return;
    // Straight to the first record that reaches the wanted offset.
    const std::uint64_t skip = from_ > offset ? std::min(count, (from_ - offset) / layout.size) : 0;
    TKvsRegionSink::Records(layout, offset + skip * layout.size, chunk, first + skip, count - skip);
  }
  std::uint64_t From() const override { return from_; }
  bool Done() const override { return done_; }
  std::optional<std::uint64_t> KnownModuleEnd(std::uint64_t chunk) const override {
    if (!knowEnds_ || !hasEntry_ || !module_ || entry_.offset != chunk) return std::nullopt;
    if (entry_.ordinalOrEnd == MapChunk::NoEnd) return NoModuleEnd;
    if (entry_.ordinalOrEnd == MapChunk::UnknownEnd) return std::nullopt;
    return entry_.offset + entry_.ordinalOrEnd;
  }

 private:
  bool Past(std::uint64_t offset) {
    if (offset < until_) return false;
    done_ = true;
    return true;
  }

  const TKvsLoader* song_;
  std::uint64_t from_;
  Take take_;
  MapChunk entry_{};
  bool hasEntry_ = false;
  bool knowEnds_ = false;
  bool done_ = false;
  std::string label_;
  bool module_ = false;
  std::optional<TKvsRegionKind> only_;
  std::uint64_t until_ = UINT64_MAX;
};

// --- RegionMapBuilder

// Chunks seen per id: an open-addressing table of 8 bytes a slot, at most
// half full, so that millions of distinct ids cost no text and no node each.
class RegionMapBuilder::IdCounts {
 public:
  std::uint32_t Next(std::uint32_t id) {
    if ((used_ + 1) * 2 > slots_.size()) Rehash(std::max<std::size_t>(64, slots_.size() * 2));
    Slot& slot = Find(id);
    if (slot.count == 0) {
      slot.id = id;
      ++used_;
    }
    return ++slot.count;
  }

 private:
  struct Slot {
    std::uint32_t id = 0;
    std::uint32_t count = 0;  // 0: empty
  };
  Slot& Find(std::uint32_t id) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = (id * std::uint64_t{0x9E3779B97F4A7C15}) >> 20 & mask;
    while (slots_[at].count != 0 && slots_[at].id != id) at = (at + 1) & mask;
    return slots_[at];
  }
  void Rehash(std::size_t size) {
    std::vector<Slot> old = std::exchange(slots_, std::vector<Slot>(size));
    for (const Slot& slot : old)
      if (slot.count != 0) Find(slot.id) = slot;
  }
  std::vector<Slot> slots_;
  std::size_t used_ = 0;
};

RegionMapBuilder::RegionMapBuilder() : ids_(std::make_unique<IdCounts>()) {}

RegionMapBuilder::RegionMapBuilder(const TKvsLoader& song, std::function<void(const TKvsRegion&)> each)
    : ids_(std::make_unique<IdCounts>()), each_(std::move(each)) {
  maker_ = std::make_unique<RegionMaker>(song, 0, [this](TKvsRegion&& region) {
    if (region.offset > eachEnd_) each_(UnreadRegion(eachEnd_, region.offset - eachEnd_));
    eachEnd_ = region.offset + region.size;
    each_(region);
    return true;
  });
}

RegionMapBuilder::~RegionMapBuilder() = default;

void RegionMapBuilder::AddKind(TKvsRegionKind kind) {
  if (!chunks_.empty()) kinds_.Add(chunks_.size() - 1, kind);
}

void RegionMapBuilder::Chunk(const TKvsChunkNote& chunk) {
  // A module record's end is not known until its data has been searched.
  const std::uint32_t ordinalOrEnd = IsModuleChunk(chunk.id) ? MapChunk::UnknownEnd : ids_->Next(chunk.id);
  chunks_.push_back({chunk.offset, chunk.firstRecord, chunk.id, ordinalOrEnd});
  if (maker_) maker_->SetChunk(chunks_.back());
}

void RegionMapBuilder::Region(const TKvsRegionNote& region) {
  counter_.Region(region);
  AddKind(region.kind);
  if (maker_) maker_->Region(region);
}

void RegionMapBuilder::Record(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t chunk,
                              std::int64_t record, std::size_t held) {
  counter_.Record(layout, offset, chunk, record, held);
  if (held == layout.size) {
    for (std::size_t kind = 0; kind < RegionKindCount; ++kind)
      if (layout.kindBytes[kind] > 0) AddKind(static_cast<TKvsRegionKind>(kind));
  } else {
    ForEachRecordField(layout, offset, chunk, record, held, [this](const TKvsRegionNote& note) {
      AddKind(note.kind);
      return true;
    });
  }
  if (maker_) maker_->Record(layout, offset, chunk, record, held);
}

void RegionMapBuilder::Records(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t chunk,
                               std::uint64_t first, std::uint64_t count) {
  counter_.Records(layout, offset, chunk, first, count);
  for (std::size_t kind = 0; kind < RegionKindCount; ++kind)
    if (layout.kindBytes[kind] > 0 && count > 0) AddKind(static_cast<TKvsRegionKind>(kind));
  if (maker_) maker_->Records(layout, offset, chunk, first, count);
}

void RegionMapBuilder::ModuleEnd(std::uint64_t chunk, std::uint64_t markerStart) {
  if (chunks_.empty() || chunks_.back().offset != chunk) return;
  MapChunk& entry = chunks_.back();
  if (markerStart == NoModuleEnd)
    entry.ordinalOrEnd = MapChunk::NoEnd;
  else if (markerStart >= chunk && markerStart - chunk < MapChunk::UnknownEnd)
    entry.ordinalOrEnd = static_cast<std::uint32_t>(markerStart - chunk);
}

RegionMap RegionMapBuilder::Finish(const TKvsLoader& song) {
  if (maker_ && eachEnd_ < song.StreamSize()) each_(UnreadRegion(eachEnd_, song.StreamSize() - eachEnd_));
  RegionMap map;
  map.song_ = &song;
  map.fileSize_ = song.StreamSize();
  map.coverage_ = counter_.Finish(map.fileSize_);
  map.unreadStart_ = std::min<std::uint64_t>(counter_.End(), map.fileSize_);
  chunks_.shrink_to_fit();
  map.chunks_ = std::move(chunks_);
  chunks_ = {};
  kinds_.Grow(map.chunks_.size());
  kinds_.ShrinkToFit();
  map.kinds_ = std::move(kinds_);
  kinds_ = {};
  ids_ = std::make_unique<IdCounts>();
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
  region.path = ChunkLabel(entry.id, entry.firstRecord, entry.ordinalOrEnd);
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

void RegionMap::Read(std::size_t index, RegionMaker& maker) const {
  maker.SetChunk(chunks_[index]);
  maker.KnowEnds(true);
  TKvsLoader::ReportChunkRegions(*song_, chunks_[index].offset, maker);
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
    return regions.size() < maxCount;
  });
  Read(index, maker);
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
  // Only chunks that hold the kind are read: the one at the offset, then
  // (if its regions of the kind all start before it) the next that holds it.
  for (std::size_t index = kinds_.Next(kind, first, chunks_.size()); index < chunks_.size();
       index = kinds_.Next(kind, index + 1, chunks_.size())) {
    std::optional<TKvsRegion> found;
    RegionMaker maker(*song_, index == first ? offset + 1 : 0, [&found, offset](TKvsRegion&& region) {
      if (region.offset <= offset) return true;
      found = std::move(region);
      return false;
    });
    maker.Only(kind);
    Read(index, maker);
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
  for (std::size_t index = kinds_.Previous(kind, last + 1); index != SIZE_MAX; index = kinds_.Previous(kind, index)) {
    // Read back from the offset in growing steps: the nearest region of the
    // kind is usually close, and a chunk may hold millions of records.
    const std::uint64_t start = chunks_[index].offset;
    const std::uint64_t end = std::min(offset, TopLevelEnd(index));
    if (end <= start) continue;
    for (std::uint64_t step = 4096;; step *= 4) {
      const std::uint64_t from = end - start > step ? end - step : start;
      std::optional<TKvsRegion> found;
      RegionMaker maker(*song_, from, [&found](TKvsRegion&& region) {
        found = std::move(region);
        return true;
      });
      maker.Only(kind);
      maker.Until(offset);
      Read(index, maker);
      if (found) return found;
      if (from == start) break;
    }
  }
  return std::nullopt;
}

std::optional<TKvsRegion> RegionMap::ChunkOfLogLine(std::uint64_t offset, std::uint32_t id) const {
  // A trace line's offset lies between its chunk's header and the next
  // chunk's header: the header itself, or the read position after the
  // payload less the 8 bytes of a header.
  if (chunks_.empty() || offset < chunks_.front().offset) return std::nullopt;
  const auto after = std::upper_bound(chunks_.begin(), chunks_.end(), offset,
                                      [](std::uint64_t value, const MapChunk& entry) { return value < entry.offset; });
  const auto index = static_cast<std::size_t>(after - chunks_.begin()) - 1;
  if (chunks_[index].id != id) return std::nullopt;
  return TopLevel(index);
}

void RegionMap::ForEachRegion(const std::function<void(const TKvsRegion&)>& each) const {
  std::uint64_t end = 0;
  RegionMaker maker(*song_, 0, [&each, &end](TKvsRegion&& region) {
    // Bytes that no reading claimed before a region are unread; a correct
    // reading leaves none, and the invariant checks catch one that does.
    if (region.offset > end) each(UnreadRegion(end, region.offset - end));
    end = region.offset + region.size;
    each(region);
    return true;
  });
  maker.KnowEnds(true);
  std::size_t next = 0;
  maker.onChunk = [this, &maker, &next](const TKvsChunkNote& note) {
    // The same walk that built the map: its chunks come in the same order.
    if (next < chunks_.size() && chunks_[next].offset == note.offset) maker.SetChunk(chunks_[next++]);
  };
  TKvsLoader::ReportRegions(*song_, maker);
  if (end < fileSize_) each(UnreadRegion(end, fileSize_ - end));
}

}  // namespace tarvo::content
