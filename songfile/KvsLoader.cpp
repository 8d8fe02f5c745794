#include "songfile/KvsLoader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <stdexcept>

#include "songfile/ChunkId.h"
#include "songfile/KvsError.h"
#include "songfile/ModuleTypes.h"
#include "songfile/RecordLayouts.h"
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

bool IsUnknownChunk(std::uint32_t id) {
  switch (id) {
    case chunkids::VFhd:
    case chunkids::OBJS:
    case chunkids::EVTS:
    case chunkids::PATC:
    case chunkids::VUUU:
    case chunkids::WINP:
    case chunkids::GLOB:
    case chunkids::CHAN:
    case chunkids::FXRN:
    case chunkids::AUIO:
    case chunkids::EndOfSong:
      return false;
    default:
      return !IsModuleChunk(id);
  }
}

const TKvsRecordLayout& InfoLayout(ModuleClass moduleClass) {
  switch (moduleClass) {
    case ModuleClass::Synth: return layouts::SynthInfo;
    case ModuleClass::FX: return layouts::FXInfo;
    case ModuleClass::VSTFX: return layouts::VSTFXInfo;
    case ModuleClass::VSTSynth: return layouts::VSTSynthInfo;
    case ModuleClass::DXSynth:
    case ModuleClass::DXFX: return layouts::DXInfo;
  }
  return layouts::FXInfo;
}

}  // namespace

TKvsLoader::TKvsLoader() = default;

TKvsLoader::TKvsLoader(MessageSink sink, PendingEvents pendingEvents)
    : sink_(std::move(sink)), pendingEvents_(std::move(pendingEvents)) {}

TKvsLoader::~TKvsLoader() = default;

void TKvsLoader::LoadFromFile(const std::string& fileName, std::string& errorText) {
  // Read in slices, with the user interface's turn after each: copying a
  // file of a gigabyte takes about half a second.
  RegularFile opened(fileName);
  openedSize_ = opened.Size();
  try {
    FileBytes file = opened.ReadAll(ZeroPadding, pendingEvents_);
    Start(std::move(file.bytes), file.size);
    Run(errorText);
  } catch (const std::bad_alloc&) {
    // A plain error as for any other file that cannot be loaded, never a
    // library's text; the model keeps what was made, as after any error.
    throw KvsError(Format("Not enough memory to load %s (%d bytes)", {fileName, openedSize_}));
  }
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
  // A reading again has no log: a file may hold a chunk every 8 bytes.
  if (!sink_) return;
  const auto offset = static_cast<std::int64_t>(reader_.position()) - static_cast<std::int64_t>(ChunkHeaderSize);
  // Made in the same buffer every time, with no allocation per chunk.
  traceLine_.clear();
  FormatTo(traceLine_, "%8.8x Chunk id: %8.8x (%s), skipping data: %d", {offset, id, ChunkIdToText(id), size});
  AddLoaderMessage(traceLine_);
}

void TKvsLoader::ReportRegions(const TKvsLoader& song, TKvsRegionSink& sink) { ReportAgain(song, 0, false, sink); }

void TKvsLoader::ReportChunkRegions(const TKvsLoader& song, std::uint64_t headerOffset, TKvsRegionSink& sink) {
  ReportAgain(song, headerOffset, true, sink);
}

// A loader of its own that views the song's bytes: the song stays as it is.
void TKvsLoader::ReportAgain(const TKvsLoader& song, std::uint64_t from, bool oneChunk, TKvsRegionSink& sink) {
  TKvsLoader again;
  again.reader_ = ByteReader(song.StreamData(), song.StreamSize());
  again.chunks_ = TKvsChunkList(song.StreamData());
  again.regions_ = &sink;
  again.oneChunk_ = oneChunk;
  again.keepModel_ = false;
  again.model_ = &song;
  again.reader_.seek(static_cast<std::size_t>(from));
  std::string errorText;
  try {
    again.Run(errorText);
  } catch (const KvsError&) {
    // The load ended at the same error; what was reported stands.
  }
}

