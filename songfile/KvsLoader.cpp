#include "songfile/KvsLoader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>

#include "songfile/ChunkId.h"
#include "songfile/KvsError.h"
#include "songfile/ModuleTypes.h"
#include "songfile/RegularFile.h"
#include "text/Format.h"
#include "text/Latin1.h"

namespace tarvo {

namespace {

constexpr std::int32_t MinimumFileVersion = 0x6100;
constexpr std::uint32_t ValidChannelTag = 2004;
constexpr std::uint32_t TrackBlockTag = 5;
constexpr std::size_t ChunkHeaderSize = 8;
constexpr std::size_t MarkerSize = 24;
constexpr std::size_t MarkerCompareSize = 22;
// "ZMOD", the uint32 16, "EndTarvoModule"; two bytes follow that are not
// compared.
constexpr std::array<std::uint8_t, MarkerCompareSize> ModuleEndMarker = {
    'Z', 'M', 'O', 'D', 0x10, 0x00, 0x00, 0x00, 'E', 'n', 'd', 'T', 'a', 'r', 'v', 'o', 'M', 'o', 'd', 'u', 'l', 'e'};

// The record of every channel entry with another tag: the text, then zeros.
constexpr std::array<std::uint8_t, TKvsChannel::RecordSize> CorruptedChannel = {
    'C', 'h', 'a', 'n', ' ', 'I', 'n', 'f', 'o', ' ', 'C', 'o', 'r', 'r', 'u', 'p', 't', 'e', 'd', '!'};

static_assert(TKvsLoader::ZeroPadding >= TKvsModule::MaxInfoSize && TKvsLoader::ZeroPadding >= TKvsChannel::RecordSize &&
              TKvsLoader::ZeroPadding >= TKvsTrack::RecordSize);

template <std::size_t N>
std::array<std::uint8_t, N> ReadRecord(ByteReader& reader) {
  std::array<std::uint8_t, N> record;
  reader.read(record.data(), N);
  return record;
}

// A count from a size field, never more than the records the rest of the
// data could start: a record needs its first byte to exist.
std::size_t BoundedCount(std::int64_t count, std::size_t remaining) {
  if (count <= 0) return 0;
  return static_cast<std::size_t>(std::min<std::int64_t>(count, static_cast<std::int64_t>(remaining)));
}

}  // namespace

TKvsLoader::TKvsLoader() = default;

TKvsLoader::TKvsLoader(MessageSink sink, PendingEvents pendingEvents)
    : sink_(std::move(sink)), pendingEvents_(std::move(pendingEvents)) {}

TKvsLoader::~TKvsLoader() = default;

void TKvsLoader::LoadFromFile(const std::string& fileName, std::string& errorText) {
  // Read in slices, with the user interface's turn after each: copying a
  // file of a gigabyte takes about half a second.
  FileBytes file = ReadRegularFile(fileName, ZeroPadding, pendingEvents_);
  Start(std::move(file.bytes), file.size);
  Run(errorText);
}

void TKvsLoader::LoadFromMemory(const std::uint8_t* data, std::size_t size, std::string& errorText) {
  std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[size + ZeroPadding]);
  if (size > 0) std::memcpy(buffer.get(), data, size);
  Start(std::move(buffer), size);
  Run(errorText);
}

void TKvsLoader::Start(std::unique_ptr<std::uint8_t[]> stream, std::size_t size) {
  // The pages and viewers made from a song view its bytes and lists for as
  // long as they live; a second song would pull them away.
  if (stream_ != nullptr) throw std::logic_error("a song loader loads one song");
  std::memset(stream.get() + size, 0, ZeroPadding);
  stream_ = std::move(stream);
  reader_ = ByteReader(stream_.get(), size);
  chunks_ = TKvsChunkList(stream_.get());
}

void TKvsLoader::AddLoaderMessage(const std::string& text) {
  if (sink_) sink_(text);
}

void TKvsLoader::Progress() {
  if (!pendingEvents_) return;
  const std::size_t position = reader_.position();
  if (position - lastPendingEvents_ >= PendingEventsBudget || position < lastPendingEvents_) {
    lastPendingEvents_ = position;
    pendingEvents_();
  }
}

void TKvsLoader::WriteChunkTrace(std::uint32_t id, std::int32_t size) {
  const auto offset = static_cast<std::int64_t>(reader_.position()) - static_cast<std::int64_t>(ChunkHeaderSize);
  AddLoaderMessage(
      Format("%8.8x Chunk id: %8.8x (%s), skipping data: %d", {offset, id, ChunkIdToText(id), size}));
}

