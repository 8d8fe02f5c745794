#include "tools/kvsdump/ValuesJson.h"

#include "text/JsonWriter.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvo::kvsdump {

namespace {

using Json = nlohmann::json;
using Layout = JsonWriter::Layout;

constexpr std::string_view MoreThan = "more than 256";

std::string ByteHex(std::uint8_t byte) { return ValueKeyHex(MakeValueKey(&byte, 1)); }

void WriteSizes(JsonWriter& json, std::uint64_t minSize, std::uint64_t maxSize) {
  json.Key("sizes").BeginArray().Number(minSize).Number(maxSize).EndArray();
}

void WritePlace(JsonWriter& json, const PlaceCounts& place) {
  json.BeginObject(Layout::Spaced);
  json.Key("place").Latin1(place.name);
  json.Member("kind", RegionKindName(place.kind));
  json.Member("files", place.files).Member("count", place.count);
  WriteSizes(json, place.minSize, place.maxSize);
  const bool valued = CountsValues(place.kind) && place.anySmall;
  json.Key("values");
  if (!valued || place.valuesOverflow) {
    json.Null();
  } else {
    json.BeginArray();
    for (const auto& [key, value] : SortedValues(place)) {
      json.BeginObject().Member("bytes", ValueKeyHex(key)).Member("count", value->count);
      if (value->hasText) json.Key("text").Latin1(value->text);
      json.EndObject();
    }
    json.EndArray();
  }
  json.Key("distinct");
  if (!valued) {
    json.Null();
  } else if (place.valuesOverflow) {
    json.String(MoreThan);
  } else {
    json.Number(std::uint64_t{place.values.size()});
  }
  json.Key("bytes").BeginArray();
  for (std::size_t p = 0; p < place.positions.size(); ++p) {
    const auto counts = place.positions[p].Counts();
    json.BeginObject().Member("position", std::uint64_t{p});
    if (counts.size() == 1) {
      json.Member("constant", ByteHex(counts.front().first));
    } else {
      json.Member("distinct", std::uint64_t{counts.size()});
      json.Key("entropy").Fixed(place.positions[p].Entropy(), 1);
      json.Key("counts").BeginObject();
      for (const auto& [value, n] : counts) json.Member(ByteHex(value), n);
      json.EndObject();
    }
    json.EndObject();
  }
  json.EndArray();
  json.Key("same_as").BeginArray();
  for (const auto& [field, same] : place.sameAs) {
    if (same.equal == 0) continue;
    json.BeginObject().Key("place").Latin1(field).Member("equal", same.equal).Member("records", same.records).EndObject();
  }
  json.EndArray();
  json.EndObject().EndLine();
}

void WriteOther(JsonWriter& json, TKvsRegionKind kind, const OtherCounts& other) {
  json.BeginObject(Layout::Spaced).Member("place", OtherPlacesName).Member("kind", RegionKindName(kind));
  json.Member("files", other.files).Member("count", other.count);
  WriteSizes(json, other.minSize, other.maxSize);
  json.Key("values").Null().Key("distinct").Null();
  json.Key("bytes").BeginArray().EndArray().Key("same_as").BeginArray().EndArray();
  json.EndObject().EndLine();
}

// --- reading

// Song texts were written as ISO-8859-1 decoded to UTF-8; anything beyond
// U+00FF is not ours.
bool Utf8ToLatin1(const std::string& utf8, std::string& latin1) {
  latin1.clear();
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      latin1 += static_cast<char>(c);
    } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size() &&
               (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) {
      latin1 += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
    } else {
      return false;
    }
  }
  return true;
}

bool ReadCount(const Json& object, const char* key, std::uint64_t& value) {
  const auto it = object.find(key);
  if (it == object.end() || !it->is_number_unsigned()) return false;
  value = it->get<std::uint64_t>();
  return true;
}

