#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "songfile/KvsRegion.h"

// The counts of the value census: for each place of the structure, how
// often each value and each byte occurs across a collection. Only counts,
// so two parts of a collection add up to the whole; and bounded, so a
// hostile collection cannot make them grow without end.
namespace tarvo::kvsdump {

inline constexpr std::size_t MaxPlaces = 100000;
inline constexpr std::size_t MaxBytePositions = 256;
inline constexpr std::size_t MaxValues = 256;
inline constexpr std::size_t MaxValueSize = 8;
inline constexpr std::string_view OtherPlacesName = "(other places)";

// Region kinds as a bit set, bit = kind's number.
using KindSet = std::uint8_t;
inline constexpr KindSet KindBit(TKvsRegionKind kind) { return static_cast<KindSet>(1U << static_cast<unsigned>(kind)); }
inline constexpr KindSet DefaultValueKinds =
    KindBit(TKvsRegionKind::Field) | KindBit(TKvsRegionKind::Reserved) | KindBit(TKvsRegionKind::Skipped);
// "field,reserved": false for an unknown or empty name.
bool ParseKinds(std::string_view text, KindSet& kinds);
std::vector<std::string> KindNames(KindSet kinds);
// Data and unread bytes are counted by size only: they are long and
// undecoded, and their bytes are what the map's viewers are for.
inline constexpr bool CountsValues(TKvsRegionKind kind) {
  return kind != TKvsRegionKind::Data && kind != TKvsRegionKind::Unread;
}
// Whether a region of this kind and size is compared with the fields of
// its record.
inline constexpr bool SameAsCandidate(TKvsRegionKind kind, std::uint64_t size) {
  return (kind == TKvsRegionKind::Reserved || kind == TKvsRegionKind::Skipped) &&
         (size == 1 || size == 2 || size == 4 || size == 8);
}

// Counts of the 256 byte values at one position: a short list while few
// values occur (most positions hold one, kept without an allocation), all
// 256 counters beyond. Its memory is reckoned as that of a list growing
// one entry at a time, so that budgets do not depend on how it is held.
class ByteCounts {
 public:
  // Returns the bytes of memory this added.
  std::size_t Add(std::uint8_t value, std::uint64_t n = 1) {
    if (all_) {
      all_[value] += n;
      return 0;
    }
    if (few_ > 0 && firstValue_ == value) {
      firstCount_ += n;
      return 0;
    }
    for (std::size_t i = 0; i + 1 < few_; ++i) {
      if (more_[i].value == value) {
        more_[i].count += n;
        return 0;
      }
    }
    return AddNew(value, n);
  }
  // Adds all of `other`'s counts; returns the bytes of memory this added.
  std::size_t AddAll(const ByteCounts& other);
  std::size_t Distinct() const;
  std::uint64_t Total() const;
  // The values that occur with their counts, in byte order.
  std::vector<std::pair<std::uint8_t, std::uint64_t>> Counts() const;
  double Entropy() const;  // in bits
  std::size_t Cost() const;

 private:
  static constexpr std::size_t FewMax = 16;
  struct Entry {
    std::uint64_t count;
    std::uint8_t value;
  };
  std::size_t AddNew(std::uint8_t value, std::uint64_t n);
  // The memory of `size` entries in a list grown one at a time.
  static std::size_t FewCost(std::size_t size);
  std::uint64_t firstCount_ = 0;
  std::uint8_t firstValue_ = 0;
  std::uint8_t few_ = 0;      // entries in the short list, the first one included
  std::uint8_t moreSize_ = 0;  // room in more_
  std::unique_ptr<Entry[]> more_;  // the short list after its first entry
  std::unique_ptr<std::uint64_t[]> all_;
};

// A whole value of up to 8 bytes: its bytes, first byte lowest.
struct ValueKey {
  std::uint64_t bytes = 0;
  std::uint8_t size = 0;
  bool operator==(const ValueKey&) const = default;
};
struct ValueKeyHash {
  std::size_t operator()(const ValueKey& key) const {
    return std::hash<std::uint64_t>{}(key.bytes * 0x9E3779B97F4A7C15ULL ^ key.size);
  }
};
ValueKey MakeValueKey(const std::uint8_t* bytes, std::size_t size);
// "01000000": the bytes in file order, two hexadecimal digits each.
std::string ValueKeyHex(const ValueKey& key);

struct ValueCount {
  std::uint64_t count = 0;
  std::string text;  // a field's value as the map shows it, 8-bit
  bool hasText = false;
};

struct SameCount {
  std::uint64_t equal = 0;
  std::uint64_t records = 0;
};

// Everything counted of one place.
struct PlaceCounts {
  std::string name;
  TKvsRegionKind kind = TKvsRegionKind::Field;
  std::uint64_t files = 0;
  std::uint64_t count = 0;
  std::uint64_t minSize = 0;
  std::uint64_t maxSize = 0;
  bool anySmall = false;        // a region of at most 8 bytes was counted
  bool valuesOverflow = false;  // more than 256 distinct values
  std::unordered_map<ValueKey, ValueCount, ValueKeyHash> values;
  std::vector<ByteCounts> positions;
  std::map<std::string, SameCount> sameAs;  // by the field's place

