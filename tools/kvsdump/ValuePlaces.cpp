#include "tools/kvsdump/ValuePlaces.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <utility>

namespace tarvo::kvsdump {

namespace {

// What a node of a hash map or tree costs beside its value, roughly.
constexpr std::size_t NodeCost = 48;

std::uint64_t Fnv1a(std::string_view text, std::uint64_t hash = 0xCBF29CE484222325ULL) {
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001B3ULL;
  }
  return hash;
}

}  // namespace

bool ParseKinds(std::string_view text, KindSet& kinds) {
  kinds = 0;
  while (true) {
    const std::size_t comma = text.find(',');
    const std::string_view name = text.substr(0, comma);
    bool known = false;
    for (std::size_t kind = 0; kind < RegionKindCount; ++kind) {
      if (name == RegionKindName(static_cast<TKvsRegionKind>(kind))) {
        kinds |= KindBit(static_cast<TKvsRegionKind>(kind));
        known = true;
      }
    }
    if (!known) return false;
    if (comma == std::string_view::npos) return true;
    text.remove_prefix(comma + 1);
  }
}

std::vector<std::string> KindNames(KindSet kinds) {
  std::vector<std::string> names;
  for (std::size_t kind = 0; kind < RegionKindCount; ++kind)
    if (kinds & KindBit(static_cast<TKvsRegionKind>(kind))) names.emplace_back(RegionKindName(static_cast<TKvsRegionKind>(kind)));
  return names;
}

// --- ByteCounts

std::size_t ByteCounts::FewCost(std::size_t size) {
  return size == 0 ? 0 : std::bit_ceil(size) * sizeof(Entry);
}

std::size_t ByteCounts::AddNew(std::uint8_t value, std::uint64_t n) {
  if (few_ == 0) {
    firstValue_ = value;
    firstCount_ = n;
    few_ = 1;
    return FewCost(1);
  }
  if (few_ < FewMax) {
    const std::size_t more = few_ - 1U;
    if (more == moreSize_) {
      const std::size_t room = std::min<std::size_t>(FewMax - 1, std::max<std::size_t>(1, 2 * more));
      auto grown = std::make_unique<Entry[]>(room);
      std::copy(more_.get(), more_.get() + more, grown.get());
      more_ = std::move(grown);
      moreSize_ = static_cast<std::uint8_t>(room);
    }
    more_[more] = {n, value};
    ++few_;
    return FewCost(few_) - FewCost(few_ - 1U);
  }
  // Many values: one counter each from now on.
  all_ = std::make_unique<std::uint64_t[]>(256);
  all_[firstValue_] = firstCount_;
  for (std::size_t i = 0; i + 1 < few_; ++i) all_[more_[i].value] = more_[i].count;
  all_[value] += n;
  const std::size_t freed = FewCost(few_);
  few_ = 0;
  moreSize_ = 0;
  more_.reset();
  return 256 * sizeof(std::uint64_t) - std::min(freed, 256 * sizeof(std::uint64_t));
}

std::size_t ByteCounts::Distinct() const {
  if (!all_) return few_;
  return static_cast<std::size_t>(std::count_if(all_.get(), all_.get() + 256, [](std::uint64_t n) { return n > 0; }));
}

std::uint64_t ByteCounts::Total() const {
  std::uint64_t total = 0;
  for (const auto& [value, count] : Counts()) total += count;
  return total;
}

std::vector<std::pair<std::uint8_t, std::uint64_t>> ByteCounts::Counts() const {
  std::vector<std::pair<std::uint8_t, std::uint64_t>> counts;
  if (all_) {
    for (unsigned value = 0; value < 256; ++value)
      if (all_[value] > 0) counts.emplace_back(static_cast<std::uint8_t>(value), all_[value]);
    return counts;
  }
  if (few_ > 0) counts.emplace_back(firstValue_, firstCount_);
  for (std::size_t i = 0; i + 1 < few_; ++i) counts.emplace_back(more_[i].value, more_[i].count);
  std::sort(counts.begin(), counts.end());
  return counts;
}

double ByteCounts::Entropy() const {
  const auto counts = Counts();
  double total = 0;
  for (const auto& [value, count] : counts) total += static_cast<double>(count);
  double bits = 0;
  for (const auto& [value, count] : counts) {
    const double p = static_cast<double>(count) / total;
    bits -= p * std::log2(p);
  }
  return bits + 0.0;  // no "-0"
}

std::size_t ByteCounts::Cost() const {
  return sizeof(ByteCounts) + FewCost(few_) + (all_ ? 256 * sizeof(std::uint64_t) : 0);
}

// --- values

ValueKey MakeValueKey(const std::uint8_t* bytes, std::size_t size) {
  ValueKey key;
  key.size = static_cast<std::uint8_t>(size);
  for (std::size_t i = 0; i < size; ++i) key.bytes |= std::uint64_t{bytes[i]} << (8 * i);
  return key;
}

std::string ValueKeyHex(const ValueKey& key) {
  static constexpr char Digits[] = "0123456789ABCDEF";
  std::string hex;
  for (std::size_t i = 0; i < key.size; ++i) {
    const auto byte = static_cast<unsigned>((key.bytes >> (8 * i)) & 0xFF);
    hex += Digits[byte >> 4];
    hex += Digits[byte & 15];
  }
  return hex;
}

// --- PlaceCounts

std::size_t SameCost(const std::string& field) { return NodeCost + sizeof(std::string) + sizeof(SameCount) + field.capacity(); }

std::size_t PlaceCounts::Cost() const {
  std::size_t cost = sizeof(PlaceCounts) + name.capacity() + values.Cost() + positions.capacity() * sizeof(ByteCounts);
  for (const ByteCounts& position : positions) cost += position.Cost() - sizeof(ByteCounts);
  for (const auto& [field, same] : sameAs) cost += SameCost(field);
  return cost;
}

