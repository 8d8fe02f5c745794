#include "tools/kvsdump/SongPlaces.h"

namespace tarvo::kvsdump {

std::uint32_t SongPlaces::AddText(std::string_view text) {
  const auto at = static_cast<std::uint32_t>(texts_.size());
  texts_.append(text);
  return at;
}

void SongPlaces::Reserve(const std::vector<PlaceCounts>& places) {
  std::size_t values = 0;
  std::size_t positions = 0;
  std::size_t bytes = 0;
  std::size_t texts = 0;
  for (const PlaceCounts& place : places) {
    values += place.values.size();
    positions += place.positions.size();
    for (const ByteCounts& position : place.positions) bytes += position.Distinct();
    texts += place.name.size() + 2;
    for (const auto& [key, value] : place.values) texts += value.text.size();
  }
  places_.reserve(places.size());
  values_.reserve(values);
  positions_.reserve(positions);
  bytes_.reserve(bytes);
  texts_.reserve(texts);
}

void SongPlaces::Add(const PlaceCounts& place, const std::vector<std::pair<const std::string*, SameCount>>& same) {
  Place& added = places_.emplace_back();
  const std::string key = PlaceKey(place.name, place.kind);
  added.nameAt = AddText(key);
  added.nameSize = static_cast<std::uint32_t>(place.name.size());
  added.keyHash = HashKey(key).hash;
  added.kind = place.kind;
  added.anySmall = place.anySmall;
  added.valuesOverflow = place.valuesOverflow;
  added.count = place.count;
  added.minSize = place.minSize;
  added.maxSize = place.maxSize;
  added.valuesAt = static_cast<std::uint32_t>(values_.size());
  for (const auto& [key, value] : place.values) {
    const std::uint32_t textAt = AddText(value.text);
    values_.push_back({key, value.count, textAt, static_cast<std::uint32_t>(value.text.size()), value.hasText});
  }
  added.valueCount = static_cast<std::uint32_t>(values_.size() - added.valuesAt);
  added.positionsAt = static_cast<std::uint32_t>(positions_.size());
  for (const ByteCounts& position : place.positions) {
    const auto at = static_cast<std::uint32_t>(bytes_.size());
    position.ForEach([this](std::uint8_t value, std::uint64_t count) { bytes_.push_back({count, value}); });
    positions_.push_back({at, static_cast<std::uint32_t>(bytes_.size() - at)});
  }
  added.positionCount = static_cast<std::uint32_t>(place.positions.size());
  added.sameAt = static_cast<std::uint32_t>(same_.size());
  for (const auto& [field, counts] : same) {
    const std::uint32_t fieldAt = AddText(*field);
    same_.push_back({fieldAt, static_cast<std::uint32_t>(field->size()), counts});
  }
  added.sameCount = static_cast<std::uint32_t>(same.size());
}

PlaceCounts SongPlaces::ToCounts(const Place& place) const {
  PlaceCounts counts;
  counts.name.assign(Name(place));
  counts.kind = place.kind;
  counts.MergeFrom(Source(*this, place));
  return counts;
}

}  // namespace tarvo::kvsdump
