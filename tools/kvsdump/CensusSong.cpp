#include "tools/kvsdump/CensusSong.h"

#include "songfile/KvsLoader.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvo::kvsdump {

SongCensus StudySong(const std::string& file) {
  SongCensus song;
  song.file = file;
  TKvsLoader loader([&song](std::string_view) { ++song.messages; });
  const LoadResult result = LoadSong(loader, file);
  song.outcome = result.outcome;
  song.errorUtf8 = result.errorUtf8;
  song.size = loader.StreamSize();
  for (const auto& module : loader.Modules()) ++song.moduleTypes[static_cast<std::uint32_t>(module->TypeId)];
  song.modules = loader.Modules().size();
  song.channels = loader.Channels().size();
  song.songEvents = loader.SongEvents().size();
  song.patternEvents = loader.PatternEvents().size();
  return song;
}

}  // namespace tarvo::kvsdump
