#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

// Where each byte of a song file lies in the reading: the loader reports
// regions while it reads, from the code that builds the model, so a map of
// the file can never disagree with the pages.
namespace tarvo {

// What the reading did with a run of bytes; a closed set.
enum class TKvsRegionKind : std::uint8_t {
  Header,    // a chunk header (8 bytes) or a module's end marker (24 bytes)
  Field,     // a value the reading decodes: number, flag, id, count, length, tag, text
  Reserved,  // consumed as part of a record but not interpreted
  Skipped,   // stepped over by a length that the file gives
  Data,      // kept whole and shown undecoded: module data, an unknown chunk's payload
  Unread,    // consumed by no reading: after the end of the song or where a load stopped
};
inline constexpr std::size_t RegionKindCount = 6;

// "header", "field", "reserved", "skipped", "data", "unread".
const char* RegionKindName(TKvsRegionKind kind);

// How a field's bytes read as a value.
enum class TKvsValueFormat : std::uint8_t {
  None,
  U8,
  U16,
  I16,
  U32,
  I32,
  Hex32,  // as the log writes it (the file version)
  F32,
  F64,
  Text,  // 8-bit text up to its first zero byte
  Guid,  // 16 bytes as "{8-4-4-4-12}"
};

// One region made whole: what a map shows and prints.
struct TKvsRegion {
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
  TKvsRegionKind kind = TKvsRegionKind::Unread;
  std::int64_t chunk = -1;  // file offset of the chunk's header; -1 for unread bytes
  std::string path;         // e.g. "GLOB/Settings/Tempo", "EVTS/17/TickTime"
  std::string value;        // fields only: the value as text (8-bit, as stored)
};

// A field of a fixed-size record, in the record's own offsets. `count` > 1
// is an array of `count` fields of `size` bytes, named "name/i".
struct TKvsFieldLayout {
  std::uint32_t offset;
  std::uint32_t size;
  TKvsRegionKind kind;
  TKvsValueFormat format;
  const char* name;
  std::uint32_t count = 1;
};

// A fixed-size record: fields that tile it exactly, in order, and the bytes
// of each kind in a whole record (so that counting needs no field walk).
struct TKvsRecordLayout {
  const char* group;  // the path step above the fields, or nullptr
  std::size_t size;
  std::span<const TKvsFieldLayout> fields;
  std::array<std::uint64_t, RegionKindCount> kindBytes;
};

// A region as the loader reports it: no strings are made. Its path is
// chunk label / group / record / name / item, each step only when present
// (group nullptr, record or item -1, name nullptr for the chunk header).
struct TKvsRegionNote {
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
  TKvsRegionKind kind = TKvsRegionKind::Field;
  TKvsValueFormat format = TKvsValueFormat::None;
  std::uint64_t chunk = 0;  // the chunk header's offset
  const char* group = nullptr;
  std::int64_t record = -1;  // index of the record within its chunk
  const char* name = nullptr;
  std::int64_t item = -1;  // index within an array field
};

// The start of a chunk, before its header region.
struct TKvsChunkNote {
  std::uint64_t offset = 0;  // of the header
  std::uint32_t id = 0;
  // The index in the model's list of the chunk's first record (the first
  // event of an EVTS chunk, the module of a module record), else 0.
  std::uint64_t firstRecord = 0;
};

// Each field of a record at `offset` of which `held` bytes are in the file,
// clipped to them, as a note to `each`; a field the file cuts off ends the
// walk. `each` returns false to stop early. The one walk of a record's
// fields, for every sink that needs them one by one.
template <class Each>
void ForEachRecordField(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t chunk,
                        std::int64_t record, std::size_t held, Each&& each) {
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
      note.size = start + field.size <= held ? field.size : held - start;
      note.item = field.count > 1 ? static_cast<std::int64_t>(i) : -1;
      if (!each(note)) return;
    }
  }
}

// Receives the regions of a load, in file order. The loader calls it only
// when one is given; each call covers at least one byte, and what no call
// covers at the end of the file is unread. A sink that has what it wants
// says so by Done: the reading then stops at its next note.
class TKvsRegionSink {
 public:
  // A module record without an end marker (ModuleEnd, KnownModuleEnd).
  static constexpr std::uint64_t NoModuleEnd = UINT64_MAX;

  virtual ~TKvsRegionSink() = default;

  virtual void Chunk(const TKvsChunkNote& chunk) = 0;
  virtual void Region(const TKvsRegionNote& region) = 0;

  // A fixed-size record at `offset` of which `held` bytes are in the file
  // (fewer when the file cuts it short). By default one Region per field,
  // clipped to the held bytes; a sink that only counts adds kindBytes.
  virtual void Record(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t chunk,
                      std::int64_t record, std::size_t held);
  // `count` whole records one after the other from `offset`, numbered from
  // `first`: a walk for the regions alone reports a chunk's events so, and
  // a sink that counts takes them at once. By default one Record each.
  virtual void Records(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t chunk,
                       std::uint64_t first, std::uint64_t count);

  // Where the wanted regions start: a chunk read again may step over the
  // records of a run of equal records that end before it, without a call.
  virtual std::uint64_t From() const { return 0; }
  // Whether the sink has what it wants: the reading ends at its next note,
  // as at the end of the file, and reports nothing more.
  virtual bool Done() const { return false; }

  // Where the end marker of the module record whose header is at `chunk`
  // starts (NoModuleEnd: it has none), once the loader has searched for it.
  virtual void ModuleEnd(std::uint64_t /*chunk*/, std::uint64_t /*markerStart*/) {}
  // The same, known from an earlier walk: a reading again then trusts it
  // and does not search the module's data again.
  virtual std::optional<std::uint64_t> KnownModuleEnd(std::uint64_t /*chunk*/) const { return std::nullopt; }
};

}  // namespace tarvo
