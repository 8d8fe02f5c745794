#include "tools/kvsdump/CensusSong.h"

#include "content/map/RegionMap.h"
#include "songfile/ChunkId.h"
#include "songfile/KvsLoader.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace tarvo::kvsdump {

namespace {

// The map's own byte counter, which also counts the chunk headers the
// loader reads, by id. A version was read when a byte of a version chunk's
// field is in the file: a header alone at the end of the file gives the
// loader a zero of its own, which is no version of the file.
class CensusCounter : public content::CoverageCounter {
 public:
  explicit CensusCounter(std::map<std::uint32_t, std::uint64_t>& chunkIds) : chunkIds_(chunkIds) {}

  bool VersionRead() const { return versionRead_; }

  void Chunk(const TKvsChunkNote& chunk) override {
    CoverageCounter::Chunk(chunk);
    ++chunkIds_[chunk.id];
    inVersion_ = chunk.id == chunkids::VFhd;
  }

  void Region(const TKvsRegionNote& region) override {
    CoverageCounter::Region(region);
    if (inVersion_ && region.kind == TKvsRegionKind::Field) versionRead_ = true;
  }

 private:
  std::map<std::uint32_t, std::uint64_t>& chunkIds_;
  bool inVersion_ = false;
  bool versionRead_ = false;
};

}  // namespace

SongCensus StudySong(const std::string& file) {
  SongCensus song;
  song.file = file;
  TKvsLoader loader([&song](std::string_view) { ++song.messages; });
  CensusCounter counter(song.chunkIds);
  loader.SetRegionSink(&counter);
  const LoadResult result = LoadSong(loader, file);
  song.outcome = result.outcome;
  song.errorUtf8 = result.errorUtf8;
  song.size = loader.FileSize();
  song.coverage = counter.Finish(song.size).bytes;
  if (counter.VersionRead()) song.version = loader.FileVersion();
  for (const auto& module : loader.Modules()) ++song.moduleTypes[static_cast<std::uint32_t>(module->TypeId())];
  song.modules = loader.Modules().size();
  song.channels = loader.Channels().size();
  song.songEvents = loader.SongEvents().size();
  song.patternEvents = loader.PatternEvents().size();
  return song;
}

}  // namespace tarvo::kvsdump
