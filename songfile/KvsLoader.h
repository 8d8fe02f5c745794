#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "songfile/ByteReader.h"
#include "songfile/KvsChunk.h"
#include "songfile/KvsGlobal.h"
#include "songfile/KvsModules.h"
#include "songfile/KvsRegion.h"
#include "songfile/KvsRecords.h"

namespace tarvo {

// The song's lists. Counted records can come every few bytes of a file, so
// lists that grow record by record are deques: growing one never copies it
// nor needs twice its memory.
using TKvsAudioClipList = std::deque<TKvsAudioClip>;
using TKvsModuleList = std::deque<std::unique_ptr<const TKvsModule>>;
using TKvsWindowPosInfoList = std::deque<TKvsWindowPosInfo>;
using TKvsChannelList = std::deque<TKvsChannel>;
using TKvsSendFxAssignList = std::deque<TKvsSendFxAssign>;

// Reads one song file into the song model and writes the loader message log.
// One loader serves one load. It knows nothing of any user interface: the
// caller gives it a sink for the log and a callback that lets the user
// interface handle its pending events during long work.
class TKvsLoader {
 public:
  using MessageSink = std::function<void(std::string_view message)>;
  using PendingEvents = std::function<void()>;

  // Bytes of progress (walked or searched) between two pending-event calls.
  static constexpr std::size_t PendingEventsBudget = std::size_t{1} << 20;
  // Zero bytes after the file's copy, at least the longest fixed-size
  // record: the model views records in place, and one cut short by the end
  // of the file then reads as zero-filled, as the format wants.
  static constexpr std::size_t ZeroPadding = 256;

  TKvsLoader();
  explicit TKvsLoader(MessageSink sink, PendingEvents pendingEvents = {});
  ~TKvsLoader();
  TKvsLoader(const TKvsLoader&) = delete;
  TKvsLoader& operator=(const TKvsLoader&) = delete;

  // Copies the file into memory and walks it. A non-empty errorText after
  // the call means the file was rejected (a version too old). Raises
  // KvsError "Cannot open file %s" and "Stream read error"; what was built
  // before an error stays. A loader takes one song: once it holds one, a
  // second load raises std::logic_error and changes nothing.
  void LoadFromFile(const std::string& fileName, std::string& errorText);

  // The same walk over bytes already in memory (tests, fuzzing). The loader
  // takes a copy.
  void LoadFromMemory(const std::uint8_t* data, std::size_t size, std::string& errorText);

  // Reports the regions of what the next load reads to `sink`, which must
  // outlive the load; nullptr (the default) reports nothing.
  void SetRegionSink(TKvsRegionSink* sink) { regions_ = sink; }
  // The next load walks for the sink's regions alone, as a reading again
  // does: it keeps the objects of one chunk at a time and reports a
  // chunk's events as one run. What it reports, rejects and raises is the
  // load's; only the model is not kept.
  void SetRegionsOnly() { keepModel_ = false; }

  // Reads the bytes of a loaded song again, reporting their regions to
  // `sink` and building nothing that `song` keeps: the whole walk, or the
  // one chunk whose header is at `headerOffset` (a chunk note's offset). A
  // raised error ends the walk as it ended the load; what the sink throws
  // goes to the caller.
  static void ReportRegions(const TKvsLoader& song, TKvsRegionSink& sink);
  static void ReportChunkRegions(const TKvsLoader& song, std::uint64_t headerOffset, TKvsRegionSink& sink);

  std::int32_t StatedModuleCount() const { return statedModuleCount_; }
  std::int32_t FileVersion() const { return fileVersion_; }
  const TKvsGlobal& Global() const { return global_; }
  std::int32_t SongInfoLength() const { return songInfoLength_; }
  std::int32_t SongInfoUrlLength() const { return songInfoUrlLength_; }
  const std::string& SongInfo() const { return songInfo_; }
  const std::string& SongInfoUrl() const { return songInfoUrl_; }
  std::int32_t ChannelCount() const { return channelCount_; }
  std::int32_t ReturnChannelCount() const { return returnChannelCount_; }
  std::int32_t LoadedModuleCount() const { return loadedModuleCount_; }
  std::int32_t PatternDataSize() const { return patternDataSize_; }
  std::int32_t EventDataSize() const { return eventDataSize_; }
  std::int32_t WindowDataSize() const { return windowDataSize_; }
  std::int32_t WindowCount() const { return windowCount_; }
  std::int32_t FXAssignDataSize() const { return fxAssignDataSize_; }

  const TKvsAudioClipList& AudioClips() const { return audioClips_; }
  const TKvsModuleList& Modules() const { return modules_; }
  const std::vector<TKvsEvent>& PatternEvents() const { return patternEvents_; }
  const std::vector<TKvsEvent>& SongEvents() const { return songEvents_; }
  const TKvsWindowPosInfoList& WindowPosInfos() const { return windowPosInfos_; }
  const TKvsChannelList& Channels() const { return channels_; }
  const TKvsSendFxAssignList& SendFxAssigns() const { return sendFxAssigns_; }
  const TKvsChunkList& Chunks() const { return chunks_; }