void TKvsLoader::NoteChunk(std::uint32_t id) {
  chunkHeader_ = reader_.position() - ChunkHeaderSize;
  TKvsChunkNote note;
  note.offset = chunkHeader_;
  note.id = id;
  switch (id) {
    case chunkids::EVTS: note.firstRecord = forgottenSongEvents_ + songEvents_.size(); break;
    case chunkids::PATC: note.firstRecord = forgottenPatternEvents_ + patternEvents_.size(); break;
    case chunkids::WINP: note.firstRecord = forgottenWindowPosInfos_ + windowPosInfos_.size(); break;
    case chunkids::CHAN:
    case chunkids::FXRN: note.firstRecord = forgottenChannels_ + channels_.size(); break;
    case chunkids::AUIO: note.firstRecord = forgottenAudioClips_ + audioClips_.size(); break;
    default:
      if (IsModuleChunk(id))
        note.firstRecord = forgottenModules_ + modules_.size();
      break;
  }
  if (regionsDone_) return;
  regions_->Chunk(note);
  NoteRegion(chunkHeader_, ChunkHeaderSize, TKvsRegionKind::Header, nullptr);
}

// A sink that has what it wants ends the reading as the end of the file
// would: every loop of the walk stops there, and nothing more is noted.
void TKvsLoader::CheckRegionsDone() {
  if (!regions_->Done()) return;
  regionsDone_ = true;
  reader_.seek(reader_.size());
}

// Only the bytes that the file holds: a record cut short by its end has
// regions for what is there.
void TKvsLoader::NoteRegion(std::uint64_t offset, std::uint64_t size, TKvsRegionKind kind, const char* name,
                            TKvsValueFormat format, std::int64_t record) {
  const std::uint64_t fileSize = reader_.size();
  if (offset >= fileSize || size == 0 || regionsDone_) return;
  TKvsRegionNote note;
  note.offset = offset;
  note.size = std::min(size, fileSize - offset);
  note.kind = kind;
  note.format = format;
  note.chunk = chunkHeader_;
  note.record = record;
  note.name = name;
  regions_->Region(note);
  CheckRegionsDone();
}

// The fixed-size record at the read position, before it is read.
void TKvsLoader::NoteRecord(const TKvsRecordLayout& layout, std::int64_t record) {
  const std::size_t held = std::min(layout.size, reader_.remaining());
  if (held == 0 || regionsDone_) return;
  regions_->Record(layout, reader_.position(), chunkHeader_, record, held);
  CheckRegionsDone();
}

void TKvsLoader::NoteBytes(std::span<const std::uint8_t> bytes, const char* name, std::int64_t record) {
  NoteRegion(static_cast<std::uint64_t>(bytes.data() - reader_.data()), bytes.size(), TKvsRegionKind::Field, name,
             TKvsValueFormat::Text, record);
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
    // An unknown chunk is one only once its payload is there.
    if (regions_ && !IsUnknownChunk(id)) NoteChunk(id);
    switch (id) {
      case chunkids::VFhd:
        WriteChunkTrace(id, size);
        ReadVersion(stopped, errorText);
        break;
      case chunkids::OBJS:
        WriteChunkTrace(id, size);
        if (regions_)
          NoteRegion(reader_.position(), 4, TKvsRegionKind::Field, "Number of Modules", TKvsValueFormat::I32);
        statedModuleCount_ = reader_.readInt32();
        if (sink_) AddLoaderMessage(Format(" Number of Modules: %d", {statedModuleCount_}));
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
        if (IsModuleChunk(id))
          ReadModule(id, size, moduleCounter, stopped);
        else
          ReadUnknownChunk(id, size);
        break;
    }
    Progress();
    if (oneChunk_) break;
    if (!keepModel_) ForgetModel();
  }
}

// A walk for the regions alone holds at most one chunk's objects.
void TKvsLoader::ForgetModel() {
  forgottenAudioClips_ += audioClips_.size();
  forgottenModules_ += modules_.size();
  forgottenWindowPosInfos_ += windowPosInfos_.size();
  forgottenChannels_ += channels_.size();
  audioClips_.clear();
  modules_.clear();
  windowPosInfos_.clear();
  channels_.clear();
  sendFxAssigns_.clear();
  chunks_.clear();
}