void TKvsLoader::Run(std::string& errorText) {
  int moduleCounter = 0;
  bool done = false;
  bool stopped = false;
  while (!done && !stopped) {
    if (!reader_.has(ChunkHeaderSize)) {
      // A header cut short ends the walk without a message.
      reader_.seek(reader_.size());
      break;
    }
    const std::uint32_t id = reader_.readUInt32();
    const std::int32_t size = reader_.readInt32();
    switch (id) {
      case chunkids::VFhd:
        WriteChunkTrace(id, size);
        ReadVersion(stopped, errorText);
        break;
      case chunkids::OBJS:
        WriteChunkTrace(id, size);
        statedModuleCount_ = reader_.readInt32();
        AddLoaderMessage(Format(" Number of Modules: %d", {statedModuleCount_}));
        break;
      case chunkids::EVTS:
        eventDataSize_ = size;
        ReadEvents(songEvents_, size);
        WriteChunkTrace(id, size);
        break;
      case chunkids::PATC:
        patternDataSize_ = size;
        ReadEvents(patternEvents_, size);
        WriteChunkTrace(id, size);
        break;
      case chunkids::VUUU:
        fxAssignDataSize_ = size;
        ReadSendFxAssign();
        WriteChunkTrace(id, size);
        break;
      case chunkids::WINP:
        windowDataSize_ = size;
        ReadWindowPosInfos();
        WriteChunkTrace(id, size);
        break;
      case chunkids::GLOB:
        WriteChunkTrace(id, size);
        ReadGlobal();
        break;
      case chunkids::CHAN:
        WriteChunkTrace(id, size);
        channelCount_ = size;
        ReadChannels(size);
        break;
      case chunkids::FXRN:
        WriteChunkTrace(id, size);
        returnChannelCount_ = size;
        ReadChannels(size);
        break;
      case chunkids::AUIO:
        WriteChunkTrace(id, size);
        ReadAudioClips(size);
        break;
      case chunkids::EndOfSong:
        loadedModuleCount_ = moduleCounter;
        done = true;
        WriteChunkTrace(id, size);
        AddLoaderMessage(Format(" Loaded Module Count: %d", {moduleCounter}));
        break;
      default:
        if (id >= chunkids::FirstModule && id <= chunkids::LastModule)
          ReadModule(id, size, moduleCounter, stopped);
        else
          ReadUnknownChunk(id, size);
        break;
    }
    Progress();
  }
}

void TKvsLoader::ReadVersion(bool& stopped, std::string& errorText) {
  fileVersion_ = reader_.readInt32();
  AddLoaderMessage(Format(" File Version: %x", {fileVersion_}));
  if (fileVersion_ < MinimumFileVersion) {
    errorText = Format("File version %x too old!", {fileVersion_});
    AddLoaderMessage("File version too old to be analyzed.");
    stopped = true;
  }
}

// Event record, 16 bytes; size div 16 of them (truncating toward zero, so a
// size below 16 gives none).
void TKvsLoader::ReadEvents(std::vector<TKvsEvent>& events, std::int32_t size) {
  const std::int32_t declared = size / static_cast<std::int32_t>(TKvsEvent::RecordSize);
  const std::size_t count = BoundedCount(declared, reader_.remaining());
  // Records are only made from bytes that exist, so the reservation is
  // bounded by the data as well. A list that already holds events grows at
  // least by half: many small event chunks must not copy it each time.
  const std::size_t wanted = events.size() + std::min(count, reader_.remaining() / TKvsEvent::RecordSize + 1);
  if (wanted > events.capacity()) events.reserve(std::max(wanted, events.size() + events.size() / 2));
  for (std::size_t i = 0; i < count && !reader_.atEnd(); ++i) {
    events.emplace_back(ReadRecord<TKvsEvent::RecordSize>(reader_));
    if ((i & 0xFFFF) == 0xFFFF) Progress();
  }
}

// Send-FX assignment record, 20 bytes: 2 u8 AssignCount, 4 8 x i16 modules.
// One object per assignment, each viewing the same bytes; the record holds
// eight entries, so a larger count makes eight.
void TKvsLoader::ReadSendFxAssign() {
  const std::uint8_t* const record = reader_.data() + reader_.position();
  reader_.skip(TKvsSendFxAssign::RecordSize);
  const int count = std::min<int>(record[2], TKvsSendFxAssign::MaxAssigns);
  for (int i = 0; i < count; ++i) sendFxAssigns_.emplace_back(record);
}

// int32 window count, then that many 20-byte window state records.
void TKvsLoader::ReadWindowPosInfos() {
  windowCount_ = reader_.readInt32();
  const std::size_t count = BoundedCount(windowCount_, reader_.remaining());
  for (std::size_t i = 0; i < count && !reader_.atEnd(); ++i)
    windowPosInfos_.emplace_back(ReadRecord<TKvsWindowPosInfo::RecordSize>(reader_));
}

