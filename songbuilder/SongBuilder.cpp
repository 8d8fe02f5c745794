#include "songbuilder/SongBuilder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <system_error>

#include <unistd.h>

namespace tarvo::testing {

namespace {

// Big fills and generated data go out in blocks of this size.
constexpr std::size_t WriteBlock = std::size_t{1} << 20;

void AppendU32(Bytes& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}
void AppendI32(Bytes& out, std::int32_t value) { AppendU32(out, static_cast<std::uint32_t>(value)); }
void Append(Bytes& out, const Bytes& bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); }

std::int32_t StoredSize(std::size_t n) { return static_cast<std::int32_t>(n); }

}  // namespace

ModuleKind KindOfModule(std::uint32_t typeId) {
  switch (typeId) {
    case moduletypes::VSTSynth: return ModuleKind::VSTSynth;
    case moduletypes::DXSynth: return ModuleKind::DXSynth;
    case moduletypes::VSTFX: return ModuleKind::VSTFX;
    case moduletypes::DXFX: return ModuleKind::DXFX;
    default: return typeId < 0x1100 ? ModuleKind::Synth : ModuleKind::FX;
  }
}

bool IsGeneratorKind(ModuleKind kind) {
  return kind == ModuleKind::Synth || kind == ModuleKind::VSTSynth || kind == ModuleKind::DXSynth;
}

bool HasPluginText(ModuleKind kind) { return kind == ModuleKind::VSTSynth || kind == ModuleKind::VSTFX; }

std::uint32_t ExpectedInfoTag(ModuleKind kind) {
  return kind == ModuleKind::Synth || kind == ModuleKind::VSTSynth ? 2006 : 2007;
}

std::size_t InfoRecordSize(ModuleKind kind) {
  switch (kind) {
    case ModuleKind::Synth: return 212;
    case ModuleKind::VSTSynth: return 204;
    case ModuleKind::VSTFX: return 68;
    case ModuleKind::FX:
    case ModuleKind::DXSynth:
    case ModuleKind::DXFX: return 72;
  }
  return 0;
}

Bytes ModuleEndMarker() {
  Bytes marker{'Z', 'M', 'O', 'D', 0x10, 0, 0, 0};
  for (char c : std::string_view("EndTarvoModule")) marker.push_back(static_cast<std::uint8_t>(c));
  return marker;
}

Bytes ZeroTerminated(std::string_view text) {
  if (text.empty()) return {};
  Bytes bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

// Fields

template <class Self>
void Fields<Self>::CheckRange(std::size_t offset, std::size_t width) const {
  // Builder misuse, not bad input: say so loudly.
  if (offset > bytes_.size() || width > bytes_.size() - offset)
    throw std::out_of_range("record field outside the record");
}

template <class Self>
void Fields<Self>::Written(std::size_t offset, std::size_t width) {
  written_.push_back(std::uint64_t{offset} << 32 | width);
}

template <class Self>
void Fields<Self>::MarkWritten(std::uint64_t offset, const std::string& what, const MarkSink& mark) const {
  std::vector<std::uint64_t> places = written_;
  std::sort(places.begin(), places.end());
  places.erase(std::unique(places.begin(), places.end()), places.end());
  for (const std::uint64_t place : places)
    mark(what + "+" + std::to_string(place >> 32), offset + (place >> 32), place & 0xFFFFFFFF, WrittenAs::Field);
}

template <class Self>
Self& Fields<Self>::PutLE(std::size_t offset, std::uint64_t value, std::size_t width) {
  CheckRange(offset, width);
  Written(offset, width);
  for (std::size_t i = 0; i < width; ++i) bytes_[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
  return self();
}

template <class Self>
Self& Fields<Self>::PutF32(std::size_t offset, float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return PutLE(offset, bits, 4);
}

template <class Self>
Self& Fields<Self>::PutF64(std::size_t offset, double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return PutLE(offset, bits, 8);
}

template <class Self>
Self& Fields<Self>::PutText(std::size_t offset, std::size_t width, std::string_view text) {
  CheckRange(offset, width);
  Written(offset, width);
  const std::size_t n = std::min(width, text.size());
  std::fill_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), width, std::uint8_t{0});
  std::memcpy(bytes_.data() + offset, text.data(), n);
  return self();
}