  // The memory its counters hold, roughly, for the budget.
  std::size_t Cost() const;
  // Adds `other`'s counts (the same place); returns the change of Cost.
  // `printed`: the comparisons of each side are those printed, equal at
  // least once; one missing on a side was never equal there, in as many
  // records as that side has regions (a record's layout holds both).
  std::ptrdiff_t Merge(PlaceCounts&& other, bool printed = false);
  // Every byte position holds one value only.
  bool Constant() const;
};

// What regions of places not kept add up to, per kind.
struct OtherCounts {
  std::uint64_t files = 0;
  std::uint64_t count = 0;
  std::uint64_t minSize = 0;
  std::uint64_t maxSize = 0;
  void Add(std::uint64_t files, std::uint64_t count, std::uint64_t minSize, std::uint64_t maxSize);
};
// Songs with regions under "(other places)" of a kind: at least those of
// each place that went there.
void AtLeastFiles(OtherCounts& other, std::uint64_t files);

// The summary figures besides the places.
struct ValueTotals {
  std::uint64_t files = 0;
  std::uint64_t bytes = 0;
  std::uint64_t loaded = 0;
  std::uint64_t rejected = 0;
  std::uint64_t failed = 0;
};

// The places of a whole collection: at most MaxPlaces, within a memory
// budget; places beyond either are counted under "(other places)". Filled
// in a fixed order (songs by path), so what is kept never depends on
// timing.
class ValueCensus {
 public:
  ValueCensus(KindSet kinds, std::size_t budget);

  KindSet Kinds() const { return kinds_; }
  void SetKinds(KindSet kinds) { kinds_ = kinds; }
  ValueTotals& Totals() { return totals_; }
  const ValueTotals& Totals() const { return totals_; }

  // `printed`: a place read from an output (see PlaceCounts::Merge).
  // Returns false when the place's regions went to "(other places)": the
  // caller knows in how many songs (a song's regions there count once).
  bool AddPlace(PlaceCounts&& place, bool printed = false);
  void AddOther(TKvsRegionKind kind, const OtherCounts& counts);
  void AddOtherFiles(TKvsRegionKind kind, std::uint64_t files, bool atLeast);
  // Places counted under "(other places)" by a song, by a hash of name and
  // kind, so the summary can say how many there were.
  void AddOtherNames(const std::vector<std::uint64_t>& hashes);
  void AddOtherPlaceCount(std::uint64_t n) { otherPlacesMerged_ += n; }

  // The kept places in byte order of their names (then kind).
  std::vector<const PlaceCounts*> SortedPlaces() const;
  const std::array<OtherCounts, RegionKindCount>& Other() const { return other_; }
  std::uint64_t OtherPlaces() const { return otherNames_.size() + otherPlacesMerged_; }
  std::size_t PlaceCount() const { return places_.size() - evicted_; }

 private:
  void Evict(std::size_t index);

  KindSet kinds_;
  std::size_t budget_;
  std::size_t used_ = 0;
  std::vector<PlaceCounts> places_;
  std::vector<bool> gone_;  // evicted: counted under "(other places)" from then on
  std::size_t evicted_ = 0;
  std::unordered_map<std::string, std::size_t> index_;  // name + kind
  std::string lookup_;
  std::array<OtherCounts, RegionKindCount> other_{};
  std::unordered_set<std::uint64_t> otherNames_;
  std::uint64_t otherPlacesMerged_ = 0;
  ValueTotals totals_;
};

// The key of a place in a table: its name and its kind.
std::string PlaceKey(std::string_view name, TKvsRegionKind kind);
std::uint64_t PlaceHash(std::string_view name, TKvsRegionKind kind);
// How many other places are told apart by name; beyond, they still count.
inline constexpr std::size_t MaxOtherNames = 200000;

}  // namespace tarvo::kvsdump