// The bytes of a length-prefixed text: at most the bytes that remain; a
// negative length takes none. The reader moves past them.
std::span<const std::uint8_t> TKvsLoader::TakeLengthBytes(std::int32_t length) {
  const std::uint8_t* const start = reader_.data() + reader_.position();
  const std::size_t take = length > 0 ? std::min(static_cast<std::size_t>(length), reader_.remaining()) : 0;
  reader_.skip(take);
  return {start, take};
}

// A length-prefixed text, ending at the first zero byte.
std::string TKvsLoader::ReadLengthText(std::int32_t length) {
  const std::span<const std::uint8_t> bytes = TakeLengthBytes(length);
  return FixedText(bytes.data(), bytes.size());
}

// The plug-in text after the info record, taken as ReadLengthText takes
// its text; the module views it in place.
void TKvsLoader::ReadPluginText(TKvsModule& module, std::int32_t length) {
  const std::span<const std::uint8_t> bytes = TakeLengthBytes(length);
  module.SetPluginText(bytes.data(), bytes.size());
}

// GLOB: 0 settings[1264], 1264 8 bytes discarded, 1272 song info header[16]
// (0 u32 ShowSongInfo, 4 i32 SongInfoLength, 8 i32 SongInfoUrlLength),
// then the two texts.
void TKvsLoader::ReadGlobal() {
  global_.SetSettings(ReadRecord<TKvsGlobal::SettingsSize>(reader_));
  reader_.skip(8);
  global_.Header = ReadRecord<TKvsGlobal::HeaderSize>(reader_);
  songInfoLength_ = global_.SongInfoLength();
  songInfoUrlLength_ = global_.SongInfoUrlLength();
  // A length of exactly 1 consumes its byte too, so that what follows is not
  // read one byte early.
  songInfo_ = ReadLengthText(songInfoLength_);
  songInfoUrl_ = ReadLengthText(songInfoUrlLength_);
  AddLoaderMessage(Format(" Song Info: %s", {songInfo_}));
  AddLoaderMessage(Format(" Song Info Url: %s", {songInfoUrl_}));
}

// Channel entry: 0 u32 tag, 4 u32 length; with tag 2004 then the 68-byte
// channel record, a u32 tag and an i32 extra length of bytes to skip.
void TKvsLoader::ReadChannels(std::int32_t count) {
  const std::size_t entries = BoundedCount(count, reader_.remaining());
  for (std::size_t i = 0; i < entries && !reader_.atEnd(); ++i) {
    const std::uint32_t tag = reader_.readUInt32();
    reader_.skip(4);
    if (tag == ValidChannelTag) {
      channels_.emplace_back(reader_.data() + reader_.position());
      reader_.skip(TKvsChannel::RecordSize);
      reader_.skip(4);
      const std::int32_t extra = reader_.readInt32();
      // A negative length counts as 0: the reader never moves backwards.
      if (extra > 0) reader_.skip(static_cast<std::size_t>(extra));
    } else {
      channels_.emplace_back(CorruptedChannel.data());
    }
    if ((i & 0xFFF) == 0xFFF) Progress();
  }
}

// Audio clip entry: 0 clip record[104], 104 i32 name length, 108 file name.
void TKvsLoader::ReadAudioClips(std::int32_t count) {
  AddLoaderMessage(Format(" Audio: %d", {count}));
  const std::size_t entries = BoundedCount(count, reader_.remaining());
  for (std::size_t i = 0; i < entries && !reader_.atEnd(); ++i) {
    const auto record = ReadRecord<TKvsAudioClip::RecordSize>(reader_);
    const std::int32_t nameLength = reader_.readInt32();
    std::string fileName = ReadLengthText(nameLength);
    AddLoaderMessage(Format(" Audio File: %s", {fileName}));
    audioClips_.emplace_back(static_cast<std::int32_t>(audioClips_.size()), std::move(fileName), record);
  }
}

void TKvsLoader::ReadUnknownChunk(std::uint32_t id, std::int32_t size) {
  const std::size_t length = static_cast<std::uint32_t>(size);
  if (!reader_.has(length)) throw KvsError("Stream read error");
  chunks_.Add(static_cast<std::int32_t>(id), static_cast<std::int64_t>(reader_.position()), length);
  reader_.skip(length);
  WriteChunkTrace(id, size);
}

