#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
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

// Receives the regions of a load, in file order. The loader calls it only
// when one is given; each call covers at least one byte, and what no call
// covers at the end of the file is unread. A sink may stop a reading by
// throwing; the loader stays consistent (as after a raised error).
class TKvsRegionSink {
 public:
  virtual ~TKvsRegionSink() = default;

  virtual void Chunk(const TKvsChunkNote& chunk) = 0;
  virtual void Region(const TKvsRegionNote& region) = 0;

  // A fixed-size record at `offset` of which `held` bytes are in the file
  // (fewer when the file cuts it short). By default one Region per field,
  // clipped to the held bytes; a sink that only counts adds kindBytes.
  virtual void Record(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t chunk,
                      std::int64_t record, std::size_t held);

  // Where the wanted regions start: a chunk read again may step over the
  // records of a run of equal records that end before it, without a call.
  virtual std::uint64_t From() const { return 0; }
};

}  // namespace tarvo
