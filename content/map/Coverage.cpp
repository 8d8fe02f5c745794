#include "content/map/RegionMap.h"

#include "text/Format.h"

namespace tarvo::content {

std::uint64_t Coverage::Total() const {
  std::uint64_t total = 0;
  for (const std::uint64_t n : bytes) total += n;
  return total;
}

std::string CoverageLine(const Coverage& coverage) {
  const std::uint64_t total = coverage.Total();
  std::string line = Format("coverage: %d bytes", {total});
  for (std::size_t kind = 0; kind < RegionKindCount; ++kind) {
    FormatTo(line, "%s%s %s", {kind == 0 ? "; " : ", ", RegionKindName(static_cast<TKvsRegionKind>(kind)),
                               PercentText(coverage.bytes[kind], total)});
  }
  return line;
}

std::string PercentText(std::uint64_t part, std::uint64_t whole) {
  // In integers: no locale, no float drift.
  const std::uint64_t tenths =
      whole == 0 ? 0 : static_cast<std::uint64_t>((static_cast<long double>(part) * 1000 + whole / 2) / whole);
  return Format("%d.%d%%", {tenths / 10, tenths % 10});
}

void CoverageCounter::Add(TKvsRegionKind kind, std::uint64_t size) {
  counted_.bytes[static_cast<std::size_t>(kind)] += size;
}

void CoverageCounter::Chunk(const TKvsChunkNote& /*chunk*/) {}

void CoverageCounter::Region(const TKvsRegionNote& region) {
  Add(region.kind, region.size);
  end_ = region.offset + region.size;
}

void CoverageCounter::Record(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t chunk,
                             std::int64_t record, std::size_t held) {
  if (held < layout.size) {
    TKvsRegionSink::Record(layout, offset, chunk, record, held);
    return;
  }
  for (std::size_t kind = 0; kind < RegionKindCount; ++kind) counted_.bytes[kind] += layout.kindBytes[kind];
  end_ = offset + held;
}

void CoverageCounter::Records(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t /*chunk*/,
                              std::uint64_t /*first*/, std::uint64_t count) {
  for (std::size_t kind = 0; kind < RegionKindCount; ++kind) counted_.bytes[kind] += count * layout.kindBytes[kind];
  if (count > 0) end_ = offset + count * layout.size;
}

Coverage CoverageCounter::Finish(std::uint64_t fileSize) const {
  Coverage coverage = counted_;
  const std::uint64_t counted = counted_.Total();
  coverage.bytes[static_cast<std::size_t>(TKvsRegionKind::Unread)] += fileSize > counted ? fileSize - counted : 0;
  return coverage;
}

Coverage CountCoverage(const TKvsLoader& song) {
  CoverageCounter counter;
  TKvsLoader::ReportRegions(song, counter);
  return counter.Finish(song.StreamSize());
}

}  // namespace tarvo::content
