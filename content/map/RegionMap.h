#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "songfile/KvsLoader.h"
#include "songfile/KvsRegion.h"

// The region map of a loaded song as plain data: for every byte, which part
// of the reading consumed it and as what. The loader reports the regions;
// this keeps only what a window needs to find them again (one entry per
// chunk) and makes the regions of one chunk when they are asked for, by
// reading that chunk again. A song of millions of fields costs no memory
// per field.
//
// Regions tile the file: sorted, the first at 0, each next one where the
// previous one ends, the last ending at the file's size. Paths are
// "CHUNK/..." with CHUNK the chunk id as text ("GLOB", "EVTS"), "#n" after
// it for the n-th chunk of that id from the second on ("EVTS#2"), and
// "Modules/i" for the i-th module record; record indices are those of the
// model's lists (the pages' row numbers). Unread bytes have the path
// "unread".
namespace tarvo::content {

// The bytes of each kind; they add up to the file's size.
struct Coverage {
  std::array<std::uint64_t, RegionKindCount> bytes{};

  std::uint64_t operator[](TKvsRegionKind kind) const { return bytes[static_cast<std::size_t>(kind)]; }
  std::uint64_t Total() const;
  bool operator==(const Coverage&) const = default;
};

// "coverage: N bytes; header 1.2%, field 40.1%, reserved 3.0%, skipped
// 0.5%, data 55.2%, unread 0.0%" (one decimal; 0.0% each for an empty file).
std::string CoverageLine(const Coverage& coverage);

// `part` of `whole` as "40.1%": tenths of a percent, rounded; "0.0%" when
// `whole` is 0.
std::string PercentText(std::uint64_t part, std::uint64_t whole);

// Counts the bytes of each kind while a song loads and keeps no region:
// give it to TKvsLoader::SetRegionSink, load, then ask Finish with the
// file size (TKvsLoader::FileSize) for the figures, unread included.
class CoverageCounter : public TKvsRegionSink {
 public:
  Coverage Finish(std::uint64_t fileSize) const;
  // Where the regions reported so far end: the start of the unread bytes.
  std::uint64_t End() const { return end_; }

  // TKvsRegionSink
  void Chunk(const TKvsChunkNote& chunk) override;
  void Region(const TKvsRegionNote& region) override;
  void Record(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t chunk, std::int64_t record,
              std::size_t held) override;
  void Records(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t chunk, std::uint64_t first,
               std::uint64_t count) override;

 private:
  void Add(TKvsRegionKind kind, std::uint64_t size);
  Coverage counted_;
  std::uint64_t end_ = 0;  // where the regions reported so far end
};

// The coverage of a loaded song, by one walk that reads it again.
Coverage CountCoverage(const TKvsLoader& song);

class RegionMap;
class RegionMaker;

// What a map keeps of one chunk.
struct MapChunk {
  // A module record's end as ordinalOrEnd holds it.
  static constexpr std::uint32_t NoEnd = 0xFFFFFFFF;        // it has no end marker
  static constexpr std::uint32_t UnknownEnd = 0xFFFFFFFE;  // not known (or too far to hold here)

  std::uint64_t offset;       // of the header
  std::uint64_t firstRecord;  // as the loader noted it
  std::uint32_t id;
  // Any chunk but a module record's: 1 for the first chunk of its label, 2
  // for the next... A module record's (its label needs no ordinal): where
  // its end marker starts, counted from the header, so that reading it
  // again never searches its data for the marker; or NoEnd, UnknownEnd.
  std::uint32_t ordinalOrEnd;
};
static_assert(sizeof(MapChunk) == 24);

// Which chunks hold regions of each kind, one bit per chunk and kind: what
// Next and Previous of a kind use to step over the chunks without one.
class ChunkKinds {
 public:
  void Add(std::size_t chunk, TKvsRegionKind kind);
  void Grow(std::size_t chunks);
  void ShrinkToFit();
  bool Has(std::size_t chunk, TKvsRegionKind kind) const;
  // The first chunk from `from` on with the kind; `count` when none.
  std::size_t Next(TKvsRegionKind kind, std::size_t from, std::size_t count) const;
  // The last chunk before `before` with the kind; SIZE_MAX when none.
  std::size_t Previous(TKvsRegionKind kind, std::size_t before) const;

 private:
  std::array<std::vector<std::uint64_t>, RegionKindCount> bits_;
};

// Builds a RegionMap while a song loads: give it to TKvsLoader::SetRegionSink,
// load, then Finish. Costs one entry of 24 bytes and six bits per chunk, and
// while it builds, a table of 11 to 21 bytes per distinct chunk id.
class RegionMapBuilder : public TKvsRegionSink {
 public:
  RegionMapBuilder();
  // Also passes every region to `each` as the load reads it (Finish passes
  // the unread bytes at the end): a map printed in one pass. `song` is the
  // loader this builder is given to.
  RegionMapBuilder(const TKvsLoader& song, std::function<void(const TKvsRegion&)> each);
  ~RegionMapBuilder() override;
  RegionMapBuilder(const RegionMapBuilder&) = delete;
  RegionMapBuilder& operator=(const RegionMapBuilder&) = delete;

