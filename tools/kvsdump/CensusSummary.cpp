#include "tools/kvsdump/CensusSummary.h"

#include "text/Format.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace tarvo::kvsdump {

namespace {

// Adds `part` to `sum`; true when the sum went past 64 bits.
bool Overflows(std::uint64_t& sum, std::uint64_t part) { return __builtin_add_overflow(sum, part, &sum); }

bool AddCounts(std::map<std::uint32_t, FilesAndCount>& total, const std::map<std::uint32_t, std::uint64_t>& song) {
  bool overflowed = false;
  auto hint = total.begin();
  for (const auto& [id, count] : song) {
    // Both in id order: each id is found from where the last one was.
    hint = total.try_emplace(hint, id);
    overflowed |= Overflows(hint->second.files, 1);
    overflowed |= Overflows(hint->second.count, count);
    ++hint;
  }
  return overflowed;
}

}  // namespace

void CensusSummary::Add(const SongCensus& song) {
  overflowed |= Overflows(files, 1);
  overflowed |= Overflows(bytes, song.size);
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
  for (std::size_t kind = 0; kind < RegionKindCount; ++kind) overflowed |= Overflows(coverage[kind], song.coverage[kind]);
  overflowed |= AddCounts(chunkIds, song.chunkIds);
  overflowed |= AddCounts(moduleTypes, song.moduleTypes);
}

std::string VersionText(std::int32_t version) { return Format("%x", {version}); }

}  // namespace tarvo::kvsdump
