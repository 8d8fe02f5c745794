#include "content/map/RegionTree.h"

#include "content/map/RegionText.h"
#include "songfile/KvsLoader.h"


namespace tarvo::content {
namespace {

// Thrown once the reading has passed what was asked for.
struct Enough {};

class NoteCollector : public TKvsRegionSink {
 public:
  NoteCollector(std::uint64_t from, std::uint64_t until, std::size_t maxCount)
      : from_(from), until_(until), maxCount_(maxCount) {}

  std::vector<TKvsRegionNote> notes;

  void Chunk(const TKvsChunkNote&) override {}
  void Region(const TKvsRegionNote& note) override {
    if (note.offset >= until_) throw Enough{};
    if (note.offset + note.size <= from_) return;
    notes.push_back(note);
    if (notes.size() >= maxCount_) throw Enough{};
  }
  void Record(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t chunk, std::int64_t record,
              std::size_t held) override {
    if (offset >= until_) throw Enough{};
    if (offset + held <= from_) return;
    TKvsRegionSink::Record(layout, offset, chunk, record, held);
  }
  std::uint64_t From() const override { return from_; }

 private:
  std::uint64_t from_;
  std::uint64_t until_;
  std::size_t maxCount_;
};

}  // namespace

std::vector<TKvsRegionNote> ChunkNotes(const RegionMap& map, std::size_t index, std::uint64_t from,
                                       std::uint64_t until, std::size_t maxCount) {
  if (maxCount == 0 || index >= map.TopLevelCount() || !map.TopLevelChunkId(index)) return {};
  NoteCollector collector(from, until, maxCount);
  try {
    TKvsLoader::ReportChunkRegions(map.Loader(), map.TopLevelEntry(index).offset, collector);
  } catch (const Enough&) {
  }
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