bool ReadHex(const std::string& hex, std::size_t maxBytes, ValueKey& key) {
  if (hex.size() % 2 != 0 || hex.size() / 2 > maxBytes) return false;
  key = {};
  key.size = static_cast<std::uint8_t>(hex.size() / 2);
  for (std::size_t i = 0; i < key.size; ++i) {
    unsigned byte = 0;
    const char* first = hex.data() + 2 * i;
    const auto [end, error] = std::from_chars(first, first + 2, byte, 16);
    if (error != std::errc{} || end != first + 2 || std::string_view(first, 2).find_first_of("abcdef+-") != std::string_view::npos)
      return false;
    key.bytes |= std::uint64_t{byte} << (8 * i);
  }
  return true;
}

bool ReadKind(const Json& object, TKvsRegionKind& kind) {
  const auto it = object.find("kind");
  if (it == object.end() || !it->is_string()) return false;
  for (std::size_t k = 0; k < RegionKindCount; ++k) {
    if (*it == RegionKindName(static_cast<TKvsRegionKind>(k))) {
      kind = static_cast<TKvsRegionKind>(k);
      return true;
    }
  }
  return false;
}

bool ReadValues(const Json& line, PlaceCounts& place) {
  const Json& values = line["values"];
  const Json& distinct = line["distinct"];
  if (distinct.is_string()) {
    if (distinct != MoreThan || !values.is_null()) return false;
    place.anySmall = true;
    place.valuesOverflow = true;
    return true;
  }
  if (distinct.is_null()) return values.is_null();
  if (!values.is_array() || !distinct.is_number_unsigned() || distinct != values.size()) return false;
  place.anySmall = true;
  for (const Json& entry : values) {
    ValueKey key;
    ValueCount value;
    if (!entry.is_object() || !entry.contains("bytes") || !entry["bytes"].is_string() ||
        !ReadHex(entry["bytes"].get<std::string>(), MaxValueSize, key) || !ReadCount(entry, "count", value.count))
      return false;
    if (const auto text = entry.find("text"); text != entry.end()) {
      if (!text->is_string() || !Utf8ToLatin1(text->get<std::string>(), value.text)) return false;
      value.hasText = true;
    }
    place.values.emplace(key, std::move(value));
  }
  return true;
}

bool ReadBytes(const Json& line, PlaceCounts& place) {
  const Json& bytes = line["bytes"];
  if (!bytes.is_array() || bytes.size() > MaxBytePositions) return false;
  place.positions.resize(bytes.size());
  for (std::size_t p = 0; p < bytes.size(); ++p) {
    const Json& entry = bytes[p];
    std::uint64_t position = 0;
    if (!entry.is_object() || !ReadCount(entry, "position", position) || position != p) return false;
    if (const auto constant = entry.find("constant"); constant != entry.end()) {
      ValueKey key;
      if (!constant->is_string() || !ReadHex(constant->get<std::string>(), 1, key) || key.size != 1) return false;
      // How many regions reach this position is not in the output; those
      // before the smallest size are all of them.
      place.positions[p].Add(static_cast<std::uint8_t>(key.bytes), place.count);
      continue;
    }
    const auto counts = entry.find("counts");
    if (counts == entry.end() || !counts->is_object() || counts->size() < 2) return false;
    for (const auto& item : counts->items()) {
      ValueKey key;
      if (!ReadHex(item.key(), 1, key) || key.size != 1 || !item.value().is_number_unsigned()) return false;
      place.positions[p].Add(static_cast<std::uint8_t>(key.bytes), item.value().get<std::uint64_t>());
    }
  }
  return true;
}

bool ReadSameAs(const Json& line, PlaceCounts& place) {
  const Json& same = line["same_as"];
  if (!same.is_array()) return false;
  for (const Json& entry : same) {
    SameCount counts;
    std::string field;
    if (!entry.is_object() || !entry.contains("place") || !entry["place"].is_string() ||
        !Utf8ToLatin1(entry["place"].get<std::string>(), field) || !ReadCount(entry, "equal", counts.equal) ||
        !ReadCount(entry, "records", counts.records))
      return false;
    place.sameAs[field] = counts;
  }
  return true;
}