// Module record: header (type id, skip length), skipped bytes, info
// sub-record header (u32 tag, u32 length), the kind's info record and
// plug-in text when the tag is the expected one, a track block for
// generators, the module data, and the 24-byte end marker.
void TKvsLoader::ReadModule(std::uint32_t id, std::int32_t size, int& moduleCounter, bool& stopped) {
  WriteChunkTrace(id, size);
  // A negative skip length counts as 0: the reader never moves backwards.
  if (size > 0) reader_.skip(static_cast<std::size_t>(size));

  ++moduleCounter;
  const auto typeId = static_cast<std::int32_t>(id);
  AddLoaderMessage(" Obj: " + ModuleTypeToText(typeId));
  // Built through this reference; the song's list only hands out const modules.
  std::unique_ptr<TKvsModule> made = MakeModule(typeId);
  TKvsModule& module = *made;
  modules_.push_back(std::move(made));

  const std::uint32_t tag = reader_.readUInt32();
  reader_.skip(4);
  if (tag == ExpectedInfoTag(module.Class())) {
    module.SetInfo(reader_.data() + reader_.position());
    reader_.skip(module.InfoSize());
    switch (module.Class()) {
      case ModuleClass::VSTSynth:
        ReadPluginText(module, static_cast<TKvsVSTSynth&>(module).PluginTextLength());
        break;
      case ModuleClass::VSTFX:
        ReadPluginText(module, static_cast<TKvsVSTFX&>(module).PluginTextLength());
        break;
      case ModuleClass::DXSynth:
      case ModuleClass::DXFX:
        module.SetClassIdGenerator();
        break;
      default:
        break;
    }
  } else {
    module.SetInfoCorrupted();
  }

  if (module.IsGenerator() && !ReadModuleTracks(module)) stopped = true;

  const std::size_t dataStart = reader_.position();
  std::size_t markerStart = 0;
  if (!FindModuleEnd(markerStart)) {
    // No end: the module has no data chunk, and the walk ends at the next
    // header read since the reader stands at the end of the data.
    reader_.seek(reader_.size());
    return;
  }
  reader_.seek(markerStart + MarkerSize);
  module.SetPlace(static_cast<std::int32_t>(chunks_.size()), static_cast<std::int32_t>(modules_.size() - 1));
  chunks_.Add(0, static_cast<std::int64_t>(dataStart), markerStart - dataStart);
}

// Track block: u32 tag 5, i32 byte length L (taken as unsigned), then
// L div 64 track records. Without the tag the 8 bytes belong to the data.
bool TKvsLoader::ReadModuleTracks(TKvsModule& module) {
  if (!reader_.has(8)) {
    reader_.seek(reader_.size());
    return false;
  }
  const std::uint32_t tag = reader_.readUInt32();
  const std::uint32_t length = reader_.readUInt32();
  if (tag != TrackBlockTag) {
    reader_.back(8);
    return true;
  }
  const std::uint32_t count = length / TKvsTrack::RecordSize;
  if (static_cast<std::int64_t>(count) != module.ExpectedTrackCount())
    AddLoaderMessage(Format("Module Track Count Mismatch, expecting %d, but %d found!",
                            {module.ExpectedTrackCount(), static_cast<std::int32_t>(count)}));
  // Whole records while they last, then one cut short by the end of the
  // data, which reads as zero-filled.
  const std::size_t held = reader_.remaining();
  const std::size_t tracks = std::min<std::size_t>(count, (held + TKvsTrack::RecordSize - 1) / TKvsTrack::RecordSize);
  module.SetTracks(reader_.data() + reader_.position(), tracks);
  reader_.skip(std::min(held, tracks * TKvsTrack::RecordSize));
  return true;
}

// The first place from the read position where the whole 22-byte marker
// stands, as a byte-by-byte search would find it, but by memchr on the
// marker's first byte. Lets the user interface run every megabyte or so,
// also when the data is full of false starts.
bool TKvsLoader::FindModuleEnd(std::size_t& markerStart) {
  const std::uint8_t* const data = reader_.data();
  const std::size_t size = reader_.size();
  if (size - reader_.position() < MarkerCompareSize) return false;
  const std::size_t lastStart = size - MarkerCompareSize;
  std::size_t position = reader_.position();
  while (position <= lastStart) {
    const std::size_t sliceEnd = std::min(lastStart + 1, position + PendingEventsBudget);
    while (position < sliceEnd) {
      const void* hit = std::memchr(data + position, ModuleEndMarker[0], sliceEnd - position);
      if (hit == nullptr) {
        position = sliceEnd;
        break;
      }
      position = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - data);
      if (std::memcmp(data + position, ModuleEndMarker.data(), MarkerCompareSize) == 0) {
        markerStart = position;
        return true;
      }
      ++position;
    }
    if (pendingEvents_ && position <= lastStart) {
      lastPendingEvents_ = position;
      pendingEvents_();
    }
  }
  return false;
}

}  // namespace tarvo
