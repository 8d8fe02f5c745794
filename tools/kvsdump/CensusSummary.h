#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "tools/kvsdump/CensusSong.h"

namespace tarvo::kvsdump {

struct FilesAndCount {
  std::uint64_t files = 0;
  std::uint64_t count = 0;  // chunks or modules
};

// The figures of a whole collection, added up song by song; a census and a
// merge of census outputs fill it the same way.
struct CensusSummary {
  std::uint64_t files = 0;
  std::uint64_t bytes = 0;
  std::uint64_t loaded = 0;
  std::uint64_t rejected = 0;
  std::uint64_t failed = 0;
  std::map<std::optional<std::int32_t>, std::uint64_t> versions;  // files by version
  CoverageBytes coverage{};
  std::map<std::uint32_t, FilesAndCount> chunkIds;
  std::map<std::uint32_t, FilesAndCount> moduleTypes;

  void Add(const SongCensus& song);
  bool AllLoaded() const { return loaded == files; }
  // A sum went past 64 bits: the figures are wrong. Only a merge of
  // made-up lines gets there.
  bool overflowed = false;
};

// A version as the log and the pages show it: hexadecimal.
std::string VersionText(std::int32_t version);

}  // namespace tarvo::kvsdump