bool ReadSummary(const Json& object, ValuesSummaryLine& summary) {
  if (!object.is_object()) return false;
  const auto outcomes = object.find("outcomes");
  const auto kinds = object.find("kinds");
  if (outcomes == object.end() || !outcomes->is_object() || kinds == object.end() || !kinds->is_array()) return false;
  summary = {};
  for (const Json& kind : *kinds) {
    KindSet bit = 0;
    if (!kind.is_string() || !ParseKinds(kind.get<std::string>(), bit)) return false;
    summary.kinds |= bit;
  }
  return ReadCount(object, "files", summary.totals.files) && ReadCount(object, "bytes", summary.totals.bytes) &&
         ReadCount(*outcomes, "loaded", summary.totals.loaded) &&
         ReadCount(*outcomes, "rejected", summary.totals.rejected) &&
         ReadCount(*outcomes, "failed", summary.totals.failed) && ReadCount(object, "places", summary.places) &&
         ReadCount(object, "other_places", summary.otherPlaces);
}

}  // namespace

std::vector<std::pair<ValueKey, const ValueCount*>> SortedValues(const PlaceCounts& place) {
  std::vector<std::pair<ValueKey, const ValueCount*>> sorted;
  sorted.reserve(place.values.size());
  for (const auto& [key, value] : place.values) sorted.emplace_back(key, &value);
  std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
    if (a.second->count != b.second->count) return a.second->count > b.second->count;
    return ValueKeyHex(a.first) < ValueKeyHex(b.first);
  });
  return sorted;
}

void WriteValuesJson(std::ostream& out, const ValueCensus& census) {
  JsonWriter json(out);
  const std::vector<const PlaceCounts*> places = census.SortedPlaces();
  // "(other places)" lines sit among the places where their name sorts.
  std::size_t kind = 0;
  const auto& other = census.Other();
  const auto writeOthers = [&](const std::string* before) {
    for (; kind < RegionKindCount; ++kind) {
      if (before != nullptr && !(std::string_view(OtherPlacesName) < *before)) return;
      if (other[kind].count > 0) WriteOther(json, static_cast<TKvsRegionKind>(kind), other[kind]);
    }
  };
  for (const PlaceCounts* place : places) {
    writeOthers(&place->name);
    WritePlace(json, *place);
  }
  writeOthers(nullptr);

  json.BeginObject().Key("summary").BeginObject();
  const ValueTotals& totals = census.Totals();
  json.Member("files", totals.files).Member("bytes", totals.bytes);
  json.Key("outcomes").BeginObject().Member("loaded", totals.loaded).Member("rejected", totals.rejected);
  json.Member("failed", totals.failed).EndObject();
  json.Key("kinds").BeginArray();
  for (const std::string& name : KindNames(census.Kinds())) json.String(name);
  json.EndArray();
  json.Member("places", std::uint64_t{places.size()}).Member("other_places", census.OtherPlaces());
  json.EndObject().EndObject().EndLine();
}

ValuesLine ReadValuesLine(const std::string& line, PlaceCounts& place, ValuesSummaryLine& summary) {
  if (line.find_first_not_of(" \t\r") == std::string::npos) return ValuesLine::Blank;
  const Json object = Json::parse(line, nullptr, false);
  if (!object.is_object()) return ValuesLine::Invalid;
  if (const auto it = object.find("summary"); it != object.end())
    return ReadSummary(*it, summary) ? ValuesLine::Summary : ValuesLine::Invalid;
  place = PlaceCounts{};
  for (const char* member : {"place", "values", "distinct", "bytes", "same_as"})
    if (!object.contains(member)) return ValuesLine::Invalid;
  const Json& name = object["place"];
  const Json& sizes = object["sizes"];
  if (!name.is_string() || !Utf8ToLatin1(name.get<std::string>(), place.name) || !ReadKind(object, place.kind) ||
      !ReadCount(object, "files", place.files) || !ReadCount(object, "count", place.count) || !sizes.is_array() ||
      sizes.size() != 2 || !sizes[0].is_number_unsigned() || !sizes[1].is_number_unsigned())
    return ValuesLine::Invalid;
  place.minSize = sizes[0].get<std::uint64_t>();
  place.maxSize = sizes[1].get<std::uint64_t>();
  if (place.name == OtherPlacesName) return ValuesLine::Other;
  if (!ReadValues(object, place) || !ReadBytes(object, place) || !ReadSameAs(object, place)) return ValuesLine::Invalid;
  return ValuesLine::Place;
}

}  // namespace tarvo::kvsdump
