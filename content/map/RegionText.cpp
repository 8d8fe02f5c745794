#include "content/map/RegionText.h"

#include "songfile/ChunkId.h"
#include "songfile/KvsModules.h"
#include "songfile/LittleEndian.h"
#include "text/Format.h"
#include "text/Latin1.h"

namespace tarvo::content {

std::string ChunkLabel(std::uint32_t id, std::uint64_t firstRecord, std::uint32_t ordinal) {
  if (IsModuleChunk(id)) return Format("Modules/%d", {firstRecord});
  std::string label = ChunkIdToText(id);
  // An id without four characters (the end of the song's FFFFFFFF) is
  // named by its number, as the log's trace line writes it: "????" would
  // name them all alike.
  if (label == "????") label = Format("%8.8x", {id});
  if (ordinal > 1) FormatTo(label, "#%d", {ordinal});
  return label;
}

std::string RegionPath(const std::string& label, bool moduleChunk, std::uint64_t firstRecord,
                       const TKvsRegionNote& note) {
  std::string path = label;
  if (note.group != nullptr) {
    path += '/';
    path += note.group;
  }
  if (note.record >= 0) {
    const std::uint64_t record = static_cast<std::uint64_t>(note.record) + (moduleChunk ? 0 : firstRecord);
    FormatTo(path, "/%d", {record});
  }
  if (note.name != nullptr) {
    path += '/';
    path += note.name;
  }
  if (note.item >= 0) FormatTo(path, "/%d", {note.item});
  return path;
}

std::string ValueText(TKvsValueFormat format, const std::uint8_t* bytes, std::uint64_t size) {
  switch (format) {
    case TKvsValueFormat::None: return {};
    case TKvsValueFormat::U8: return Format("%d", {le::U8(bytes)});
    case TKvsValueFormat::U16: return Format("%d", {le::U16(bytes)});
    case TKvsValueFormat::I16: return Format("%d", {le::I16(bytes)});
    case TKvsValueFormat::U32: return Format("%d", {le::U32(bytes)});
    case TKvsValueFormat::I32: return Format("%d", {le::I32(bytes)});
    case TKvsValueFormat::Hex32: return Format("%x", {le::I32(bytes)});
    case TKvsValueFormat::F32: return Format("%f", {le::F32(bytes)});
    case TKvsValueFormat::F64: return Format("%f", {le::F64(bytes)});
    case TKvsValueFormat::Text: return FixedText(bytes, static_cast<std::size_t>(size));
    case TKvsValueFormat::Guid: return GuidToText(bytes);
  }
  return {};
}

}  // namespace tarvo::content
