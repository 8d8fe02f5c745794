#include "tools/kvsdump/CensusJson.h"

#include "text/Format.h"
#include "tools/kvsdump/OutputText.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <string_view>

namespace tarvo::kvsdump {

namespace {

using Json = nlohmann::ordered_json;

std::string IdKey(std::uint32_t id) { return Format("%8.8x", {id}); }

Json CoverageObject(const CoverageBytes& coverage) {
  Json object = Json::object();
  for (std::size_t kind = 0; kind < RegionKindCount; ++kind)
    object[RegionKindName(static_cast<TKvsRegionKind>(kind))] = coverage[kind];
  return object;
}

Json CountsObject(const std::map<std::uint32_t, std::uint64_t>& counts) {
  Json object = Json::object();
  for (const auto& [id, count] : counts) object[IdKey(id)] = count;
  return object;
}

Json FilesAndCountObject(const std::map<std::uint32_t, FilesAndCount>& counts, const char* what) {
  Json object = Json::object();
  for (const auto& [id, entry] : counts) object[IdKey(id)] = Json{{"files", entry.files}, {what, entry.count}};
  return object;
}

// Every member must be there with its type: a line that lacks one is not
// census output, and guessing would give a wrong summary.
bool ReadCount(const Json& object, const char* key, std::uint64_t& value) {
  const auto it = object.find(key);
  if (it == object.end() || !it->is_number_unsigned()) return false;
  value = it->get<std::uint64_t>();
  return true;
}

bool ReadId(const std::string& key, std::uint32_t& id) {
  if (key.size() != 8) return false;
  const auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), id, 16);
  return error == std::errc{} && end == key.data() + key.size();
}

bool ReadCounts(const Json& object, const char* key, std::map<std::uint32_t, std::uint64_t>& counts) {
  const auto it = object.find(key);
  if (it == object.end() || !it->is_object()) return false;
  for (const auto& item : it->items()) {
    std::uint32_t id = 0;
    if (!ReadId(item.key(), id) || !item.value().is_number_unsigned()) return false;
    counts[id] = item.value().get<std::uint64_t>();
  }
  return true;
}

bool ReadSong(const Json& line, SongCensus& song) {
  song = SongCensus{};
  const auto outcome = line.find("outcome");
  const auto version = line.find("version");
  const auto coverage = line.find("coverage");
  if (outcome == line.end() || version == line.end() || coverage == line.end() || !coverage->is_object())
    return false;
  bool named = false;
  for (const Outcome known : {Outcome::Loaded, Outcome::Rejected, Outcome::Failed}) {
    if (*outcome == OutcomeName(known)) {
      song.outcome = known;
      named = true;
    }
  }
  if (!named) return false;
  if (version->is_number_integer()) {
    const std::int64_t value = version->get<std::int64_t>();
    if (value < INT32_MIN || value > INT32_MAX) return false;
    song.version = static_cast<std::int32_t>(value);
  } else if (!version->is_null()) {
    return false;
  }
  for (std::size_t kind = 0; kind < RegionKindCount; ++kind)
    if (!ReadCount(*coverage, RegionKindName(static_cast<TKvsRegionKind>(kind)), song.coverage[kind])) return false;
  return ReadCount(line, "size", song.size) && ReadCounts(line, "chunk_ids", song.chunkIds) &&
         ReadCounts(line, "module_types", song.moduleTypes);
}

}  // namespace

void WriteSongLine(std::ostream& out, const SongCensus& song) {
  Json line = Json::object();
  line["file"] = ExternalTextToUtf8(song.file);
  line["size"] = song.size;
  line["outcome"] = OutcomeName(song.outcome);
  line["error"] = song.errorUtf8;
  line["version"] = song.version ? Json(*song.version) : Json(nullptr);
  line["coverage"] = CoverageObject(song.coverage);
  line["chunk_ids"] = CountsObject(song.chunkIds);
  line["module_types"] = CountsObject(song.moduleTypes);
  line["modules"] = song.modules;
  line["channels"] = song.channels;
  line["song_events"] = song.songEvents;
  line["pattern_events"] = song.patternEvents;
  line["messages"] = song.messages;
  out << line.dump() << '\n';
}

void WriteSummaryLine(std::ostream& out, const CensusSummary& summary) {
  Json versions = Json::object();
  for (const auto& [version, files] : summary.versions)
    if (version) versions[VersionText(*version)] = files;
  // Files without a version sort first.
  if (const auto none = summary.versions.begin(); none != summary.versions.end() && !none->first)
    versions["none"] = none->second;
  Json body = Json::object();
  body["files"] = summary.files;
  body["bytes"] = summary.bytes;
  body["outcomes"] = Json{{"loaded", summary.loaded}, {"rejected", summary.rejected}, {"failed", summary.failed}};
  body["versions"] = std::move(versions);
  body["coverage"] = CoverageObject(summary.coverage);
  body["chunk_ids"] = FilesAndCountObject(summary.chunkIds, "chunks");
  body["module_types"] = FilesAndCountObject(summary.moduleTypes, "modules");
  out << Json{{"summary", std::move(body)}}.dump() << '\n';
}

CensusLine ReadCensusLine(std::string_view text, SongCensus& song, std::uint64_t& summaryFiles) {
  if (text.find_first_not_of(" \t\r") == std::string_view::npos) return CensusLine::Blank;
  const Json line = Json::parse(text.begin(), text.end(), nullptr, false);
  if (!line.is_object()) return CensusLine::Invalid;
  if (const auto summary = line.find("summary"); summary != line.end()) {
    return summary->is_object() && ReadCount(*summary, "files", summaryFiles) ? CensusLine::Summary
                                                                               : CensusLine::Invalid;
  }
  return ReadSong(line, song) ? CensusLine::Song : CensusLine::Invalid;
}

}  // namespace tarvo::kvsdump
