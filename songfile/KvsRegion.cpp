#include "songfile/KvsRegion.h"


namespace tarvo {

const char* RegionKindName(TKvsRegionKind kind) {
  switch (kind) {
    case TKvsRegionKind::Header: return "header";
    case TKvsRegionKind::Field: return "field";
    case TKvsRegionKind::Reserved: return "reserved";
    case TKvsRegionKind::Skipped: return "skipped";
    case TKvsRegionKind::Data: return "data";
    case TKvsRegionKind::Unread: return "unread";
  }
  return "unread";
}

void TKvsRegionSink::Record(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t chunk,
                            std::int64_t record, std::size_t held) {
  ForEachRecordField(layout, offset, chunk, record, held, [this](const TKvsRegionNote& note) {
    Region(note);
    return !Done();
  });
}

void TKvsRegionSink::Records(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t chunk,
                             std::uint64_t first, std::uint64_t count) {
  for (std::uint64_t i = 0; i < count && !Done(); ++i)
    Record(layout, offset + i * layout.size, chunk, static_cast<std::int64_t>(first + i), layout.size);
}

}  // namespace tarvo
