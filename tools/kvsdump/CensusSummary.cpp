#include "tools/kvsdump/CensusSummary.h"

#include "text/Format.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace tarvo::kvsdump {

namespace {

void AddCounts(std::map<std::uint32_t, FilesAndCount>& total,
               const std::map<std::uint32_t, std::uint64_t>& song) {
  for (const auto& [id, count] : song) {
    FilesAndCount& entry = total[id];
    ++entry.files;
    entry.count += count;
  }
}

}  // namespace

void CensusSummary::Add(const SongCensus& song) {
  ++files;
  bytes += song.size;
  switch (song.outcome) {
    case Outcome::Loaded:
      ++loaded;
      break;
    case Outcome::Rejected:
      ++rejected;
      break;
    case Outcome::Failed:
      ++failed;
      break;
  }
  ++versions[song.version];
  for (std::size_t kind = 0; kind < RegionKindCount; ++kind) coverage[kind] += song.coverage[kind];
  AddCounts(chunkIds, song.chunkIds);
  AddCounts(moduleTypes, song.moduleTypes);
}

std::string VersionText(std::int32_t version) { return Format("%x", {version}); }

}  // namespace tarvo::kvsdump
