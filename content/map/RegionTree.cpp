#include "content/map/RegionTree.h"

#include "content/map/RegionText.h"
#include "songfile/KvsLoader.h"

#include <algorithm>
#include <optional>


namespace tarvo::content {
namespace {

class NoteCollector : public TKvsRegionSink {
 public:
  NoteCollector(const MapChunk& chunk, std::uint64_t from, std::uint64_t until, std::size_t maxCount)
      : chunk_(chunk), from_(from), until_(until), maxCount_(maxCount) {}

  std::vector<TKvsRegionNote> notes;

  void Chunk(const TKvsChunkNote&) override {}
  void Region(const TKvsRegionNote& note) override {
    if (Past(note.offset) || note.offset + note.size <= from_) return;
    notes.push_back(note);
    if (notes.size() >= maxCount_) done_ = true;
  }
  void Record(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t chunk, std::int64_t record,
              std::size_t held) override {
    if (Past(offset) || offset + held <= from_) return;
    TKvsRegionSink::Record(layout, offset, chunk, record, held);
  }
  void Records(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t chunk, std::uint64_t first,
               std::uint64_t count) override {
    if (Past(offset)) return;
    // Straight to the first record that reaches the wanted offset.
    const std::uint64_t skip = from_ > offset ? std::min(count, (from_ - offset) / layout.size) : 0;
    TKvsRegionSink::Records(layout, offset + skip * layout.size, chunk, first + skip, count - skip);
  }
  std::uint64_t From() const override { return from_; }
  bool Done() const override { return done_; }
  // The map's walk found where the module's data ends: no search again.
  std::optional<std::uint64_t> KnownModuleEnd(std::uint64_t chunk) const override {
    if (!IsModuleChunk(chunk_.id) || chunk_.offset != chunk || chunk_.ordinalOrEnd == MapChunk::UnknownEnd)
      return std::nullopt;
    if (chunk_.ordinalOrEnd == MapChunk::NoEnd) return NoModuleEnd;
    return chunk_.offset + chunk_.ordinalOrEnd;
  }

 private:
  bool Past(std::uint64_t offset) {
    if (offset >= until_) done_ = true;
    return done_;
  }

  const MapChunk& chunk_;
  std::uint64_t from_;
  std::uint64_t until_;
  std::size_t maxCount_;
  bool done_ = false;
};

}  // namespace

std::vector<TKvsRegionNote> ChunkNotes(const RegionMap& map, std::size_t index, std::uint64_t from,
                                       std::uint64_t until, std::size_t maxCount) {
  if (maxCount == 0 || index >= map.TopLevelCount() || !map.TopLevelChunkId(index)) return {};
  const MapChunk& chunk = map.TopLevelEntry(index);
  NoteCollector collector(chunk, from, until, maxCount);
  TKvsLoader::ReportChunkRegions(map.Loader(), chunk.offset, collector);
  return std::move(collector.notes);
}

std::vector<std::string> NoteSteps(const MapChunk& chunk, const TKvsRegionNote& note) {
  std::vector<std::string> steps;
  if (note.group != nullptr) steps.emplace_back(note.group);
  if (note.record >= 0) {
    const std::uint64_t record =
        static_cast<std::uint64_t>(note.record) + (IsModuleChunk(chunk.id) ? 0 : chunk.firstRecord);
    steps.push_back(std::to_string(record));
  }
  if (note.name != nullptr) steps.emplace_back(note.name);
  if (note.item >= 0) steps.push_back(std::to_string(note.item));
  return steps;
}

}  // namespace tarvo::content