  // The loaded file's bytes, as copied into memory.
  std::size_t StreamSize() const { return reader_.size(); }
  // The file's size: the bytes held, or when they could not be held (not
  // enough memory) the size the file had when opened.
  std::uint64_t FileSize() const { return stream_ != nullptr ? reader_.size() : openedSize_; }
  // Those bytes, followed by ZeroPadding zero bytes; nullptr before a load.
  const std::uint8_t* StreamData() const { return reader_.data(); }

  // Positions in Channels() of the channels whose OwnerModule is
  // `moduleIndex`, in list order. Indexed on first use after the load, so
  // that showing every module of a song does not scan every channel for
  // each module.
  std::span<const std::size_t> ChannelsOwnedBy(std::int32_t moduleIndex) const;

 private:
  struct Walk;

  void Start(std::unique_ptr<std::uint8_t[]> stream, std::size_t size);
  void Run(std::string& errorText);
  static void ReportAgain(const TKvsLoader& song, std::uint64_t from, bool oneChunk, TKvsRegionSink& sink);
  void NoteChunk(std::uint32_t id);
  void NoteRegion(std::uint64_t offset, std::uint64_t size, TKvsRegionKind kind, const char* name,
                  TKvsValueFormat format = TKvsValueFormat::None, std::int64_t record = -1);
  void NoteRecord(const TKvsRecordLayout& layout, std::int64_t record);
  void NoteBytes(std::span<const std::uint8_t> bytes, const char* name, std::int64_t record = -1);
  void NoteTracks(std::size_t tracks);
  void CheckRegionsDone();
  void ForgetModel();
  void AddLoaderMessage(const std::string& text);
  void WriteChunkTrace(std::uint32_t id, std::int32_t size);
  void Progress();

  void ReadVersion(bool& stopped, std::string& errorText);
  void ReadEvents(std::vector<TKvsEvent>& events, std::int32_t size);
  void ReadSendFxAssign();
  void ReadWindowPosInfos();
  void ReadGlobal();
  void ReadChannels(std::int32_t count);
  void ReadAudioClips(std::int32_t count);
  void ReadUnknownChunk(std::uint32_t id, std::int32_t size);
  void ReadModule(std::uint32_t id, std::int32_t size, int& moduleCounter, bool& stopped);
  bool ReadModuleTracks(TKvsModule& module);
  bool ModuleEnd(std::size_t& markerStart);
  bool FindModuleEnd(std::size_t& markerStart);
  std::span<const std::uint8_t> TakeLengthBytes(std::int32_t length);
  void ReadPluginText(TKvsModule& module, std::int32_t length);

  MessageSink sink_;
  PendingEvents pendingEvents_;
  std::size_t lastPendingEvents_ = 0;

  std::unique_ptr<std::uint8_t[]> stream_;
  std::uint64_t openedSize_ = 0;
  ByteReader reader_;

  // Regions: the sink, or nullptr; the header offset of the chunk being
  // read; and whether the walk ends after one chunk (a chunk read again).
  TKvsRegionSink* regions_ = nullptr;
  std::uint64_t chunkHeader_ = 0;
  bool oneChunk_ = false;
  // Set once the sink is done: the walk runs to its end reporting nothing.
  bool regionsDone_ = false;
  // False when reading again for the regions: the objects are not kept.
  bool keepModel_ = true;
  // When reading again: the loaded song, whose model knows each module's end.
  const TKvsLoader* model_ = nullptr;
  // What a walk for the regions alone has forgotten of each list, so that
  // records keep the list indices the model gives them.
  std::size_t forgottenAudioClips_ = 0;
  std::size_t forgottenModules_ = 0;
  std::size_t forgottenWindowPosInfos_ = 0;
  std::size_t forgottenChannels_ = 0;
  std::size_t forgottenSongEvents_ = 0;
  std::size_t forgottenPatternEvents_ = 0;

  std::int32_t statedModuleCount_ = 0;
  std::int32_t fileVersion_ = 0;
  TKvsGlobal global_;
  std::int32_t songInfoLength_ = 0;
  std::int32_t songInfoUrlLength_ = 0;
  std::string songInfo_;
  std::string songInfoUrl_;
  std::int32_t channelCount_ = 0;
  std::int32_t returnChannelCount_ = 0;
  std::int32_t loadedModuleCount_ = 0;
  std::int32_t patternDataSize_ = 0;
  std::int32_t eventDataSize_ = 0;
  std::int32_t windowDataSize_ = 0;
  std::int32_t windowCount_ = 0;
  std::int32_t fxAssignDataSize_ = 0;

  TKvsAudioClipList audioClips_;
  TKvsModuleList modules_;
  std::vector<TKvsEvent> patternEvents_;
  std::vector<TKvsEvent> songEvents_;
  TKvsWindowPosInfoList windowPosInfos_;
  TKvsChannelList channels_;
  TKvsSendFxAssignList sendFxAssigns_;
  TKvsChunkList chunks_;

  // Positions in channels_, ordered by owner, then position; empty until
  // ChannelsOwnedBy first needs it.
  mutable std::vector<std::size_t> channelsByOwner_;
};

}  // namespace tarvo