template <class Self>
Self& Fields<Self>::PutBytes(std::size_t offset, const Bytes& bytes) {
  CheckRange(offset, bytes.size());
  std::copy(bytes.begin(), bytes.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
  return self();
}

template class Fields<EventRecord>;
template class Fields<WindowRecord>;
template class Fields<SendFxRecord>;
template class Fields<AudioClipEntry>;
template class Fields<ChannelEntry>;
template class Fields<GlobChunk>;
template class Fields<TrackRecord>;
template class Fields<ModuleRecord>;

// Records

EventRecord::EventRecord(std::uint16_t moduleIndex, std::uint16_t eventId, std::int32_t tickTime,
                         std::int32_t data, std::uint32_t extra)
    : Fields(16) {
  ModuleIndex(moduleIndex).EventId(eventId).TickTime(tickTime).Data(data).Extra(extra);
}

WindowRecord::WindowRecord(std::int32_t left, std::int32_t top, std::int32_t right,
                           std::int32_t bottom, std::uint32_t flags)
    : Fields(20) {
  Left(left).Top(top).Right(right).Bottom(bottom).Flags(flags);
}

std::uint32_t WindowFlags(bool infoValid, bool minimized, bool reserved, bool fullRect) {
  return (infoValid ? 0x00000001u : 0) | (minimized ? 0x00000100u : 0) |
         (reserved ? 0x00010000u : 0) | (fullRect ? 0x01000000u : 0);
}

AudioClipEntry::AudioClipEntry(std::string_view clipName, std::string_view fileName) : Fields(104) {
  ClipName(clipName).FileName(fileName);
}

AudioClipEntry& AudioClipEntry::FileName(std::string_view v) {
  fileName_ = ZeroTerminated(v);
  return *this;
}

AudioClipEntry& AudioClipEntry::FileNameBytes(Bytes v) {
  fileName_ = std::move(v);
  return *this;
}

AudioClipEntry& AudioClipEntry::NameLength(std::int32_t v) {
  nameLength_ = v;
  return *this;
}

// record[104], i32 name length, name bytes
void AudioClipEntry::MarkFields(std::uint64_t offset, const MarkSink& mark) const {
  MarkWritten(offset, "clip", mark);
  mark("clip reserved", offset + 60, 44, WrittenAs::Reserved);
  mark("clip name length", offset + 104, 4, WrittenAs::Field);
  if (!nameLength_) mark("clip file name", offset + 108, fileName_.size(), WrittenAs::Field);
}

void AudioClipEntry::WriteTo(Bytes& out) const {
  Append(out, bytes_);
  AppendI32(out, nameLength_.value_or(StoredSize(fileName_.size())));
  Append(out, fileName_);
}

ChannelEntry ChannelEntry::BadTag(std::uint32_t tag, std::uint32_t length) {
  ChannelEntry entry;
  entry.tag_ = tag;
  entry.length_ = length;
  return entry;
}

// u32 tag, u32 length; with tag 2004: record[68], u32 tag, i32 extra length,
// extra bytes
void ChannelEntry::MarkFields(std::uint64_t offset, const MarkSink& mark) const {
  mark("channel tag", offset, 4, WrittenAs::Field);
  mark("channel length", offset + 4, 4, WrittenAs::Reserved);
  if (tag_ != ChannelEntryTag) return;
  MarkWritten(offset + 8, "channel", mark);
  mark("channel extra length", offset + 8 + 68 + 4, 4, WrittenAs::Field);
  if (!extraLength_) mark("channel extra", offset + 8 + 68 + 8, extra_.size(), WrittenAs::Skipped);
}

void ChannelEntry::WriteTo(Bytes& out) const {
  const bool valid = tag_ == ChannelEntryTag;
  AppendU32(out, tag_);
  AppendU32(out, length_.value_or(valid ? static_cast<std::uint32_t>(WrittenSize() - 8) : 0));
  if (!valid) return;
  Append(out, bytes_);
  AppendU32(out, secondTag_);
  AppendI32(out, extraLength_.value_or(StoredSize(extra_.size())));
  Append(out, extra_);
}

std::size_t ChannelEntry::WrittenSize() const {
  return tag_ == ChannelEntryTag ? 8 + bytes_.size() + 8 + extra_.size() : 8;
}

// settings[1264], 8 discarded, header: u32 ShowSongInfo, i32 SongInfoLength,
// i32 SongInfoUrlLength, u32 not interpreted; then the two texts
Bytes GlobChunk::Payload() const {
  Bytes out = bytes_;
  out.insert(out.end(), discarded_.begin(), discarded_.end());
  AppendU32(out, showSongInfo_);
  AppendI32(out, songInfoLength_.value_or(StoredSize(songInfo_.size())));
  AppendI32(out, songInfoUrlLength_.value_or(StoredSize(songInfoUrl_.size())));
  AppendU32(out, headerTail_);
  Append(out, songInfo_);
  Append(out, songInfoUrl_);
  return out;
}

// Module record

ModuleRecord::ModuleRecord(std::uint32_t typeId)
    : Fields(InfoRecordSize(KindOfModule(typeId))),
      typeId_(typeId),
      kind_(KindOfModule(typeId)),
      infoTag_(ExpectedInfoTag(kind_)) {}

ModuleRecord::ModuleRecord(std::uint32_t typeId, std::string_view name) : ModuleRecord(typeId) {
  InfoName(name);
}

void ModuleRecord::Require(bool hasField, const char* field) const {
  if (!hasField) throw std::logic_error(std::string("this module kind has no field ") + field);
}

ModuleRecord& ModuleRecord::Chans(std::int32_t v) {
  Require(kind_ != ModuleKind::VSTSynth, "Chans");
  if (kind_ == ModuleKind::Synth) return PutU8(174, static_cast<std::uint8_t>(v));
  return PutI32(44, v);
}

ModuleRecord& ModuleRecord::Program(std::int32_t v) {
  Require(HasPluginText(kind_), "Program");
  return PutI32(kind_ == ModuleKind::VSTFX ? 52 : 60, v);
}

ModuleRecord& ModuleRecord::PluginTextLength(std::int32_t v) {
  Require(HasPluginText(kind_), "PluginTextLength");
  pluginTextLength_ = v;
  return *this;
}

ModuleRecord& ModuleRecord::ExpandedTracks(std::int32_t v) {
  Require(kind_ == ModuleKind::VSTSynth, "ExpandedTracks");
  return PutI32(68, v);
}

ModuleRecord& ModuleRecord::AudioChanPins(std::int32_t v) {
  Require(kind_ == ModuleKind::VSTSynth, "AudioChanPins");
  return PutI32(72, v);
}

ModuleRecord& ModuleRecord::PinStereo(std::size_t pin, std::uint8_t v) {
  Require(kind_ == ModuleKind::VSTSynth && pin < 128, "PinStereo");
  return PutU8(76 + pin, v);
}

ModuleRecord& ModuleRecord::ClassId(const std::array<std::uint8_t, 16>& guid) {
  Require(kind_ == ModuleKind::DXSynth || kind_ == ModuleKind::DXFX, "ClassId");
  Written(56, 16);
  return PutBytes(56, Bytes(guid.begin(), guid.end()));
}

ModuleRecord& ModuleRecord::ClassId(std::uint32_t data1, std::uint16_t data2, std::uint16_t data3,
                                    const std::array<std::uint8_t, 8>& data4) {
  std::array<std::uint8_t, 16> guid{};
  for (int i = 0; i < 4; ++i) guid[i] = static_cast<std::uint8_t>(data1 >> (8 * i));
  for (int i = 0; i < 2; ++i) guid[4 + i] = static_cast<std::uint8_t>(data2 >> (8 * i));
  for (int i = 0; i < 2; ++i) guid[6 + i] = static_cast<std::uint8_t>(data3 >> (8 * i));
  std::copy(data4.begin(), data4.end(), guid.begin() + 8);
  return ClassId(guid);
}

ModuleRecord& ModuleRecord::PluginText(std::string_view v) {
  pluginText_ = ZeroTerminated(v);
  return *this;
}

ModuleRecord& ModuleRecord::PluginTextBytes(Bytes v) {
  pluginText_ = std::move(v);
  return *this;
}

ModuleRecord& ModuleRecord::Track(const TrackRecord& track) {
  tracks_.push_back(track);
  return *this;
}

ModuleRecord& ModuleRecord::Tracks(const std::vector<std::string>& names) {
  for (const auto& name : names) Track(name);
  return *this;
}

ModuleRecord& ModuleRecord::Data(Bytes v) {
  dataSource_ = DataSource::Bytes;
  dataSize_ = v.size();
  data_ = std::move(v);
  return *this;
}

ModuleRecord& ModuleRecord::DataFill(std::uint64_t n, std::uint8_t fill) {
  dataSource_ = DataSource::Fill;
  data_.clear();
  dataSize_ = n;
  fill_ = fill;
  return *this;
}

ModuleRecord& ModuleRecord::DataGenerated(std::uint64_t n, DataGenerator generator) {
  dataSource_ = DataSource::Generator;
  data_.clear();
  dataSize_ = n;
  generator_ = std::move(generator);
  return *this;
}

std::int32_t ModuleRecord::StoredPluginTextLength() const {
  return pluginTextLength_.value_or(StoredSize(pluginText_.size()));
}

// u32 type id, i32 skip length, skip bytes; u32 tag, u32 length, info
// record, plug-in text; [u32 5, i32 L, tracks]
void ModuleRecord::MarkFields(std::uint64_t offset, const MarkSink& mark) const {
  mark("module header", offset, 8, WrittenAs::Header);
  if (!skipLength_) mark("module skip", offset + 8, skip_.size(), WrittenAs::Skipped);
  std::uint64_t at = offset + 8 + skip_.size();
  mark("module info tag", at, 4, WrittenAs::Field);
  mark("module info length", at + 4, 4, WrittenAs::Reserved);
  at += 8;
  const bool infoPresent = infoPresent_.value_or(infoTag_ == ExpectedInfoTag(kind_));
  if (infoTag_ != ExpectedInfoTag(kind_) || !infoPresent) return;  // the reading takes another course
  MarkWritten(at, "module info", mark);
  at += bytes_.size();
  if (HasPluginText(kind_) && !pluginTextLength_) mark("module plug-in text", at, pluginText_.size(), WrittenAs::Field);
  at += pluginText_.size();
  if (trackBlock_.value_or(!tracks_.empty()) && trackTag_ == tarvo::testing::TrackBlockTag && IsGeneratorKind(kind_)) {
    mark("module track tag", at, 4, WrittenAs::Field);
    mark("module track length", at + 4, 4, WrittenAs::Field);
    if (!trackLength_)
      for (std::size_t i = 0; i < tracks_.size(); ++i) tracks_[i].MarkWritten(at + 8 + 64 * i, "track", mark);
    at += 8 + 64 * tracks_.size();
  }
  if (endMarker_) {
    mark("module data", at, dataSize_, WrittenAs::Data);
    mark("module end marker", at + dataSize_, 24, WrittenAs::Header);
  }
}

Bytes ModuleRecord::Head() const {
  Bytes out;
  AppendU32(out, typeId_);
  AppendI32(out, skipLength_.value_or(StoredSize(skip_.size())));
  Append(out, skip_);

  const bool infoPresent = infoPresent_.value_or(infoTag_ == ExpectedInfoTag(kind_));
  AppendU32(out, infoTag_);
  AppendU32(out, infoLength_.value_or(
                  infoPresent ? static_cast<std::uint32_t>(bytes_.size() + pluginText_.size()) : 0));
  if (infoPresent) {
    Bytes info = bytes_;
    if (HasPluginText(kind_)) {
      const std::size_t at = kind_ == ModuleKind::VSTFX ? 56 : 64;
      const auto length = static_cast<std::uint32_t>(StoredPluginTextLength());
      for (std::size_t i = 0; i < 4; ++i) info[at + i] = static_cast<std::uint8_t>(length >> (8 * i));
    }
    Append(out, info);
    Append(out, pluginText_);
  }

  if (trackBlock_.value_or(!tracks_.empty())) {
    AppendU32(out, trackTag_);
    AppendI32(out, trackLength_.value_or(StoredSize(64 * tracks_.size())));
    for (const auto& track : tracks_) Append(out, track.bytes());
  }
  return out;
}

void ModuleRecord::GenerateData(std::uint64_t offset, std::uint8_t* out, std::size_t n) const {
  switch (dataSource_) {
    case DataSource::Bytes:
      std::memcpy(out, data_.data() + offset, n);
      break;
    case DataSource::Fill:
      std::memset(out, fill_, n);
      break;
    case DataSource::Generator:
      generator_(offset, out, n);
      break;
  }
}

Bytes ModuleRecord::Tail() const {
  if (!endMarker_) return {};
  Bytes tail = ModuleEndMarker();
  tail.insert(tail.end(), markerTail_.begin(), markerTail_.end());
  return tail;
}

// Song

void SongBuilder::AppendBytes(const Bytes& bytes) {
  if (pieces_.empty() || pieces_.back().size != 0) pieces_.emplace_back();
  Append(pieces_.back().bytes, bytes);
  size_ += bytes.size();
}

void SongBuilder::AppendPiece(Piece piece) {
  size_ += PieceSize(piece);
  pieces_.push_back(std::move(piece));
}

std::uint64_t SongBuilder::PieceSize(const Piece& piece) {
  return piece.size != 0 ? piece.size : piece.bytes.size();
}

void SongBuilder::Note(std::string name, std::uint64_t offset, std::uint64_t size, WrittenAs as) {
  if (logFields_ && size > 0) fieldMarks_.push_back({std::move(name), offset, size, as});
}

MarkSink SongBuilder::Marker() {
  return [this](std::string name, std::uint64_t offset, std::uint64_t size, WrittenAs as) {
    Note(std::move(name), offset, size, as);
  };
}

SongBuilder& SongBuilder::SizedChunk(std::uint32_t id, const Bytes& payload, std::int32_t sizeField) {
  Note("chunk header", size_, 8, WrittenAs::Header);
  Bytes head;
  AppendU32(head, id);
  AppendI32(head, sizeField);
  const std::uint64_t offset = size_;
  AppendBytes(head);
  AppendBytes(payload);
  marks_.push_back({id, offset, size_, offset + 8, payload.size()});
  return *this;
}

SongBuilder& SongBuilder::Version(std::int32_t version, std::optional<std::int32_t> sizeField) {
  Bytes payload;
  AppendI32(payload, version);
  Note("version", size_ + 8, 4, WrittenAs::Field);
  return SizedChunk(ids::VFhd, payload, sizeField.value_or(4));
}

SongBuilder& SongBuilder::Objects(std::int32_t statedCount, std::optional<std::int32_t> sizeField) {
  Bytes payload;
  AppendI32(payload, statedCount);
  Note("module count", size_ + 8, 4, WrittenAs::Field);
  return SizedChunk(ids::OBJS, payload, sizeField.value_or(4));
}

SongBuilder& SongBuilder::Events(const std::vector<EventRecord>& records,
                                 std::optional<std::int32_t> sizeField) {
  Bytes payload;
  for (const auto& record : records) Append(payload, record.bytes());
  if (logFields_)
    for (std::size_t i = 0; i < records.size(); ++i) records[i].MarkWritten(size_ + 8 + 16 * i, "event", Marker());
  return SizedChunk(ids::EVTS, payload, sizeField.value_or(StoredSize(payload.size())));
}

SongBuilder& SongBuilder::Patterns(const std::vector<EventRecord>& records,
                                   std::optional<std::int32_t> sizeField) {
  Bytes payload;
  for (const auto& record : records) Append(payload, record.bytes());
  if (logFields_)
    for (std::size_t i = 0; i < records.size(); ++i) records[i].MarkWritten(size_ + 8 + 16 * i, "pattern", Marker());
  return SizedChunk(ids::PATC, payload, sizeField.value_or(StoredSize(payload.size())));
}

SongBuilder& SongBuilder::SendFx(const SendFxRecord& record, std::optional<std::int32_t> sizeField) {
  if (logFields_) record.MarkWritten(size_ + 8, "send-FX", Marker());
  return SizedChunk(ids::VUUU, record.bytes(), sizeField.value_or(20));
}

SongBuilder& SongBuilder::Windows(const std::vector<WindowRecord>& records,
                                  std::optional<std::int32_t> count,
                                  std::optional<std::int32_t> sizeField) {
  Bytes payload;
  AppendI32(payload, count.value_or(StoredSize(records.size())));
  for (const auto& record : records) Append(payload, record.bytes());
  Note("window count", size_ + 8, 4, WrittenAs::Field);
  if (logFields_)
    for (std::size_t i = 0; i < records.size(); ++i) records[i].MarkWritten(size_ + 8 + 4 + 20 * i, "window", Marker());
  return SizedChunk(ids::WINP, payload, sizeField.value_or(StoredSize(payload.size())));
}

SongBuilder& SongBuilder::Glob(const GlobChunk& glob, std::optional<std::int32_t> sizeField) {
  const std::uint64_t at = size_ + 8;
  if (logFields_) glob.MarkWritten(at, "settings", Marker());
  Note("discarded", at + 1264, 8, WrittenAs::Reserved);
  Note("song info length", at + 1276, 4, WrittenAs::Field);
  const Bytes payload = glob.Payload();
  return SizedChunk(ids::GLOB, payload, sizeField.value_or(StoredSize(payload.size())));
}

SongBuilder& SongBuilder::Channels(const std::vector<ChannelEntry>& entries,
                                   std::optional<std::int32_t> count) {
  Bytes payload;
  for (const auto& entry : entries) {
    if (logFields_) entry.MarkFields(size_ + 8 + payload.size(), Marker());
    entry.WriteTo(payload);
  }
  return SizedChunk(ids::CHAN, payload, count.value_or(StoredSize(entries.size())));
}

SongBuilder& SongBuilder::ReturnChannels(const std::vector<ChannelEntry>& entries,
                                         std::optional<std::int32_t> count) {
  Bytes payload;
  for (const auto& entry : entries) {
    if (logFields_) entry.MarkFields(size_ + 8 + payload.size(), Marker());
    entry.WriteTo(payload);
  }
  return SizedChunk(ids::FXRN, payload, count.value_or(StoredSize(entries.size())));
}

SongBuilder& SongBuilder::AudioClips(const std::vector<AudioClipEntry>& entries,
                                     std::optional<std::int32_t> count) {
  Bytes payload;
  for (const auto& entry : entries) {
    if (logFields_) entry.MarkFields(size_ + 8 + payload.size(), Marker());
    entry.WriteTo(payload);
  }
  return SizedChunk(ids::AUIO, payload, count.value_or(StoredSize(entries.size())));
}

SongBuilder& SongBuilder::Module(const ModuleRecord& module) {
  const std::uint64_t offset = size_;
  if (logFields_) module.MarkFields(offset, Marker());
  AppendBytes(module.Head());
  const std::uint64_t dataOffset = size_;
  if (module.DataIsBytes()) {
    AppendBytes(module.DataBytes());
  } else if (module.DataSize() > 0) {
    Piece piece;
    piece.size = module.DataSize();
    piece.generator = [module](std::uint64_t at, std::uint8_t* out, std::size_t n) {
      module.GenerateData(at, out, n);
    };
    AppendPiece(std::move(piece));
  }
  AppendBytes(module.Tail());
  marks_.push_back({module.typeId(), offset, size_, dataOffset, module.DataSize()});
  return *this;
}

SongBuilder& SongBuilder::Chunk(std::uint32_t id, const Bytes& payload,
                                std::optional<std::int32_t> sizeField) {
  Note("chunk payload", size_ + 8, payload.size(), WrittenAs::Data);
  return SizedChunk(id, payload, sizeField.value_or(StoredSize(payload.size())));
}

SongBuilder& SongBuilder::Chunk(std::uint32_t id, std::string_view payload,
                                std::optional<std::int32_t> sizeField) {
  return Chunk(id, Bytes(payload.begin(), payload.end()), sizeField);
}

SongBuilder& SongBuilder::EndOfSong(std::int32_t sizeField) {
  return SizedChunk(ids::EndOfSong, {}, sizeField);
}

SongBuilder& SongBuilder::Raw(const Bytes& bytes) {
  AppendBytes(bytes);
  return *this;
}

SongBuilder& SongBuilder::Raw(std::string_view bytes) { return Raw(Bytes(bytes.begin(), bytes.end())); }

SongBuilder& SongBuilder::RawU32(std::uint32_t v) {
  Bytes bytes;
  AppendU32(bytes, v);
  return Raw(bytes);
}

SongBuilder& SongBuilder::RawI32(std::int32_t v) { return RawU32(static_cast<std::uint32_t>(v)); }

SongBuilder& SongBuilder::Header(std::uint32_t id, std::int32_t sizeField) {
  return RawU32(id).RawI32(sizeField);
}

SongBuilder& SongBuilder::Fill(std::uint64_t n, std::uint8_t fill) {
  if (n == 0) return *this;
  Piece piece;
  piece.size = n;
  piece.fill = fill;
  AppendPiece(std::move(piece));
  return *this;
}

const ChunkMark& SongBuilder::Mark(std::uint32_t id, std::size_t n) const {
  for (const auto& mark : marks_) {
    if (mark.id == id && n-- == 0) return mark;
  }
  throw std::out_of_range("no such chunk in the song");
}

Bytes SongBuilder::Build() const {
  Bytes out;
  out.reserve(size_);
  WriteBlocks([&out](const std::uint8_t* data, std::size_t n) { out.insert(out.end(), data, data + n); });
  return out;
}

void SongBuilder::WriteTo(std::ostream& out) const {
  WriteBlocks([&out](const std::uint8_t* data, std::size_t n) {
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(n));
  });
}

