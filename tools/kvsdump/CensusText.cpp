#include "tools/kvsdump/CensusText.h"

#include "content/map/RegionMap.h"
#include "songfile/ChunkId.h"
#include "songfile/ModuleTypes.h"
#include "text/Format.h"
#include "text/Latin1.h"
#include "tools/kvsdump/OutputText.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <string_view>

namespace tarvo::kvsdump {

namespace {

constexpr auto HeaderKind = static_cast<std::size_t>(TKvsRegionKind::Header);
constexpr auto FieldKind = static_cast<std::size_t>(TKvsRegionKind::Field);

// As the map's coverage line has it; "-" for an empty file.
std::string Share(std::uint64_t part, std::uint64_t whole) {
  return whole == 0 ? "-" : content::PercentText(part, whole);
}

void WriteCounts(std::ostream& out, const char* title, const char* what,
                 const std::map<std::uint32_t, FilesAndCount>& counts,
                 std::string (*name)(std::uint32_t)) {
  if (counts.empty()) return;
  out << title << ":\n" << Format("  %-8s %8s %10s  %s\n", {"id", "files", what, "name"});
  for (const auto& [id, entry] : counts)
    out << Format("  %8.8x %8d %10d  ", {id, entry.files, entry.count})
        << Latin1ToTerminalUtf8(name(id)) << '\n';
}

// A module record's header carries the module's type id.
std::string ChunkName(std::uint32_t id) {
  if (IsModuleChunk(id)) return ModuleTypeToText(static_cast<std::int32_t>(id));
  return ChunkIdToText(id);
}
std::string ModuleName(std::uint32_t id) { return ModuleTypeToText(static_cast<std::int32_t>(id)); }

}  // namespace

void WriteSongText(std::ostream& out, const SongCensus& song) {
  const std::string version = song.version ? VersionText(*song.version) : "-";
  const std::string understood = Share(song.coverage[HeaderKind] + song.coverage[FieldKind], song.size);
  out << Format("%-8s %10d %8s %6s  ", {OutcomeName(song.outcome), song.size, version, understood})
      << ExternalTextToTerminal(song.file);
  if (!song.errorUtf8.empty()) out << ": " << ExternalTextToTerminal(song.errorUtf8);
  out << '\n';
}

void WriteSummaryText(std::ostream& out, const CensusSummary& summary) {
  out << Format("\n%d files, %d bytes: %d loaded, %d rejected, %d failed\n",
                {summary.files, summary.bytes, summary.loaded, summary.rejected, summary.failed});
  if (!summary.versions.empty()) out << "versions:\n";
  for (const auto& [version, files] : summary.versions)
    if (version) out << Format("  %8s %8d files\n", {VersionText(*version), files});
  // Files without a version sort first.
  if (const auto none = summary.versions.begin(); none != summary.versions.end() && !none->first)
    out << Format("  %8s %8d files\n", {"none", none->second});
  WriteCounts(out, "chunk ids", "chunks", summary.chunkIds, ChunkName);
  WriteCounts(out, "module types", "modules", summary.moduleTypes, ModuleName);
  content::Coverage coverage;
  coverage.bytes = summary.coverage;
  out << content::CoverageLine(coverage) << '\n';
}

}  // namespace tarvo::kvsdump
