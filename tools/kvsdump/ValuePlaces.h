#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "songfile/KvsRegion.h"
#include "tools/kvsdump/ValueTable.h"

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
  // `f(value, count)` for each value that occurs, in no set order.
  template <class F>
  void ForEach(F f) const {
    if (all_) {
      for (unsigned value = 0; value < 256; ++value)
        if (all_[value] > 0) f(static_cast<std::uint8_t>(value), all_[value]);
      return;
    }
    if (few_ > 0) f(firstValue_, firstCount_);
    for (std::size_t i = 0; i + 1 < few_; ++i) f(more_[i].value, more_[i].count);
  }
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

ValueKey MakeValueKey(const std::uint8_t* bytes, std::size_t size);
// "01000000": the bytes in file order, two hexadecimal digits each.
std::string ValueKeyHex(const ValueKey& key);

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
  ValueTable values;
  std::vector<ByteCounts> positions;
  std::map<std::string, SameCount, std::less<>> sameAs;  // by the field's place

  // The memory its counters hold, roughly, for the budget.
  std::size_t Cost() const;
  // Adds `other`'s counts (the same place); returns the change of Cost.
  // `printed`: the comparisons of each side are those printed, equal at
  // least once; one missing on a side was never equal there, in as many
  // records as that side has regions (a record's layout holds both).
  std::ptrdiff_t Merge(PlaceCounts&& other, bool printed = false);
  // The same from counts held otherwise (a song's, flat), through the
  // members and walks of PlaceSource below.
  template <class Source>
  std::ptrdiff_t MergeFrom(const Source& other);
  // Every byte position holds one value only.
  bool Constant() const;
};

// A PlaceCounts as a source of MergeFrom; what another source offers.
class PlaceSource {
 public:
  explicit PlaceSource(const PlaceCounts& place) : place_(place) {}
  std::uint64_t Files() const { return place_.files; }
  std::uint64_t Count() const { return place_.count; }
  std::uint64_t MinSize() const { return place_.minSize; }
  std::uint64_t MaxSize() const { return place_.maxSize; }
  bool AnySmall() const { return place_.anySmall; }
  bool ValuesOverflow() const { return place_.valuesOverflow; }
  template <class F>  // f(key, count, text, hasText)
  void ForEachValue(F f) const {
    for (const auto& [key, value] : place_.values) f(key, value.count, std::string_view(value.text), value.hasText);
  }
  std::size_t Positions() const { return place_.positions.size(); }
  template <class F>  // f(value, count)
  void ForEachByte(std::size_t position, F f) const {
    place_.positions[position].ForEach(f);
  }
  template <class F>  // f(field, counts)
  void ForEachSame(F f) const {
    for (const auto& [field, same] : place_.sameAs) f(std::string_view(field), same);
  }

 private:
  const PlaceCounts& place_;
};

// The node cost of a "same as" entry, as Cost reckons it.
std::size_t SameCost(const std::string& field);

template <class Source>
std::ptrdiff_t PlaceCounts::MergeFrom(const Source& other) {
  // What Cost() would say after, less before, reckoned from what changes:
  // a song's counts are added to the collection's once per place.
  std::ptrdiff_t grown = 0;
  if (count == 0) {
    minSize = other.MinSize();
    maxSize = other.MaxSize();
  } else if (other.Count() > 0) {
    minSize = std::min(minSize, other.MinSize());
    maxSize = std::max(maxSize, other.MaxSize());
  }
  files += other.Files();
  count += other.Count();
  anySmall = anySmall || other.AnySmall();
  const auto valuesBefore = static_cast<std::ptrdiff_t>(values.Cost());
  if (other.ValuesOverflow()) valuesOverflow = true;
  if (!valuesOverflow) {
    other.ForEachValue([&](const ValueKey& key, std::uint64_t times, std::string_view text, bool hasText) {
      ValueCount& mine = values[key];
      mine.count += times;
      if (!mine.hasText && hasText) {
        mine.text.assign(text);
        mine.hasText = true;
      }
    });
    if (values.size() > MaxValues) valuesOverflow = true;
  }
  if (valuesOverflow) values = {};
  grown += static_cast<std::ptrdiff_t>(values.Cost()) - valuesBefore;
  if (positions.size() < other.Positions()) {
    const std::size_t before = positions.capacity();
    positions.resize(other.Positions());
    grown += static_cast<std::ptrdiff_t>((positions.capacity() - before) * sizeof(ByteCounts));
  }
  for (std::size_t p = 0; p < other.Positions(); ++p) {
    ByteCounts& mine = positions[p];
    other.ForEachByte(p, [&](std::uint8_t value, std::uint64_t times) {
      grown += static_cast<std::ptrdiff_t>(mine.Add(value, times));
    });
  }
  other.ForEachSame([&](std::string_view field, const SameCount& same) {
    auto found = sameAs.find(field);
    if (found == sameAs.end()) {
      found = sameAs.emplace(std::string(field), SameCount{}).first;
      grown += static_cast<std::ptrdiff_t>(SameCost(found->first));
    }
    found->second.equal += same.equal;
    found->second.records += same.records;
  });
  return grown;
}

// A place's key (PlaceKey) with its hash, as the collection's index hashes
// it, made on the thread that counted the place.
struct HashedKey {
  std::string_view key;
  std::size_t hash = 0;
};
HashedKey HashKey(std::string_view key);

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
  // The kept place of this name and kind, to add counts to with Grown
  // after; null when there is none: a new place (for AddPlace), or one
  // gone to "(other places)", which `gone` says.
  PlaceCounts* Kept(std::string_view name, TKvsRegionKind kind, bool& gone);
  PlaceCounts* Kept(const HashedKey& key, bool& gone);
  // `place`, from Kept, grew by `grown` bytes of its Cost: over the
  // budget, it goes to "(other places)".
  void Grown(PlaceCounts& place, std::ptrdiff_t grown);
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
  struct KeyHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view key) const { return HashKey(key).hash; }
    std::size_t operator()(const HashedKey& key) const { return key.hash; }
  };
  struct KeyEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return a == b; }
    bool operator()(const HashedKey& a, std::string_view b) const { return a.key == b; }
    bool operator()(std::string_view a, const HashedKey& b) const { return a == b.key; }
  };
  std::unordered_map<std::string, std::size_t, KeyHash, KeyEqual> index_;  // PlaceKey
  std::string lookup_;
  std::array<OtherCounts, RegionKindCount> other_{};
  std::unordered_set<std::uint64_t> otherNames_;
  std::uint64_t otherPlacesMerged_ = 0;
  ValueTotals totals_;
};

// The key of a place in a table: its name and its kind, PlaceKeySuffix
// characters after the name.
std::string PlaceKey(std::string_view name, TKvsRegionKind kind);
inline constexpr std::size_t PlaceKeySuffix = 2;
std::uint64_t PlaceHash(std::string_view name, TKvsRegionKind kind);
// How many other places are told apart by name; beyond, they still count.
inline constexpr std::size_t MaxOtherNames = 200000;

}  // namespace tarvo::kvsdump