void SongBuilder::WriteToFile(const std::filesystem::path& path) const {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot create " + path.string());
  WriteTo(out);
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

void SongBuilder::WriteBlocks(const BlockSink& sink) const {
  Bytes block;
  for (const auto& piece : pieces_) {
    if (piece.size == 0) {
      sink(piece.bytes.data(), piece.bytes.size());
      continue;
    }
    block.resize(static_cast<std::size_t>(std::min<std::uint64_t>(piece.size, WriteBlock)));
    if (!piece.generator) std::fill(block.begin(), block.end(), piece.fill);
    for (std::uint64_t at = 0; at < piece.size;) {
      const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(piece.size - at, WriteBlock));
      if (piece.generator) piece.generator(at, block.data(), n);
      sink(block.data(), n);
      at += n;
    }
  }
}

// Ready-made songs

SongBuilder MinimalSong() {
  SongBuilder song;
  song.Version(0x6105).EndOfSong();
  return song;
}

SongBuilder EveryChunkSong(bool logFields) {
  GlobChunk glob;
  glob.SongFlags(0x54)
      .Tempo(140.0f)
      .Ppq(384)
      .LoopStart(0)
      .LoopEnd(1536)
      .MasterVolume(200)
      .TuningTableName("Equal")
      .TuningInUse(128)
      .Signature(16)
      .PlaylistWindowPos(WindowRecord(1, 2, 3, 4, WindowFlags(true, false, false, false)))
      .MasterWindowPos(WindowRecord(5, 6, 7, 8, WindowFlags(true, false, false, true)))
      .ShowSongInfo(1)
      .SongInfo("Every chunk")
      .SongInfoUrl("http://example.org/");
  for (std::size_t i = 0; i < 128; ++i) glob.Tuning(i, 100.0 * static_cast<double>(i));

  Bytes stringsData(16);
  for (std::size_t i = 0; i < stringsData.size(); ++i) stringsData[i] = static_cast<std::uint8_t>(i);

  SongBuilder song;
  song.LogFields(logFields);
  song.Version(0x6105)
      .Objects(6)
      .Glob(glob)
      .Channels({ChannelEntry("Master").Stereo(1).Insert1(-1).Insert2(-1).Insert3(-1).Insert4(-1)
                     .OwnerModule(-1),
                 ChannelEntry("Drums").Insert1(1).Insert2(-1).Insert3(-1).Insert4(-1).OwnerModule(0)
                     .Flags(1).Extra({1, 2, 3, 4})})
      .ReturnChannels({ChannelEntry("Reverb Return").Stereo(1).Insert1(1).Insert2(-1).Insert3(-1)
                           .Insert4(-1).OwnerModule(-1)})
      .AudioClips({AudioClipEntry("Kick", "kick.wav"), AudioClipEntry("Snare", "snare.wav")})
      .Module(ModuleRecord(moduletypes::Sampler, "Piano").Chans(2).Skip({0xEE, 0xEE}).Track("Piano")
                  .Data({'a', 'b', 'c'}))
      .Module(ModuleRecord(0x1101, "Delay").Chans(2))
      .Module(ModuleRecord(moduletypes::VSTSynth, "Strings").Program(3).ExpandedTracks(1)
                  .AudioChanPins(2).PinStereo(0, 1).PinStereo(1, 1).PluginText("Orchestra")
                  .Tracks({"Violin", "Cello"}).Data(stringsData))
      .Module(ModuleRecord(moduletypes::VSTFX, "Chorus").Chans(2).Program(7).PluginText("ChorusPlug")
                  .Data({'x', 'y', 'z'}))
      .Module(ModuleRecord(moduletypes::DXSynth, "Organ").Chans(2)
                  .ClassId(0x01234567, 0x89AB, 0xCDEF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF})
                  .Data({1, 2, 3, 4, 5}))
      .Module(ModuleRecord(moduletypes::DXFX, "Flanger").Chans(2)
                  .ClassId(0xFEDCBA98, 0x7654, 0x3210, {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10}))
      .Events({EventRecord(0, 0, 0, 100), EventRecord(2, 1, 96, 64, 0xDEADBEEF), EventRecord(5, 2, 192, 10)})
      .Patterns({EventRecord(0, 0, 0, 1), EventRecord(2, 0, 384, 2)})
      .SendFx(SendFxRecord().AssignCount(2).AssignModule(0, 1).AssignModule(1, 3))
      .Windows({WindowRecord(10, 20, 300, 400, WindowFlags(true, false, false, false)),
                WindowRecord(0, 0, 640, 480, WindowFlags(true, true, false, true))})
      .Chunk(FourCC("XTRA"), std::string_view("hello"))
      .EndOfSong();
  return song;
}

// Temp file

TempSongFile::TempSongFile(const Bytes& bytes) : path_(MakeUniquePath()) {
  std::ofstream out(path_, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path_);
}

TempSongFile::TempSongFile(const SongBuilder& song) : path_(MakeUniquePath()) {
  song.WriteToFile(path_);
}

TempSongFile::~TempSongFile() {
  std::error_code ignored;
  std::filesystem::remove(path_, ignored);
}

std::string TempSongFile::MakeUniquePath() {
  std::string name = (std::filesystem::temp_directory_path() / "tarvo-song-XXXXXX.kvs").string();
  const int fd = ::mkstemps(name.data(), 4);
  if (fd < 0) throw std::system_error(errno, std::generic_category(), "mkstemps");
  ::close(fd);
  return name;
}

}  // namespace tarvo::testing
