#include "tools/kvsdump/CensusJson.h"

#include "text/JsonWriter.h"
#include "text/Utf8.h"

#include <nlohmann/json.hpp>

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace tarvo::kvsdump {

namespace {

using Layout = JsonWriter::Layout;
using Json = nlohmann::json;

constexpr char HexDigits[] = "0123456789ABCDEF";

// An id as the census names it: 8 upper-case hexadecimal digits.
std::string_view IdKey(std::uint32_t id, std::array<char, 8>& text) {
  for (int i = 7; i >= 0; --i, id >>= 4) text[static_cast<std::size_t>(i)] = HexDigits[id & 15];
  return {text.data(), text.size()};
}

void WriteCoverage(JsonWriter& json, const CoverageBytes& coverage) {
  json.BeginObject(Layout::Compact);
  for (std::size_t kind = 0; kind < RegionKindCount; ++kind)
    json.Member(RegionKindName(static_cast<TKvsRegionKind>(kind)), coverage[kind]);
  json.EndObject();
}

void WriteCounts(JsonWriter& json, const std::map<std::uint32_t, std::uint64_t>& counts) {
  std::array<char, 8> key{};
  json.BeginObject(Layout::Compact);
  for (const auto& [id, count] : counts) json.Member(IdKey(id, key), count);
  json.EndObject();
}

void WriteFilesAndCounts(JsonWriter& json, const std::map<std::uint32_t, FilesAndCount>& counts, const char* what) {
  std::array<char, 8> key{};
  json.BeginObject(Layout::Compact);
  for (const auto& [id, entry] : counts) {
    json.Key(IdKey(id, key)).BeginObject(Layout::Compact).Member("files", entry.files).Member(what, entry.count);
    json.EndObject();
  }
  json.EndObject();
}

// Reading. Every member must be there with its type and a value a census
// can write: a line that is not one would give a wrong summary, so it is
// refused with the reason.
struct Refusal {
  std::string why;
};

const Json& Member(const Json& object, const char* key) {
  const auto it = object.find(key);
  if (it == object.end()) throw Refusal{std::string("no \"") + key + "\""};
  return *it;
}

std::uint64_t Count(const Json& object, const char* key) {
  const Json& value = Member(object, key);
  if (!value.is_number_unsigned()) throw Refusal{std::string("\"") + key + "\" is not a count"};
  return value.get<std::uint64_t>();
}

std::uint64_t Sum(std::uint64_t a, std::uint64_t b, const char* what) {
  std::uint64_t sum = 0;
  if (__builtin_add_overflow(a, b, &sum)) throw Refusal{std::string(what) + " beyond 64 bits"};
  return sum;
}

std::uint32_t ReadId(const std::string& key) {
  std::uint32_t id = 0;
  bool valid = key.size() == 8;
  for (const char c : key) {
    const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    valid = valid && digit >= 0;
    id = id << 4 | static_cast<std::uint32_t>(digit & 15);
  }
  if (!valid) throw Refusal{"\"" + key + "\" is not an id of 8 upper-case hexadecimal digits"};
  return id;
}

std::uint64_t ReadCounts(const Json& line, const char* key, std::map<std::uint32_t, std::uint64_t>& counts) {
  const Json& object = Member(line, key);
  if (!object.is_object()) throw Refusal{std::string("\"") + key + "\" is not an object"};
  std::uint64_t total = 0;
  for (const auto& [name, value] : object.items()) {
    const std::uint32_t id = ReadId(name);
    if (!value.is_number_unsigned() || value.get<std::uint64_t>() == 0)
      throw Refusal{std::string("\"") + key + "\" gives " + name + " no count above zero"};
    counts.emplace_hint(counts.end(), id, value.get<std::uint64_t>());
    total = Sum(total, value.get<std::uint64_t>(), key);
  }
  return total;
}

void ReadSong(const Json& line, SongCensus& song) {
  song = SongCensus{};
  const Json& file = Member(line, "file");
  const Json& error = Member(line, "error");
  if (!file.is_string()) throw Refusal{"\"file\" is not a text"};
  if (!error.is_string()) throw Refusal{"\"error\" is not a text"};
  song.file = file.get<std::string>();
  song.errorUtf8 = error.get<std::string>();
  const Json& outcome = Member(line, "outcome");
  bool named = false;
  for (const Outcome known : {Outcome::Loaded, Outcome::Rejected, Outcome::Failed}) {
    if (outcome == OutcomeName(known)) {
      song.outcome = known;
      named = true;
    }
  }
  if (!named) throw Refusal{"\"outcome\" is none of loaded, rejected, failed"};
  if (song.outcome == Outcome::Loaded && !song.errorUtf8.empty()) throw Refusal{"a loaded song with an error"};
  if (const Json& version = Member(line, "version"); version.is_number_integer()) {
    const std::int64_t value = version.get<std::int64_t>();
    if (value < INT32_MIN || value > INT32_MAX) throw Refusal{"\"version\" beyond 32 bits"};
    song.version = static_cast<std::int32_t>(value);
  } else if (!version.is_null()) {
    throw Refusal{"\"version\" is neither a number nor null"};
  }
  song.size = Count(line, "size");
  const Json& coverage = Member(line, "coverage");
  if (!coverage.is_object()) throw Refusal{"\"coverage\" is not an object"};
  std::uint64_t covered = 0;
  for (std::size_t kind = 0; kind < RegionKindCount; ++kind) {
    song.coverage[kind] = Count(coverage, RegionKindName(static_cast<TKvsRegionKind>(kind)));
    covered = Sum(covered, song.coverage[kind], "\"coverage\"");
  }
  if (covered != song.size) throw Refusal{"\"coverage\" does not add up to \"size\""};
  ReadCounts(line, "chunk_ids", song.chunkIds);
  const std::uint64_t modules = ReadCounts(line, "module_types", song.moduleTypes);
  song.modules = Count(line, "modules");
  if (modules != song.modules) throw Refusal{"\"module_types\" do not add up to \"modules\""};
  song.channels = Count(line, "channels");
  song.songEvents = Count(line, "song_events");
  song.patternEvents = Count(line, "pattern_events");
  song.messages = Count(line, "messages");
}

// One pass over a line as written, without making a document: counts its
// keys (the parsed document keeps one member per key, so fewer members than
// keys means a key given twice, which no census writes and the parser would
// silently drop), and reads a summary line's file count, the one figure
// the merge takes of it (a summary of a million ids would cost a million
// small objects to make).
class LineScan : public nlohmann::json_sax<Json> {
 public:
  std::size_t Keys() const { return keys_; }
  bool Summary() const { return summary_; }
  // The summary's "files" when given once as a count.
  std::optional<std::uint64_t> SummaryFiles() const { return filesGiven_ == 1 ? files_ : std::nullopt; }

  bool null() override { return Value(); }
  bool boolean(bool /*value*/) override { return Value(); }
  bool number_integer(number_integer_t /*value*/) override { return Value(); }
  bool number_unsigned(number_unsigned_t value) override {
    if (atFiles_) {
      files_ = value;
      atFiles_ = false;
    }
    return Value();
  }
  bool number_float(number_float_t /*value*/, const string_t& /*text*/) override { return Value(); }
  bool string(string_t& /*value*/) override { return Value(); }
  bool binary(binary_t& /*value*/) override { return Value(); }
  bool start_object(std::size_t /*elements*/) override {
    inSummary_ = depth_ == 1 && atSummary_;
    ++depth_;
    return Value();
  }
  bool key(string_t& value) override {
    ++keys_;
    if (depth_ == 1 && value == "summary") summary_ = atSummary_ = true;
    if (depth_ == 2 && inSummary_ && value == "files") {
      atFiles_ = true;
      ++filesGiven_;
    }
    return true;
  }
  bool end_object() override {
    --depth_;
    if (depth_ == 1) inSummary_ = false;
    return true;
  }
  bool start_array(std::size_t /*elements*/) override {
    ++depth_;
    return Value();
  }
  bool end_array() override {
    --depth_;
    return true;
  }
  bool parse_error(std::size_t /*position*/, const std::string& /*token*/,
                   const nlohmann::detail::exception& /*error*/) override {
    return false;
  }

 private:
  // A value (or the start of one) ends what the last key announced.
  bool Value() {
    if (atFiles_) files_ = std::nullopt;  // not a count
    atFiles_ = false;
    atSummary_ = false;
    return true;
  }

  std::size_t keys_ = 0;
  int depth_ = 0;
  bool summary_ = false;
  bool atSummary_ = false;
  bool inSummary_ = false;
  bool atFiles_ = false;
  int filesGiven_ = 0;
  std::optional<std::uint64_t> files_;
};

std::size_t Members(const Json& value) {
  std::size_t members = 0;
  if (value.is_object()) {
    members += value.size();
    for (const auto& member : value) members += Members(member);
  } else if (value.is_array()) {
    for (const auto& item : value) members += Members(item);
  }
  return members;
}

}  // namespace

void WriteSongLine(std::ostream& out, const SongCensus& song) {
  JsonWriter json(out);
  json.BeginObject(Layout::Compact)
      .Member("file", ExternalTextToUtf8(song.file))
      .Member("size", song.size)
      .Member("outcome", OutcomeName(song.outcome))
      .Member("error", song.errorUtf8)
      .Key("version");
  if (song.version) {
    json.Number(*song.version);
  } else {
    json.Null();
  }
  json.Key("coverage");
  WriteCoverage(json, song.coverage);
  json.Key("chunk_ids");
  WriteCounts(json, song.chunkIds);
  json.Key("module_types");
  WriteCounts(json, song.moduleTypes);
  json.Member("modules", song.modules)
      .Member("channels", song.channels)
      .Member("song_events", song.songEvents)
      .Member("pattern_events", song.patternEvents)
      .Member("messages", song.messages)
      .EndObject()
      .EndLine();
}

void WriteSummaryLine(std::ostream& out, const CensusSummary& summary) {
  JsonWriter json(out);
  json.BeginObject(Layout::Compact).Key("summary").BeginObject(Layout::Compact);
  json.Member("files", summary.files).Member("bytes", summary.bytes);
  json.Key("outcomes")
      .BeginObject(Layout::Compact)
      .Member("loaded", summary.loaded)
      .Member("rejected", summary.rejected)
      .Member("failed", summary.failed)
      .EndObject();
  json.Key("versions").BeginObject(Layout::Compact);
  for (const auto& [version, files] : summary.versions)
    if (version) json.Member(VersionText(*version), files);
  // Files without a version sort first.
  if (const auto none = summary.versions.begin(); none != summary.versions.end() && !none->first)
    json.Member("none", none->second);
  json.EndObject().Key("coverage");
  WriteCoverage(json, summary.coverage);
  json.Key("chunk_ids");
  WriteFilesAndCounts(json, summary.chunkIds, "chunks");
  json.Key("module_types");
  WriteFilesAndCounts(json, summary.moduleTypes, "modules");
  json.EndObject().EndObject().EndLine();
}

CensusLine ReadCensusLine(std::string_view text, SongCensus& song, std::uint64_t& summaryFiles, std::string& why) {
  if (text.find_first_not_of(" \t\r") == std::string_view::npos) return CensusLine::Blank;
  try {
    LineScan scan;
    if (!Json::sax_parse(text.begin(), text.end(), &scan)) throw Refusal{"not JSON"};
    if (scan.Summary()) {
      // Only the file count is taken of a summary.
      const std::optional<std::uint64_t> files = scan.SummaryFiles();
      if (!files) throw Refusal{"a summary without one count of \"files\""};
      summaryFiles = *files;
      return CensusLine::Summary;
    }
    const Json line = Json::parse(text.begin(), text.end(), nullptr, false);
    if (!line.is_object()) throw Refusal{"not a JSON object"};
    if (scan.Keys() != Members(line)) throw Refusal{"a key given twice in one object"};
    ReadSong(line, song);
    return CensusLine::Song;
  } catch (const Refusal& refusal) {
    why = refusal.why;
    return CensusLine::Invalid;
  }
}

}  // namespace tarvo::kvsdump