bool PlaceCounts::Constant() const {
  if (positions.empty()) return false;
  return std::all_of(positions.begin(), positions.end(), [](const ByteCounts& position) { return position.Distinct() <= 1; });
}

std::ptrdiff_t PlaceCounts::Merge(PlaceCounts&& other, bool printed) {
  if (printed) {
    for (auto& [field, same] : sameAs)
      if (!other.sameAs.contains(field)) same.records += other.count;
    for (auto& [field, same] : other.sameAs)
      if (!sameAs.contains(field)) same.records += count;
  }
  return MergeFrom(PlaceSource(other));
}

void OtherCounts::Add(std::uint64_t addFiles, std::uint64_t addCount, std::uint64_t addMin, std::uint64_t addMax) {
  if (addCount == 0) return;
  minSize = count == 0 ? addMin : std::min(minSize, addMin);
  maxSize = count == 0 ? addMax : std::max(maxSize, addMax);
  files += addFiles;
  count += addCount;
}

std::string PlaceKey(std::string_view name, TKvsRegionKind kind) {
  std::string key(name);
  key += '\0';
  key += static_cast<char>('0' + static_cast<int>(kind));
  return key;
}

std::uint64_t PlaceHash(std::string_view name, TKvsRegionKind kind) {
  return Fnv1a(PlaceKey(name, kind));
}

// --- ValueCensus

ValueCensus::ValueCensus(KindSet kinds, std::size_t budget) : kinds_(kinds), budget_(budget) {}

void AtLeastFiles(OtherCounts& other, std::uint64_t files) { other.files = std::max(other.files, files); }

void ValueCensus::AddOtherFiles(TKvsRegionKind kind, std::uint64_t files, bool atLeast) {
  OtherCounts& other = other_[static_cast<std::size_t>(kind)];
  if (atLeast) {
    AtLeastFiles(other, files);
  } else {
    other.files += files;
  }
}

HashedKey HashKey(std::string_view key) { return {key, std::hash<std::string_view>{}(key)}; }

PlaceCounts* ValueCensus::Kept(std::string_view name, TKvsRegionKind kind, bool& gone) {
  // Most places of a song are known: their key is made in a string kept
  // for it.
  lookup_.assign(name);
  lookup_ += '\0';
  lookup_ += static_cast<char>('0' + static_cast<int>(kind));
  return Kept(HashKey(lookup_), gone);
}

PlaceCounts* ValueCensus::Kept(const HashedKey& key, bool& gone) {
  const auto found = index_.find(key);
  gone = found != index_.end() && gone_[found->second];
  return found == index_.end() || gone ? nullptr : &places_[found->second];
}

void ValueCensus::Grown(PlaceCounts& place, std::ptrdiff_t grown) {
  used_ = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(used_) + grown);
  if (used_ > budget_) Evict(static_cast<std::size_t>(&place - places_.data()));
}

bool ValueCensus::AddPlace(PlaceCounts&& place, bool printed) {
  if (place.count == 0) return true;
  bool gone = false;
  if (PlaceCounts* const kept = Kept(place.name, place.kind, gone)) {
    Grown(*kept, kept->Merge(std::move(place), printed));
    return true;
  }
  if (gone) {
    AddOther(place.kind, {0, place.count, place.minSize, place.maxSize});
    return false;
  }
  std::string key = PlaceKey(place.name, place.kind);
  const std::size_t cost = place.Cost() + key.capacity() + NodeCost;
  if (places_.size() >= MaxPlaces || used_ + cost > budget_) {
    if (otherNames_.size() < MaxOtherNames) otherNames_.insert(PlaceHash(place.name, place.kind));
    AddOther(place.kind, {0, place.count, place.minSize, place.maxSize});
    return false;
  }
  used_ += cost;
  index_.emplace(std::move(key), places_.size());
  places_.push_back(std::move(place));
  gone_.push_back(false);
  return true;
}

// A place whose counters outgrow the budget goes to "(other places)" whole,
// so that the regions there and those kept still add up.
void ValueCensus::Evict(std::size_t index) {
  PlaceCounts& place = places_[index];
  used_ -= std::min(used_, place.Cost());
  if (otherNames_.size() < MaxOtherNames) otherNames_.insert(PlaceHash(place.name, place.kind));
  AddOther(place.kind, {0, place.count, place.minSize, place.maxSize});
  AtLeastFiles(other_[static_cast<std::size_t>(place.kind)], place.files);
  PlaceCounts emptied;
  emptied.name = std::move(place.name);
  emptied.kind = place.kind;
  place = std::move(emptied);
  gone_[index] = true;
  ++evicted_;
}

void ValueCensus::AddOther(TKvsRegionKind kind, const OtherCounts& counts) {
  other_[static_cast<std::size_t>(kind)].Add(counts.files, counts.count, counts.minSize, counts.maxSize);
}

void ValueCensus::AddOtherNames(const std::vector<std::uint64_t>& hashes) {
  for (const std::uint64_t hash : hashes) {
    if (otherNames_.size() >= MaxOtherNames) break;
    otherNames_.insert(hash);
  }
}

std::vector<const PlaceCounts*> ValueCensus::SortedPlaces() const {
  std::vector<const PlaceCounts*> sorted;
  sorted.reserve(places_.size());
  for (std::size_t i = 0; i < places_.size(); ++i)
    if (!gone_[i]) sorted.push_back(&places_[i]);
  std::sort(sorted.begin(), sorted.end(), [](const PlaceCounts* a, const PlaceCounts* b) {
    if (a->name != b->name) return a->name < b->name;
    return a->kind < b->kind;
  });
  return sorted;
}

}  // namespace tarvo::kvsdump