void TKvsLoader::ReadVersion(bool& stopped, std::string& errorText) {
  if (regions_) NoteRegion(reader_.position(), 4, TKvsRegionKind::Field, "File Version", TKvsValueFormat::Hex32);
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
  if (wanted > events.capacity() && keepModel_) events.reserve(std::max(wanted, events.size() + events.size() / 2));
  std::size_t first = 0;
  if (oneChunk_ && regions_->From() > reader_.position()) {
    // A chunk read again for the regions from some offset on: the records
    // before it are found by their index, not read (a chunk may hold
    // millions).
    first = std::min<std::size_t>(count, (regions_->From() - reader_.position()) / TKvsEvent::RecordSize);
    reader_.skip(first * TKvsEvent::RecordSize);
  }
  std::size_t& forgotten = &events == &songEvents_ ? forgottenSongEvents_ : forgottenPatternEvents_;
  if (regions_ && !keepModel_) {
    // Regions alone: the whole records as one run (a song may hold
    // millions), then the one the file cuts short, if any.
    const std::size_t whole = std::min(count - first, reader_.remaining() / TKvsEvent::RecordSize);
    if (whole > 0 && !regionsDone_) {
      regions_->Records(layouts::Event, reader_.position(), chunkHeader_, first, whole);
      CheckRegionsDone();
    }
    reader_.skip(whole * TKvsEvent::RecordSize);
    forgotten += whole;  // a later chunk's records number on from these
    if (first + whole < count && !reader_.atEnd()) {
      NoteRecord(layouts::Event, static_cast<std::int64_t>(first + whole));
      reader_.skip(TKvsEvent::RecordSize);
      ++forgotten;
    }
    return;
  }
  for (std::size_t i = first; i < count && !reader_.atEnd(); ++i) {
    if (regions_) NoteRecord(layouts::Event, static_cast<std::int64_t>(i));
    events.emplace_back(ReadRecord<TKvsEvent::RecordSize>(reader_));
    if ((i & 0xFFFF) == 0xFFFF) Progress();
  }
}

// Send-FX assignment record, 20 bytes: 2 u8 AssignCount, 4 8 x i16 modules.
// One object per assignment, each viewing the same bytes; the record holds
// eight entries, so a larger count makes eight.
void TKvsLoader::ReadSendFxAssign() {
  const std::uint8_t* const record = reader_.data() + reader_.position();
  if (regions_) NoteRecord(layouts::SendFxAssign, -1);
  reader_.skip(TKvsSendFxAssign::RecordSize);
  const int count = std::min<int>(record[2], TKvsSendFxAssign::MaxAssigns);
  for (int i = 0; i < count; ++i) sendFxAssigns_.emplace_back(record);
}

// int32 window count, then that many 20-byte window state records.
void TKvsLoader::ReadWindowPosInfos() {
  if (regions_) NoteRegion(reader_.position(), 4, TKvsRegionKind::Field, "WindowCount", TKvsValueFormat::I32);
  windowCount_ = reader_.readInt32();
  const std::size_t count = BoundedCount(windowCount_, reader_.remaining());
  for (std::size_t i = 0; i < count && !reader_.atEnd(); ++i) {
    if (regions_) NoteRecord(layouts::WindowPos, static_cast<std::int64_t>(i));
    windowPosInfos_.emplace_back(ReadRecord<TKvsWindowPosInfo::RecordSize>(reader_));
  }
}

// The bytes of a length-prefixed text: at most the bytes that remain; a
// negative length takes none. The reader moves past them.
std::span<const std::uint8_t> TKvsLoader::TakeLengthBytes(std::int32_t length) {
  const std::uint8_t* const start = reader_.data() + reader_.position();
  const std::size_t take = length > 0 ? std::min(static_cast<std::size_t>(length), reader_.remaining()) : 0;
  reader_.skip(take);
  return {start, take};
}

// The plug-in text after the info record, taken as the song info texts
// are; the module views it in place.
void TKvsLoader::ReadPluginText(TKvsModule& module, std::int32_t length) {
  const std::span<const std::uint8_t> bytes = TakeLengthBytes(length);
  if (regions_) NoteBytes(bytes, "PluginText");
  module.SetPluginText(bytes.data(), bytes.size());
}

// GLOB: 0 settings[1264], 1264 8 bytes discarded, 1272 song info header[16]
// (0 u32 ShowSongInfo, 4 i32 SongInfoLength, 8 i32 SongInfoUrlLength),
// then the two texts.
void TKvsLoader::ReadGlobal() {
  if (regions_) NoteRecord(layouts::Settings, -1);
  global_.SetSettings(ReadRecord<TKvsGlobal::SettingsSize>(reader_));
  if (regions_) NoteRegion(reader_.position(), 8, TKvsRegionKind::Reserved, "Discarded");
  reader_.skip(8);
  if (regions_) NoteRecord(layouts::SongInfoHeader, -1);
  global_.Header = ReadRecord<TKvsGlobal::HeaderSize>(reader_);
  songInfoLength_ = global_.SongInfoLength();
  songInfoUrlLength_ = global_.SongInfoUrlLength();
  // A length of exactly 1 consumes its byte too, so that what follows is not
  // read one byte early.
  const std::span<const std::uint8_t> songInfo = TakeLengthBytes(songInfoLength_);
  const std::span<const std::uint8_t> songInfoUrl = TakeLengthBytes(songInfoUrlLength_);
  if (regions_) {
    NoteBytes(songInfo, "SongInfo");
    NoteBytes(songInfoUrl, "SongInfoUrl");
  }
  songInfo_ = FixedText(songInfo.data(), songInfo.size());
  songInfoUrl_ = FixedText(songInfoUrl.data(), songInfoUrl.size());
  if (sink_) {  // a song info may be megabytes
    AddLoaderMessage(Format(" Song Info: %s", {songInfo_}));
    AddLoaderMessage(Format(" Song Info Url: %s", {songInfoUrl_}));
  }
}

