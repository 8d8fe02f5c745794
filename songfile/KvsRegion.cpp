#include "songfile/KvsRegion.h"

#include <algorithm>

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
  TKvsRegionNote note;
  note.chunk = chunk;
  note.group = layout.group;
  note.record = record;
  for (const TKvsFieldLayout& field : layout.fields) {
    note.kind = field.kind;
    note.format = field.format;
    note.name = field.name;
    for (std::uint32_t i = 0; i < field.count; ++i) {
      const std::size_t start = field.offset + std::size_t{i} * field.size;
      if (start >= held) return;  // the file ends inside the record
      note.offset = offset + start;
      note.size = std::min<std::size_t>(field.size, held - start);
      note.item = field.count > 1 ? static_cast<std::int64_t>(i) : -1;
      Region(note);
    }
  }
}

}  // namespace tarvo
