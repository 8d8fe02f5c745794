#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Composes song files byte by byte for tests, the demo song and the
// benchmarks. Every structure is written little-endian; sizes, counts and
// stored text lengths are filled in from what is written, and each of them
// can be overridden to make a deliberately bad file. Fields not set are zero.
//
// The builder knows the layouts on its own and shares no code with the
// loader, so a misreading in one cannot hide the same misreading in the
// other.
namespace tarvo::testing {

using Bytes = std::vector<std::uint8_t>;

// The uint32 of a four-character chunk id, first character lowest.
constexpr std::uint32_t FourCC(const char (&id)[5]) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(id[0])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(id[1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(id[2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(id[3])) << 24;
}

namespace ids {
inline constexpr std::uint32_t VFhd = FourCC("VFhd");
inline constexpr std::uint32_t OBJS = FourCC("OBJS");
inline constexpr std::uint32_t EVTS = FourCC("EVTS");
inline constexpr std::uint32_t PATC = FourCC("PATC");
inline constexpr std::uint32_t VUUU = FourCC("VUUU");
inline constexpr std::uint32_t WINP = FourCC("WINP");
inline constexpr std::uint32_t GLOB = FourCC("GLOB");
inline constexpr std::uint32_t CHAN = FourCC("CHAN");
inline constexpr std::uint32_t FXRN = FourCC("FXRN");
inline constexpr std::uint32_t AUIO = FourCC("AUIO");
inline constexpr std::uint32_t EndOfSong = 0xFFFFFFFF;
}  // namespace ids

// Module type ids with a kind of their own, and a plain one of each side.
namespace moduletypes {
inline constexpr std::uint32_t Sampler = 0x1000;  // a built-in generator
inline constexpr std::uint32_t VSTSynth = 0x1003;
inline constexpr std::uint32_t DXSynth = 0x1012;
inline constexpr std::uint32_t FirstFX = 0x1100;  // a built-in effect
inline constexpr std::uint32_t VSTFX = 0x1104;
inline constexpr std::uint32_t DXFX = 0x110D;
}  // namespace moduletypes

enum class ModuleKind { Synth, FX, VSTFX, VSTSynth, DXSynth, DXFX };

// The kind a module record of this type id is read as.
ModuleKind KindOfModule(std::uint32_t typeId);
bool IsGeneratorKind(ModuleKind kind);
bool HasPluginText(ModuleKind kind);
// The info sub-record tag the kind expects (2006 or 2007).
std::uint32_t ExpectedInfoTag(ModuleKind kind);
std::size_t InfoRecordSize(ModuleKind kind);

inline constexpr std::uint32_t ChannelEntryTag = 2004;
inline constexpr std::uint32_t TrackBlockTag = 5;
// "ZMOD", 10 00 00 00, "EndTarvoModule": the 22 bytes the loader searches
// for; two more bytes complete the 24-byte marker.
Bytes ModuleEndMarker();

// A text as its bytes followed by one zero byte; no bytes for an empty text.
Bytes ZeroTerminated(std::string_view text);

// What the builder wrote at a place, in the words of the format's byte
// classes: for the tests of the region map, which must put each field at
// the offset where the builder wrote it.
enum class WrittenAs { Header, Field, Reserved, Skipped, Data };
struct FieldMark {
  std::string name;
  std::uint64_t offset;
  std::uint64_t size;
  WrittenAs as;
};

// Receives the field marks of a record written at `offset`.
using MarkSink = std::function<void(std::string name, std::uint64_t offset, std::uint64_t size, WrittenAs as)>;

// Record bytes of a fixed size with little-endian stores at any offset.
// The named setters of the records below are built on these; tests use the
// plain ones to put odd values where no named setter reaches.
template <class Self>
class Fields {
 public:
  explicit Fields(std::size_t size) : bytes_(size, 0) {}

  Self& PutU8(std::size_t offset, std::uint8_t value) { return PutLE(offset, value, 1); }
  Self& PutU16(std::size_t offset, std::uint16_t value) { return PutLE(offset, value, 2); }
  Self& PutI16(std::size_t offset, std::int16_t value) {
    return PutLE(offset, static_cast<std::uint16_t>(value), 2);
  }
  Self& PutU32(std::size_t offset, std::uint32_t value) { return PutLE(offset, value, 4); }
  Self& PutI32(std::size_t offset, std::int32_t value) {
    return PutLE(offset, static_cast<std::uint32_t>(value), 4);
  }
  Self& PutF32(std::size_t offset, float value);
  Self& PutF64(std::size_t offset, double value);
  // A fixed-width text: cut to width, the rest of the field zeroed.
  Self& PutText(std::size_t offset, std::size_t width, std::string_view text);
  Self& PutBytes(std::size_t offset, const Bytes& bytes);

  const Bytes& bytes() const { return bytes_; }
  std::size_t size() const { return bytes_.size(); }

  // Marks each value a Put wrote (PutBytes excepted: raw bytes are no
  // value) as a field of its width, named `what`+offset, for the record at
  // `offset` of the file; in record order, each place once.
  void MarkWritten(std::uint64_t offset, const std::string& what, const MarkSink& mark) const;

 protected:
  Self& self() { return static_cast<Self&>(*this); }
  Self& PutLE(std::size_t offset, std::uint64_t value, std::size_t width);
  void CheckRange(std::size_t offset, std::size_t width) const;
  void Written(std::size_t offset, std::size_t width);

  Bytes bytes_;
  // Where values were put: offset << 32 | width.
  std::vector<std::uint64_t> written_;
};

// Song and pattern event, 16 bytes.
class EventRecord : public Fields<EventRecord> {
 public:
  EventRecord() : Fields(16) {}
  EventRecord(std::uint16_t moduleIndex, std::uint16_t eventId, std::int32_t tickTime,
              std::int32_t data, std::uint32_t extra = 0);
  EventRecord& ModuleIndex(std::uint16_t v) { return PutU16(0, v); }
  EventRecord& EventId(std::uint16_t v) { return PutU16(2, v); }
  EventRecord& TickTime(std::int32_t v) { return PutI32(4, v); }
  EventRecord& Data(std::int32_t v) { return PutI32(8, v); }
  EventRecord& Extra(std::uint32_t v) { return PutU32(12, v); }
};

// Window state, 20 bytes. Flags: one byte each for INFO_VALID, MINIMIZED,
// RESERVED, FULLRECT, lowest first.
class WindowRecord : public Fields<WindowRecord> {
 public:
  WindowRecord() : Fields(20) {}
  WindowRecord(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
               std::uint32_t flags = 0);
  WindowRecord& Left(std::int32_t v) { return PutI32(0, v); }
  WindowRecord& Top(std::int32_t v) { return PutI32(4, v); }
  WindowRecord& Right(std::int32_t v) { return PutI32(8, v); }
  WindowRecord& Bottom(std::int32_t v) { return PutI32(12, v); }
  WindowRecord& Flags(std::uint32_t v) { return PutU32(16, v); }
};
std::uint32_t WindowFlags(bool infoValid, bool minimized, bool reserved, bool fullRect);

// Send-FX assignment ("VUUU"), 20 bytes.
class SendFxRecord : public Fields<SendFxRecord> {
 public:
  SendFxRecord() : Fields(20) {}
  SendFxRecord& AssignCount(std::uint8_t v) { return PutU8(2, v); }
  SendFxRecord& AssignModule(std::size_t i, std::int16_t v) { return PutI16(4 + 2 * i, v); }
};

// Audio clip record (104 bytes) plus the length-prefixed file name that
// follows it in an "AUIO" entry.
class AudioClipEntry : public Fields<AudioClipEntry> {
 public:
  AudioClipEntry() : Fields(104) {}
  AudioClipEntry(std::string_view clipName, std::string_view fileName);
  AudioClipEntry& ClipName(std::string_view v) { return PutText(40, 20, v); }
  // Stored with a terminating zero.
  AudioClipEntry& FileName(std::string_view v);
  // Stored exactly as given.
  AudioClipEntry& FileNameBytes(Bytes v);
  // The stored name length; by default the number of name bytes written.
  AudioClipEntry& NameLength(std::int32_t v);

  void WriteTo(Bytes& out) const;
  void MarkFields(std::uint64_t offset, const MarkSink& mark) const;

 private:
  Bytes fileName_;
  std::optional<std::int32_t> nameLength_;
};

// A "CHAN"/"FXRN" entry: tag, length, the 68-byte channel record, a second
// tag, the extra length and the extra bytes. An entry whose tag is not 2004
// is written as its 8-byte header alone, as the format has it.
class ChannelEntry : public Fields<ChannelEntry> {
 public:
  ChannelEntry() : Fields(68) {}
  explicit ChannelEntry(std::string_view name) : Fields(68) { Name(name); }
  // An entry with another tag: just tag and length.
  static ChannelEntry BadTag(std::uint32_t tag, std::uint32_t length = 0);

  ChannelEntry& Name(std::string_view v) { return PutText(0, 24, v); }
  ChannelEntry& Insert1(std::int32_t v) { return PutI32(24, v); }
  ChannelEntry& Insert2(std::int32_t v) { return PutI32(28, v); }
  ChannelEntry& Flags(std::uint32_t v) { return PutU32(36, v); }
  ChannelEntry& Stereo(std::int32_t v) { return PutI32(40, v); }
  ChannelEntry& Insert3(std::int32_t v) { return PutI32(56, v); }
  ChannelEntry& Insert4(std::int32_t v) { return PutI32(60, v); }
  ChannelEntry& OwnerModule(std::int16_t v) { return PutI16(64, v); }

  ChannelEntry& Tag(std::uint32_t v) { tag_ = v; return *this; }
  // The unused length field; by default the bytes after the header.
  ChannelEntry& Length(std::uint32_t v) { length_ = v; return *this; }
  ChannelEntry& SecondTag(std::uint32_t v) { secondTag_ = v; return *this; }
  ChannelEntry& Extra(Bytes v) { extra_ = std::move(v); return *this; }
  // The stored extra length; by default the number of extra bytes.
  ChannelEntry& ExtraLength(std::int32_t v) { extraLength_ = v; return *this; }

  void WriteTo(Bytes& out) const;
  std::size_t WrittenSize() const;
  void MarkFields(std::uint64_t offset, const MarkSink& mark) const;

 private:
  std::uint32_t tag_ = ChannelEntryTag;
  std::optional<std::uint32_t> length_;
  std::uint32_t secondTag_ = ChannelEntryTag;
  Bytes extra_;
  std::optional<std::int32_t> extraLength_;
};

// The "GLOB" payload: the 1264-byte settings block (named setters below),
// 8 discarded bytes, the 16-byte song info header and the two texts.
class GlobChunk : public Fields<GlobChunk> {
 public:
  static constexpr std::size_t SettingsSize = 1264;
  GlobChunk() : Fields(SettingsSize) {}

  GlobChunk& SongFlags(std::uint32_t v) { return PutU32(0, v); }
  GlobChunk& PlSnap(std::uint8_t v) { return PutU8(4, v); }
  GlobChunk& PlHilite(std::uint8_t v) { return PutU8(5, v); }
  GlobChunk& PlSnapToGrid(std::uint8_t v) { return PutU8(6, v); }
  GlobChunk& PlZoomX(std::uint8_t v) { return PutU8(7, v); }
  GlobChunk& PlZoomY(std::uint8_t v) { return PutU8(8, v); }
  GlobChunk& PlFlags(std::uint8_t v) { return PutU8(9, v); }
  GlobChunk& PlPosX(std::uint8_t v) { return PutU8(10, v); }
  GlobChunk& PlPosY(std::uint8_t v) { return PutU8(11, v); }
  GlobChunk& Tempo(float v) { return PutF32(12, v); }
  GlobChunk& Ppq(std::uint32_t v) { return PutU32(16, v); }
  GlobChunk& LoopStart(std::int32_t v) { return PutI32(20, v); }
  GlobChunk& LoopEnd(std::int32_t v) { return PutI32(24, v); }
  GlobChunk& MasterVolume(std::int32_t v) { return PutI32(28, v); }
  GlobChunk& PlaylistWindowPos(const WindowRecord& v) { return PutBytes(36, v.bytes()); }
  GlobChunk& ClipMode(std::int32_t v) { return PutI32(56, v); }
  GlobChunk& MasterWindowPos(const WindowRecord& v) { return PutBytes(60, v.bytes()); }
  GlobChunk& SongLength(std::int32_t v) { return PutI32(80, v); }
  GlobChunk& TuningTableNumber(std::int32_t v) { return PutI32(84, v); }
  GlobChunk& RootKey(std::int32_t v) { return PutI32(88, v); }
  GlobChunk& Tuning(std::size_t i, double v) { return PutF64(96 + 8 * i, v); }
  GlobChunk& TuningTableName(std::string_view v) { return PutText(1120, 128, v); }
  GlobChunk& TuningInUse(std::int32_t v) { return PutI32(1248, v); }
  GlobChunk& Signature(std::int32_t v) { return PutI32(1256, v); }

  GlobChunk& Discarded(const std::array<std::uint8_t, 8>& v) { discarded_ = v; return *this; }
  GlobChunk& ShowSongInfo(std::uint32_t v) { showSongInfo_ = v; return *this; }
  GlobChunk& HeaderTail(std::uint32_t v) { headerTail_ = v; return *this; }
  // Stored with a terminating zero (none for an empty text).
  GlobChunk& SongInfo(std::string_view v) { songInfo_ = ZeroTerminated(v); return *this; }
  GlobChunk& SongInfoBytes(Bytes v) { songInfo_ = std::move(v); return *this; }
  // The stored lengths; by default the number of text bytes written.
  GlobChunk& SongInfoLength(std::int32_t v) { songInfoLength_ = v; return *this; }
  GlobChunk& SongInfoUrl(std::string_view v) { songInfoUrl_ = ZeroTerminated(v); return *this; }
  GlobChunk& SongInfoUrlBytes(Bytes v) { songInfoUrl_ = std::move(v); return *this; }
  GlobChunk& SongInfoUrlLength(std::int32_t v) { songInfoUrlLength_ = v; return *this; }

  // The whole payload as it goes into the chunk.
  Bytes Payload() const;

 private:
  std::array<std::uint8_t, 8> discarded_{};
  std::uint32_t showSongInfo_ = 0;
  std::uint32_t headerTail_ = 0;
  Bytes songInfo_;
  Bytes songInfoUrl_;
  std::optional<std::int32_t> songInfoLength_;
  std::optional<std::int32_t> songInfoUrlLength_;
};

// Playlist track, 64 bytes.
class TrackRecord : public Fields<TrackRecord> {
 public:
  TrackRecord() : Fields(64) {}
  explicit TrackRecord(std::string_view name) : Fields(64) { Name(name); }
  TrackRecord& Name(std::string_view v) { return PutText(0, 30, v); }
};

// Fills out[0..n) with the module data bytes at data offset `offset`.
using DataGenerator = std::function<void(std::uint64_t offset, std::uint8_t* out, std::size_t n)>;

// A module record: header (type id, skip length), skip bytes, info
// sub-record (tag, length, the kind's info record, plug-in text), optional
// track block, module data and the 24-byte end marker.
class ModuleRecord : public Fields<ModuleRecord> {
 public:
  explicit ModuleRecord(std::uint32_t typeId);
  ModuleRecord(std::uint32_t typeId, std::string_view name);

  std::uint32_t typeId() const { return typeId_; }
  ModuleKind kind() const { return kind_; }

  // Info record fields; each throws when the kind has no such field.
  ModuleRecord& InfoName(std::string_view v) { return PutText(4, 40, v); }
  ModuleRecord& Chans(std::int32_t v);  // uint8 at 174 for a Synth, int32 at 44 otherwise
  ModuleRecord& Program(std::int32_t v);
  // The stored plug-in text length; by default the plug-in bytes written.
  ModuleRecord& PluginTextLength(std::int32_t v);
  ModuleRecord& ExpandedTracks(std::int32_t v);
  ModuleRecord& AudioChanPins(std::int32_t v);
  ModuleRecord& PinStereo(std::size_t pin, std::uint8_t v);
  ModuleRecord& ClassId(const std::array<std::uint8_t, 16>& guid);
  ModuleRecord& ClassId(std::uint32_t data1, std::uint16_t data2, std::uint16_t data3,
                        const std::array<std::uint8_t, 8>& data4);

  // Stored with a terminating zero; written after the info record.
  ModuleRecord& PluginText(std::string_view v);
  ModuleRecord& PluginTextBytes(Bytes v);

  // The bytes skipped before the info sub-record, and the stored skip
  // length (default: their number).
  ModuleRecord& Skip(Bytes v) { skip_ = std::move(v); return *this; }
  ModuleRecord& SkipLength(std::int32_t v) { skipLength_ = v; return *this; }
  // Sub-record tag (default: the kind's) and its unused length field
  // (default: the bytes of info record and plug-in text).
  ModuleRecord& InfoTag(std::uint32_t v) { infoTag_ = v; return *this; }
  ModuleRecord& InfoLength(std::uint32_t v) { infoLength_ = v; return *this; }
  // Whether the info record follows the sub-record header; by default only
  // when the tag is the kind's expected one, as a writer would do it.
  ModuleRecord& InfoRecordPresent(bool v) { infoPresent_ = v; return *this; }

  // Track block: present once a track is added or when forced.
  ModuleRecord& Track(std::string_view name) { return Track(TrackRecord(name)); }
  ModuleRecord& Track(const TrackRecord& track);
  ModuleRecord& Tracks(const std::vector<std::string>& names);
  ModuleRecord& TrackBlock(bool present) { trackBlock_ = present; return *this; }
  ModuleRecord& TrackBlockTag(std::uint32_t v) { trackTag_ = v; return *this; }
  // The stored byte length L; by default 64 per track.
  ModuleRecord& TrackBlockLength(std::int32_t v) { trackLength_ = v; return *this; }

  // Module data: bytes, a fill, or a generator; one of them.
  ModuleRecord& Data(Bytes v);
  ModuleRecord& DataFill(std::uint64_t n, std::uint8_t fill);
  ModuleRecord& DataGenerated(std::uint64_t n, DataGenerator generator);

  ModuleRecord& EndMarker(bool present) { endMarker_ = present; return *this; }
  ModuleRecord& MarkerTail(std::uint8_t a, std::uint8_t b) { markerTail_ = {a, b}; return *this; }

  // Everything before the module data.
  Bytes Head() const;
  // The module data: bytes, or else a fill or generator of DataSize bytes.
  std::uint64_t DataSize() const { return dataSize_; }
  const Bytes& DataBytes() const { return data_; }
  bool DataIsBytes() const { return dataSource_ == DataSource::Bytes; }
  // Writes n data bytes starting at data offset `offset`, for a fill or
  // generator.
  void GenerateData(std::uint64_t offset, std::uint8_t* out, std::size_t n) const;
  // The 24-byte end marker, or nothing when it is omitted.
  Bytes Tail() const;
  // The marks of a record written at `offset`.
  void MarkFields(std::uint64_t offset, const MarkSink& mark) const;

 private:
  std::int32_t StoredPluginTextLength() const;
  void Require(bool hasField, const char* field) const;

  std::uint32_t typeId_;
  ModuleKind kind_;
  Bytes skip_;
  std::optional<std::int32_t> skipLength_;
  std::uint32_t infoTag_;
  std::optional<std::uint32_t> infoLength_;
  std::optional<bool> infoPresent_;
  Bytes pluginText_;
  std::optional<std::int32_t> pluginTextLength_;
  std::vector<TrackRecord> tracks_;
  std::optional<bool> trackBlock_;
  std::uint32_t trackTag_ = tarvo::testing::TrackBlockTag;
  std::optional<std::int32_t> trackLength_;
  enum class DataSource { Bytes, Fill, Generator } dataSource_ = DataSource::Bytes;
  Bytes data_;
  std::uint64_t dataSize_ = 0;
  std::uint8_t fill_ = 0;
  DataGenerator generator_;
  bool endMarker_ = true;
  std::array<std::uint8_t, 2> markerTail_{};
};

// Where one chunk lies in the built file. `dataOffset`/`dataSize` are the
// payload for plain chunks and the module data for module records.
struct ChunkMark {
  std::uint32_t id;
  std::uint64_t offset;
  std::uint64_t end;
  std::uint64_t dataOffset;
  std::uint64_t dataSize;
};

// The song: chunks appended in file order. Big module data stays a fill or
// a generator until the bytes are written out, so a 1 GiB song never exists
// as intermediate copies.
class SongBuilder {
 public:
  // "VFhd" with its 4-byte version; the size field says 4 unless given.
  SongBuilder& Version(std::int32_t version, std::optional<std::int32_t> sizeField = {});
  // "OBJS" with the stated module count.
  SongBuilder& Objects(std::int32_t statedCount, std::optional<std::int32_t> sizeField = {});
  // "EVTS"/"PATC"; the size field says 16 per record unless given.
  SongBuilder& Events(const std::vector<EventRecord>& records,
                      std::optional<std::int32_t> sizeField = {});
  SongBuilder& Patterns(const std::vector<EventRecord>& records,
                        std::optional<std::int32_t> sizeField = {});
  // "VUUU"; the size field says 20 unless given.
  SongBuilder& SendFx(const SendFxRecord& record, std::optional<std::int32_t> sizeField = {});
  // "WINP": count, records; the count says the records written and the
  // size field the payload bytes, unless given.
  SongBuilder& Windows(const std::vector<WindowRecord>& records,
                       std::optional<std::int32_t> count = {},
                       std::optional<std::int32_t> sizeField = {});
  SongBuilder& Glob(const GlobChunk& glob, std::optional<std::int32_t> sizeField = {});
  // "CHAN"/"FXRN"/"AUIO"; the size field is the entry count unless given.
  SongBuilder& Channels(const std::vector<ChannelEntry>& entries,
                        std::optional<std::int32_t> count = {});
  SongBuilder& ReturnChannels(const std::vector<ChannelEntry>& entries,
                              std::optional<std::int32_t> count = {});
  SongBuilder& AudioClips(const std::vector<AudioClipEntry>& entries,
                          std::optional<std::int32_t> count = {});
  SongBuilder& Module(const ModuleRecord& module);
  // Any chunk: header and payload; the size field says the payload size
  // unless given.
  SongBuilder& Chunk(std::uint32_t id, const Bytes& payload,
                     std::optional<std::int32_t> sizeField = {});
  SongBuilder& Chunk(std::uint32_t id, std::string_view payload,
                     std::optional<std::int32_t> sizeField = {});
  SongBuilder& EndOfSong(std::int32_t sizeField = 0);

  // Bytes with no structure, anywhere.
  SongBuilder& Raw(const Bytes& bytes);
  SongBuilder& Raw(std::string_view bytes);
  SongBuilder& RawU32(std::uint32_t v);
  SongBuilder& RawI32(std::int32_t v);
  SongBuilder& Header(std::uint32_t id, std::int32_t sizeField);
  SongBuilder& Fill(std::uint64_t n, std::uint8_t fill);

  // From now on, note where a few fields of each record are written (off by
  // default: a benchmark song has millions of records).
  SongBuilder& LogFields(bool on = true) { logFields_ = on; return *this; }
  const std::vector<FieldMark>& FieldMarks() const { return fieldMarks_; }

  std::uint64_t Size() const { return size_; }
  const std::vector<ChunkMark>& Marks() const { return marks_; }
  // The mark of the n-th chunk with this id.
  const ChunkMark& Mark(std::uint32_t id, std::size_t n = 0) const;

  Bytes Build() const;
  void WriteTo(std::ostream& out) const;
  void WriteToFile(const std::filesystem::path& path) const;

 private:
  // A run of bytes, a run of one fill byte, or generated bytes.
  struct Piece {
    Bytes bytes;
    std::uint64_t size = 0;  // for a fill or generator
    std::uint8_t fill = 0;
    DataGenerator generator;
  };
  void AppendBytes(const Bytes& bytes);
  void AppendPiece(Piece piece);
  SongBuilder& SizedChunk(std::uint32_t id, const Bytes& payload, std::int32_t sizeField);
  static std::uint64_t PieceSize(const Piece& piece);
  using BlockSink = std::function<void(const std::uint8_t* data, std::size_t n)>;
  void WriteBlocks(const BlockSink& sink) const;

  std::vector<Piece> pieces_;
  void Note(std::string name, std::uint64_t offset, std::uint64_t size, WrittenAs as);
  MarkSink Marker();

  std::vector<ChunkMark> marks_;
  std::uint64_t size_ = 0;
  bool logFields_ = false;
  std::vector<FieldMark> fieldMarks_;
};

// A song with a version chunk (0x6105) and the end-of-song id.
SongBuilder MinimalSong();

// A song with every chunk kind and one module of each of the six kinds, in
// this order: VFhd 0x6105; OBJS 6; GLOB (tempo 140, PPQ 384, song info
// "Every chunk" / "http://example.org/"); CHAN with two entries ("Master",
// "Drums" with 4 extra bytes); FXRN with one ("Reverb Return"); AUIO with
// two clips ("Kick" kick.wav, "Snare" snare.wav); modules Sampler "Piano"
// (1 track "Piano", data "abc"), FX 0x1101 "Delay" (data empty),
// VSTSynth "Strings" (plug-in "Orchestra", ExpandedTracks 1, tracks "Violin"
// and "Cello", 16 data bytes), VSTFX "Chorus" (plug-in "ChorusPlug"),
// DXSynth "Organ" (GUID 01234567-89AB-CDEF-0123-456789ABCDEF, no track
// block, data 1..5), DXFX "Flanger" (GUID FEDCBA98-7654-3210-FEDC-BA9876543210);
// EVTS with 3 events; PATC with 2; VUUU with AssignCount 2; WINP with 2
// windows; an unknown "XTRA" chunk of 5 bytes; the end-of-song id.
SongBuilder EveryChunkSong(bool logFields = false);

// A file in the temp folder holding the given bytes, removed when this
// object goes.
class TempSongFile {
 public:
  explicit TempSongFile(const Bytes& bytes);
  explicit TempSongFile(const SongBuilder& song);
  ~TempSongFile();
  TempSongFile(const TempSongFile&) = delete;
  TempSongFile& operator=(const TempSongFile&) = delete;

  const std::string& Path() const { return path_; }

 private:
  static std::string MakeUniquePath();
  std::string path_;
};

}  // namespace tarvo::testing