// Channel entry: 0 u32 tag, 4 u32 length; with tag 2004 then the 68-byte
// channel record, a u32 tag and an i32 extra length of bytes to skip.
void TKvsLoader::ReadChannels(std::int32_t count) {
  const std::size_t entries = BoundedCount(count, reader_.remaining());
  for (std::size_t i = 0; i < entries && !reader_.atEnd(); ++i) {
    const auto entry = static_cast<std::int64_t>(i);
    const std::size_t start = reader_.position();
    const std::uint32_t tag = reader_.readUInt32();
    reader_.skip(4);
    if (regions_) {
      NoteRegion(start, 4, TKvsRegionKind::Field, "Tag", TKvsValueFormat::U32, entry);
      NoteRegion(start + 4, 4, TKvsRegionKind::Reserved, "Length", TKvsValueFormat::None, entry);
    }
    if (tag == ValidChannelTag) {
      if (regions_) NoteRecord(layouts::Channel, entry);
      channels_.emplace_back(reader_.data() + reader_.position());
      reader_.skip(TKvsChannel::RecordSize);
      const std::size_t tail = reader_.position();
      reader_.skip(4);
      const std::int32_t extra = reader_.readInt32();
      // A negative length counts as 0: the reader never moves backwards.
      if (extra > 0) reader_.skip(static_cast<std::size_t>(extra));
      if (regions_) {
        NoteRegion(tail, 4, TKvsRegionKind::Reserved, "SecondTag", TKvsValueFormat::None, entry);
        NoteRegion(tail + 4, 4, TKvsRegionKind::Field, "ExtraLength", TKvsValueFormat::I32, entry);
        if (reader_.position() > tail + 8)
          NoteRegion(tail + 8, reader_.position() - (tail + 8), TKvsRegionKind::Skipped, "Extra",
                     TKvsValueFormat::None, entry);
      }
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
    const auto entry = static_cast<std::int64_t>(i);
    if (regions_) NoteRecord(layouts::AudioClip, entry);
    const auto record = ReadRecord<TKvsAudioClip::RecordSize>(reader_);
    if (regions_) NoteRegion(reader_.position(), 4, TKvsRegionKind::Field, "NameLength", TKvsValueFormat::I32, entry);
    const std::int32_t nameLength = reader_.readInt32();
    const std::span<const std::uint8_t> nameBytes = TakeLengthBytes(nameLength);
    if (regions_) NoteBytes(nameBytes, "FileName", entry);
    std::string fileName = FixedText(nameBytes.data(), nameBytes.size());
    AddLoaderMessage(Format(" Audio File: %s", {fileName}));
    audioClips_.emplace_back(static_cast<std::int32_t>(audioClips_.size()), std::move(fileName), record);
  }
}

void TKvsLoader::ReadUnknownChunk(std::uint32_t id, std::int32_t size) {
  const std::size_t length = static_cast<std::uint32_t>(size);
  if (!reader_.has(length)) throw KvsError("Stream read error");
  if (regions_) NoteChunk(id);
  chunks_.Add(static_cast<std::int32_t>(id), static_cast<std::int64_t>(reader_.position()), length);
  if (regions_) NoteRegion(reader_.position(), length, TKvsRegionKind::Data, "Data");
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
  const std::size_t skipStart = reader_.position();
  if (size > 0) reader_.skip(static_cast<std::size_t>(size));
  if (regions_) NoteRegion(skipStart, reader_.position() - skipStart, TKvsRegionKind::Skipped, "Skip");

  ++moduleCounter;
  const auto typeId = static_cast<std::int32_t>(id);
  if (sink_) AddLoaderMessage(" Obj: " + ModuleTypeToText(typeId));
  // Built through this reference; the song's list only hands out const modules.
  std::unique_ptr<TKvsModule> made = MakeModule(typeId);
  TKvsModule& module = *made;
  modules_.push_back(std::move(made));

  if (regions_) {
    NoteRegion(reader_.position(), 4, TKvsRegionKind::Field, "InfoTag", TKvsValueFormat::U32);
    NoteRegion(reader_.position() + 4, 4, TKvsRegionKind::Reserved, "InfoLength");
  }
  const std::uint32_t tag = reader_.readUInt32();
  reader_.skip(4);
  if (tag == ExpectedInfoTag(module.Class())) {
    if (regions_) NoteRecord(InfoLayout(module.Class()), -1);
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
  if (!ModuleEnd(markerStart)) {
    // No end: the module has no data chunk, and the walk ends at the next
    // header read since the reader stands at the end of the data.
    reader_.seek(reader_.size());
    return;
  }
  reader_.seek(markerStart + MarkerSize);
  if (regions_) {
    NoteRegion(dataStart, markerStart - dataStart, TKvsRegionKind::Data, "Data");
    NoteRegion(markerStart, MarkerSize, TKvsRegionKind::Header, "EndMarker");
  }
  module.SetPlace(static_cast<std::int32_t>(chunks_.size()), static_cast<std::int32_t>(modules_.size() - 1));
  chunks_.Add(0, static_cast<std::int64_t>(dataStart), markerStart - dataStart);
}

// Track block: u32 tag 5, i32 byte length L (taken as unsigned), then
// L div 64 track records. Without the tag the 8 bytes belong to the data.
// The track records at the read position, before the reader moves past them.
void TKvsLoader::NoteTracks(std::size_t tracks) {
  const std::size_t start = reader_.position();
  for (std::size_t i = 0; i < tracks && !regionsDone_; ++i) {
    reader_.seek(start + i * TKvsTrack::RecordSize);
    NoteRecord(layouts::Track, static_cast<std::int64_t>(i));
  }
  if (!regionsDone_) reader_.seek(start);
}

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
  if (regions_) {
    NoteRegion(reader_.position() - 8, 4, TKvsRegionKind::Field, "TrackTag", TKvsValueFormat::U32);
    NoteRegion(reader_.position() - 4, 4, TKvsRegionKind::Field, "TrackLength", TKvsValueFormat::U32);
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
  if (regions_) NoteTracks(tracks);
  reader_.skip(std::min(held, tracks * TKvsTrack::RecordSize));
  return true;
}

// Where the module's end marker starts, if it has one. A reading for the
// regions whose sink knows the answer from an earlier walk takes it (a
// module's data may be a gigabyte); the first walk tells the sink.
bool TKvsLoader::ModuleEnd(std::size_t& markerStart) {
  if (regions_ == nullptr || regionsDone_) return FindModuleEnd(markerStart);
  // A whole song read again meets its modules in the load's order: the
  // load's model has each one's data chunk, or none when it has no end.
  const std::size_t index = forgottenModules_ + modules_.size() - 1;
  if (model_ != nullptr && !oneChunk_ && index < model_->modules_.size()) {
    const std::int32_t place = model_->modules_[index]->ChunkIndex();
    if (place < 0) {
      regions_->ModuleEnd(chunkHeader_, TKvsRegionSink::NoModuleEnd);
      return false;
    }
    const TKvsChunk data = model_->chunks_[static_cast<std::size_t>(place)];
    if (static_cast<std::uint64_t>(data.Offset) == reader_.position()) {
      markerStart = static_cast<std::size_t>(data.Offset + data.Data.Size());
      regions_->ModuleEnd(chunkHeader_, markerStart);
      return true;
    }
  }
  const std::optional<std::uint64_t> known = regions_->KnownModuleEnd(chunkHeader_);
  if (known) {
    if (*known == TKvsRegionSink::NoModuleEnd) return false;
    // Trusted only where a marker can stand; otherwise searched again.
    if (*known >= reader_.position() && reader_.size() >= MarkerCompareSize &&
        *known <= reader_.size() - MarkerCompareSize) {
      markerStart = static_cast<std::size_t>(*known);
      return true;
    }
  }
  const bool found = FindModuleEnd(markerStart);
  regions_->ModuleEnd(chunkHeader_, found ? markerStart : TKvsRegionSink::NoModuleEnd);
  return found;
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
