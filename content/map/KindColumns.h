#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "content/map/RegionMap.h"
#include "songfile/KvsRegion.h"

// The whole file in a fixed number of columns, each with the bytes of each
// kind that lie in it: what the File Map window's coverage strip paints.
namespace tarvo::content {

using KindBytes = std::array<std::uint64_t, RegionKindCount>;

// Counts a reading's regions into columns while it passes them on to
// another sink (the map's builder), so that one walk makes both. Bytes no
// reading claims are unread. Each column counts exactly the bytes it covers,
// also where a record spans several columns (a small file's columns are
// narrower than a record).
class KindColumns : public TKvsRegionSink {
 public:
  static constexpr std::size_t DefaultColumns = 4096;

  KindColumns(std::uint64_t fileSize, TKvsRegionSink* next, std::size_t columns = DefaultColumns);

  // Call once the reading is over: the rest of the file is unread, and
  // nothing more is passed on.
  void Finish();

  std::uint64_t FileSize() const { return fileSize_; }
  const std::vector<KindBytes>& Columns() const { return columns_; }
  // The bytes of each kind in [from, to) of the file, to column precision;
  // the byte at `from` when the stretch is empty (narrower than a byte).
  KindBytes Between(std::uint64_t from, std::uint64_t to) const;

  // TKvsRegionSink
  void Chunk(const TKvsChunkNote& chunk) override;
  void Region(const TKvsRegionNote& region) override;
  void Record(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t chunk, std::int64_t record,
              std::size_t held) override;
  void Records(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t chunk, std::uint64_t first,
               std::uint64_t count) override;
  void ModuleEnd(std::uint64_t chunk, std::uint64_t markerStart) override;

 private:
  void Add(std::uint64_t offset, std::uint64_t size, TKvsRegionKind kind);
  void AddFields(const TKvsRecordLayout& layout, std::uint64_t offset, std::size_t held);

  std::uint64_t fileSize_;
  TKvsRegionSink* next_;
  std::uint64_t width_;  // bytes per column
  std::vector<KindBytes> columns_;
  std::uint64_t end_ = 0;  // where the regions so far end
};

// A loaded song's map and its columns, from one walk over the song.
struct MapAndColumns {
  RegionMap map;
  KindColumns columns;
};
MapAndColumns MapWithColumns(const TKvsLoader& song, std::size_t columns = KindColumns::DefaultColumns);

}  // namespace tarvo::content