  // `song` is the loader that read (whatever the load's outcome); it must
  // outlive the map.
  RegionMap Finish(const TKvsLoader& song);

  // TKvsRegionSink
  void Chunk(const TKvsChunkNote& chunk) override;
  void Region(const TKvsRegionNote& region) override;
  void Record(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t chunk, std::int64_t record,
              std::size_t held) override;
  void Records(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t chunk, std::uint64_t first,
               std::uint64_t count) override;
  void ModuleEnd(std::uint64_t chunk, std::uint64_t markerStart) override;

 private:
  class IdCounts;
  void AddKind(TKvsRegionKind kind);

  std::vector<MapChunk> chunks_;
  ChunkKinds kinds_;
  CoverageCounter counter_;
  // Chunks seen per id, for the ordinals; dropped by Finish.
  std::unique_ptr<IdCounts> ids_;
  std::function<void(const TKvsRegion&)> each_;
  std::unique_ptr<RegionMaker> maker_;
  std::uint64_t eachEnd_ = 0;
};

// The map of one loaded song. Cheap to move; made by RegionMapBuilder (during
// the load) or Of (by reading the song again).
class RegionMap {
 public:
  static RegionMap Of(const TKvsLoader& song);

  std::uint64_t FileSize() const { return fileSize_; }
  // The file's bytes (FileSize() of them, then the loader's zero padding).
  const std::uint8_t* FileData() const { return song_ != nullptr ? song_->StreamData() : nullptr; }
  const Coverage& coverage() const { return coverage_; }

  // The top level: each chunk, from its header to the next chunk's header
  // (the kind is header, the path its label, the size the whole stretch),
  // then the unread bytes to the end of the file, if any, as one region.
  std::size_t TopLevelCount() const;
  TKvsRegion TopLevel(std::size_t index) const;
  // The top-level entry holding `offset` (binary search); TopLevelCount()
  // when offset is at or past the end of the file.
  std::size_t TopLevelAt(std::uint64_t offset) const;
  // The chunk id of a top-level entry that is a chunk (its header's first
  // four bytes); nullopt for the unread stretch.
  std::optional<std::uint32_t> TopLevelChunkId(std::size_t index) const;

  // The regions inside top-level entry `index`, in order, from the one that
  // holds `from` (the first one when `from` lies before the entry), at most
  // `maxCount` of them. Made by reading that one chunk again; the reading
  // stops once it has them.
  std::vector<TKvsRegion> Children(std::size_t index, std::uint64_t from, std::size_t maxCount) const;
  // The same one at a time, from the one that holds `from` to the last one
  // starting before `until`.
  void ForEachChild(std::size_t index, std::uint64_t from, std::uint64_t until,
                    const std::function<void(TKvsRegion&&)>& each) const;
  // The loader's notes of top-level chunk `index` (no texts made), by
  // reading it again; nothing for the unread stretch.
  void ReportChunk(std::size_t index, TKvsRegionSink& sink) const;

  // The region that holds `offset` (a field, not the chunk holding it);
  // nullopt at or past the end of the file.
  std::optional<TKvsRegion> RegionAt(std::uint64_t offset) const;
  // The first region of `kind` that starts after `offset`, and the last one
  // that starts before it.
  std::optional<TKvsRegion> NextOfKind(std::uint64_t offset, TKvsRegionKind kind) const;
  std::optional<TKvsRegion> PreviousOfKind(std::uint64_t offset, TKvsRegionKind kind) const;

  // What the map keeps of top-level entry `index` (below TopLevelCount()
  // and a chunk: TopLevelChunkId has a value), and the song it reads again.
  const MapChunk& TopLevelEntry(std::size_t index) const { return chunks_[index]; }
  const TKvsLoader& Loader() const { return *song_; }

  // The chunk that a line of the load's log names (its trace line's offset
  // and id), as the top-level region of that chunk: the trace of some chunks
  // gives the read position after their payload, not the header. nullopt
  // when no chunk of that id holds the offset.
  std::optional<TKvsRegion> ChunkOfLogLine(std::uint64_t offset, std::uint32_t id) const;

  // Every region of the file in order, one at a time: nothing is kept, so a
  // caller that writes each one out costs no memory per region.
  void ForEachRegion(const std::function<void(const TKvsRegion&)>& each) const;

 private:
  friend class RegionMapBuilder;
  friend class RegionMaker;

  std::uint64_t TopLevelEnd(std::size_t index) const;
  // Reads chunk `index` again into `maker`.
  void Read(std::size_t index, RegionMaker& maker) const;

  const TKvsLoader* song_ = nullptr;
  std::vector<MapChunk> chunks_;
  ChunkKinds kinds_;
  std::uint64_t unreadStart_ = 0;  // where the reported regions end
  std::uint64_t fileSize_ = 0;
  Coverage coverage_;
};

}  // namespace tarvo::content
