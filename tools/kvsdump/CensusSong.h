#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "songfile/KvsRegion.h"
#include "tools/kvsdump/ShownDiff.h"

namespace tarvo::kvsdump {

// Bytes of a song by what the reading made of them, by region kind.
using CoverageBytes = std::array<std::uint64_t, RegionKindCount>;

// What the census keeps of one song once its loader is gone: a few numbers,
// so a collection costs memory only for the songs being loaded.
struct SongCensus {
  std::string file;  // the path as found, bytes as the file system has them
  std::uint64_t size = 0;  // the bytes the loader read
  Outcome outcome = Outcome::Loaded;
  std::string errorUtf8;
  std::optional<std::int32_t> version;  // none when no version was read
  CoverageBytes coverage{};
  std::map<std::uint32_t, std::uint64_t> chunkIds;     // chunk headers read, by id
  std::map<std::uint32_t, std::uint64_t> moduleTypes;  // modules, by type id
  std::uint64_t modules = 0;
  std::uint64_t channels = 0;
  std::uint64_t songEvents = 0;
  std::uint64_t patternEvents = 0;
  std::uint64_t messages = 0;
};

// Loads `file` as the window does and takes its figures from the loader and
// its region map. Never throws for anything about the file: a file that
// cannot be read is a failed song.
SongCensus StudySong(const std::string& file);

}  // namespace tarvo::kvsdump
