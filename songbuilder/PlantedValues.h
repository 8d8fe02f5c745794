#pragma once

// A small collection for the value census: six songs whose settings carry
// two planted reserved places, one holding a value of its own
// (GLOB/Settings/Reserved+32: 0, 1 or 2) and one copying a field of its
// record (GLOB/Settings/Reserved+92 = RootKey); the last song also has 300
// events of distinct times, more values than a place keeps. The tests and
// the manual's example use this one collection. Header only.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "songbuilder/SongBuilder.h"

namespace tarvo::testing {

inline constexpr std::size_t PlantedSongCount = 6;

inline SongBuilder PlantedValuesSong(std::size_t index) {
  GlobChunk glob;
  const auto rootKey = static_cast<std::int32_t>(index % 4);
  glob.Tempo(120.0F + static_cast<float>(index)).Ppq(96).RootKey(rootKey).Signature(4);
  glob.PutU32(32, static_cast<std::uint32_t>(index % 3));  // carries a value
  glob.PutI32(92, rootKey);                                // copies RootKey
  SongBuilder song;
  song.Version(0x6105).Glob(glob);
  if (index + 1 == PlantedSongCount) {
    std::vector<EventRecord> events;
    for (std::int32_t i = 0; i < 300; ++i) events.emplace_back(0, 0x3000, i * 96, 60);
    song.Events(events);
  }
  return song.EndOfSong();
}

// Writes the songs as `folder`/a/song1.kvs ... `folder`/b/song6.kvs, three
// in each of two folders (two parts for a merge).
inline void WritePlantedValues(const std::filesystem::path& folder) {
  for (std::size_t i = 0; i < PlantedSongCount; ++i) {
    const std::filesystem::path part = folder / (i < PlantedSongCount / 2 ? "a" : "b");
    std::filesystem::create_directories(part);
    PlantedValuesSong(i).WriteToFile(part / ("song" + std::to_string(i + 1) + ".kvs"));
  }
}

}  // namespace tarvo::testing
