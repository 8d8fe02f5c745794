#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/kvsdump/ValuePlaces.h"

// The counts of one song's places, flat: a few arrays for all of them. A
// song is counted on one thread and added to the collection's counts on
// another; as PlaceCounts it would be hundreds of small blocks made on the
// one and freed on the other, which is what kept two jobs from being twice
// as fast.
namespace tarvo::kvsdump {

class SongPlaces {
 public:
  struct Place {
    std::uint32_t nameAt = 0;  // its key: the name, then what PlaceKey adds
    std::uint32_t nameSize = 0;
    std::size_t keyHash = 0;
    TKvsRegionKind kind = TKvsRegionKind::Field;
    bool anySmall = false;
    bool valuesOverflow = false;
    std::uint64_t count = 0;
    std::uint64_t minSize = 0;
    std::uint64_t maxSize = 0;
    std::uint32_t valuesAt = 0;  // in values_, valueCount of them
    std::uint32_t valueCount = 0;
    std::uint32_t positionsAt = 0;  // in positions_, positionCount of them
    std::uint32_t positionCount = 0;
    std::uint32_t sameAt = 0;  // in same_, sameCount of them
    std::uint32_t sameCount = 0;
  };

  // Room for the kept places of `places`, so that the arrays are made once.
  void Reserve(const std::vector<PlaceCounts>& places);
  // Appends `place`, with the "same as" counts `same` by their field's name.
  void Add(const PlaceCounts& place, const std::vector<std::pair<const std::string*, SameCount>>& same);

  const std::vector<Place>& Places() const { return places_; }
  std::string_view Name(const Place& place) const { return Text(place.nameAt, place.nameSize); }
  HashedKey Key(const Place& place) const {
    return {Text(place.nameAt, place.nameSize + PlaceKeySuffix), place.keyHash};
  }
  // The place as PlaceCounts of one file, for a place new to the collection.
  PlaceCounts ToCounts(const Place& place) const;

  // A place of the song as a source of PlaceCounts::MergeFrom, of one file.
  class Source {
   public:
    Source(const SongPlaces& song, const Place& place) : song_(song), place_(place) {}
    std::uint64_t Files() const { return 1; }
    std::uint64_t Count() const { return place_.count; }
    std::uint64_t MinSize() const { return place_.minSize; }
    std::uint64_t MaxSize() const { return place_.maxSize; }
    bool AnySmall() const { return place_.anySmall; }
    bool ValuesOverflow() const { return place_.valuesOverflow; }
    template <class F>
    void ForEachValue(F f) const {
      for (std::uint32_t i = 0; i < place_.valueCount; ++i) {
        const Value& value = song_.values_[place_.valuesAt + i];
        f(value.key, value.count, song_.Text(value.textAt, value.textSize), value.hasText);
      }
    }
    std::size_t Positions() const { return place_.positionCount; }
    template <class F>
    void ForEachByte(std::size_t position, F f) const {
      const Position& bytes = song_.positions_[place_.positionsAt + position];
      for (std::uint32_t i = 0; i < bytes.size; ++i) f(song_.bytes_[bytes.at + i].value, song_.bytes_[bytes.at + i].count);
    }
    template <class F>
    void ForEachSame(F f) const {
      for (std::uint32_t i = 0; i < place_.sameCount; ++i) {
        const Same& same = song_.same_[place_.sameAt + i];
        f(song_.Text(same.fieldAt, same.fieldSize), same.counts);
      }
    }

   private:
    const SongPlaces& song_;
    const Place& place_;
  };

 private:
  struct Value {
    ValueKey key;
    std::uint64_t count = 0;
    std::uint32_t textAt = 0;
    std::uint32_t textSize = 0;
    bool hasText = false;
  };
  struct Position {
    std::uint32_t at = 0;  // in bytes_, size of them
    std::uint32_t size = 0;
  };
  struct Byte {
    std::uint64_t count = 0;
    std::uint8_t value = 0;
  };
  struct Same {
    std::uint32_t fieldAt = 0;
    std::uint32_t fieldSize = 0;
    SameCount counts;
  };

  std::uint32_t AddText(std::string_view text);
  std::string_view Text(std::uint32_t at, std::uint32_t size) const { return std::string_view(texts_).substr(at, size); }

  std::vector<Place> places_;
  std::vector<Value> values_;
  std::vector<Position> positions_;
  std::vector<Byte> bytes_;
  std::vector<Same> same_;
  std::string texts_;  // names and value texts, one after the other
};

}  // namespace tarvo::kvsdump
