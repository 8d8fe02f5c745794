#include "content/compare/DifferenceList.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <numeric>

namespace tarvo::content {
namespace {

constexpr std::size_t ChangeAt = 20;
constexpr std::size_t KindAt = 21;
constexpr std::size_t FlagsAt = 22;
constexpr std::size_t PathAt = 24;
constexpr std::size_t OldPathAt = 26;
constexpr std::uint8_t NoOld = 1;
constexpr std::uint8_t NoNew = 2;
constexpr std::uint16_t WholePath = 0xFFFF;

std::size_t SideIndex(Side side) { return side == Side::Old ? 0 : 1; }
Side Other(Side side) { return side == Side::Old ? Side::New : Side::Old; }

std::uint16_t PathLengthOf(const std::string& path) {
  return path.size() < WholePath ? static_cast<std::uint16_t>(path.size()) : WholePath;
}

// Bytes shown of a region that is not a field.
constexpr std::uint64_t ShownBytes = 8;

// Where two runs of bytes first differ within their common length; that
// length when they do not.
std::uint64_t FirstDifference(const std::uint8_t* a, const std::uint8_t* b, std::uint64_t size) {
  constexpr std::uint64_t Block = 4096;
  std::uint64_t at = 0;
  while (at + Block <= size && std::memcmp(a + at, b + at, Block) == 0) at += Block;
  while (at < size && a[at] == b[at]) ++at;
  return at;
}

std::string Cut(std::string path, std::size_t length) {
  if (length < path.size()) path.resize(length);
  return path;
}

}  // namespace

std::uint64_t DifferenceList::Get(std::size_t i, std::size_t at) const {
  std::uint64_t value = 0;
  for (std::size_t b = 0; b < 5; ++b) value |= static_cast<std::uint64_t>(entries_[i][at + b]) << (8 * b);
  return value;
}

void DifferenceList::Put(Entry& entry, std::size_t at, std::uint64_t value) {
  value = std::min(value, MaxValue);
  for (std::size_t b = 0; b < 5; ++b) entry[at + b] = static_cast<std::uint8_t>(value >> (8 * b));
}

void DifferenceList::Add(const CompareDifference& difference) {
  Entry entry{};
  std::uint64_t oldPlace = 0;
  std::uint64_t newPlace = 0;
  std::uint8_t flags = 0;
  // A one-sided difference stands where the stretch since the last one
  // brings the other file.
  if (difference.oldOffset) {
    oldPlace = *difference.oldOffset;
  } else {
    flags |= NoOld;
    const std::uint64_t at = difference.newOffset.value_or(anchorNew_);
    oldPlace = anchorOld_ + (at > anchorNew_ ? at - anchorNew_ : 0);
  }
  if (difference.newOffset) {
    newPlace = *difference.newOffset;
  } else {
    flags |= NoNew;
    newPlace = anchorNew_ + (oldPlace > anchorOld_ ? oldPlace - anchorOld_ : 0);
  }
  const std::uint64_t oldSize = difference.oldOffset ? difference.oldSize : 0;
  const std::uint64_t newSize = difference.newOffset ? difference.newSize : 0;
  if (!entries_.empty()) {
    const std::size_t last = entries_.size() - 1;
    if (oldPlace < Place(Side::Old, last)) growing_[0] = false;
    if (newPlace < Place(Side::New, last)) growing_[1] = false;
  }
  Put(entry, 0, oldPlace);
  Put(entry, 5, newPlace);
  Put(entry, 10, oldSize);
  Put(entry, 15, newSize);
  entry[ChangeAt] = static_cast<std::uint8_t>(difference.change);
  entry[KindAt] = static_cast<std::uint8_t>(difference.kind);
  entry[FlagsAt] = flags;
  const std::uint16_t path = PathLengthOf(difference.path);
  const std::uint16_t oldPath = PathLengthOf(difference.oldPath);
  entry[PathAt] = static_cast<std::uint8_t>(path);
  entry[PathAt + 1] = static_cast<std::uint8_t>(path >> 8);
  entry[OldPathAt] = static_cast<std::uint8_t>(oldPath);
  entry[OldPathAt + 1] = static_cast<std::uint8_t>(oldPath >> 8);
  if (difference.change == ChangeKind::Changed && !difference.runs.empty() &&
      std::max(oldSize, newSize) >= LargeRegion)
    firstDifferences_.emplace_back(static_cast<std::uint32_t>(entries_.size()), difference.runs.front().offset);
  entries_.push_back(entry);
  anchorOld_ = std::max(anchorOld_, oldPlace + oldSize);
  anchorNew_ = std::max(anchorNew_, newPlace + newSize);
}

void DifferenceList::Finish() {
  entries_.shrink_to_fit();
  firstDifferences_.shrink_to_fit();
  for (const Side side : {Side::Old, Side::New}) {
    std::vector<std::uint32_t>& order = order_[SideIndex(side)];
    order.clear();
    if (growing_[SideIndex(side)]) continue;
    order.resize(entries_.size());
    std::iota(order.begin(), order.end(), std::uint32_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return Place(side, a) < Place(side, b); });
  }
}

std::optional<std::uint64_t> DifferenceList::KnownFirstDifference(std::size_t i) const {
  const auto found = std::lower_bound(
      firstDifferences_.begin(), firstDifferences_.end(), i,
      [](const std::pair<std::uint32_t, std::uint64_t>& known, std::size_t at) { return known.first < at; });
  if (found == firstDifferences_.end() || found->first != i) return std::nullopt;
  return found->second;
}

std::optional<std::uint64_t> DifferenceList::Offset(Side side, std::size_t i) const {
  const std::uint8_t none = side == Side::Old ? NoOld : NoNew;
  if (entries_[i][FlagsAt] & none) return std::nullopt;
  return Place(side, i);
}

std::uint64_t DifferenceList::Size(std::size_t i) const {
  return Change(i) == ChangeKind::Removed ? SideSize(Side::Old, i) : SideSize(Side::New, i);
}

std::size_t DifferenceList::PathLength(Side side, std::size_t i) const {
  const std::size_t at = side == Side::New ? PathAt : OldPathAt;
  const auto length = static_cast<std::uint16_t>(entries_[i][at] | entries_[i][at + 1] << 8);
  return length == WholePath ? std::string::npos : length;
}

std::size_t DifferenceList::Sorted(Side side, std::size_t k) const {
  const std::vector<std::uint32_t>& order = order_[SideIndex(side)];
  return order.empty() ? k : order[k];
}

std::uint64_t DifferenceList::Extent(Side side, std::size_t i) const {
  return Offset(side, i) ? SideSize(side, i) : 0;
}

std::optional<std::size_t> DifferenceList::Before(Side side, std::uint64_t offset) const {
  std::size_t low = 0;
  std::size_t high = entries_.size();
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    if (Place(side, Sorted(side, middle)) <= offset) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  if (low == 0) return std::nullopt;
  return Sorted(side, low - 1);
}

std::optional<std::size_t> DifferenceList::At(Side side, std::uint64_t offset) const {
  const std::optional<std::size_t> i = Before(side, offset);
  if (!i || offset - Place(side, *i) >= Extent(side, *i)) return std::nullopt;
  return i;
}

std::optional<std::uint64_t> DifferenceList::Matched(Side side, std::uint64_t offset, std::uint64_t* gap) const {
  const std::optional<std::size_t> i = Before(side, offset);
  if (!i) return offset;
  const Side other = Other(side);
  const std::uint64_t relative = offset - Place(side, *i);
  if (relative < Extent(side, *i)) {
    if (Offset(other, *i)) {
      const std::uint64_t size = SideSize(other, *i);
      return Place(other, *i) + std::min(relative, size > 0 ? size - 1 : 0);
    }
    if (gap != nullptr) *gap = Place(other, *i);
    return std::nullopt;
  }
  return Place(other, *i) + Extent(other, *i) + (relative - Extent(side, *i));
}

bool DifferenceList::Differs(Side side, std::uint64_t offset, const std::uint8_t* oldData,
                             const std::uint8_t* newData) const {
  const std::optional<std::size_t> i = At(side, offset);
  if (!i) return false;
  const Side other = Other(side);
  if (!Offset(other, *i)) return true;
  const std::uint64_t relative = offset - Place(side, *i);
  if (relative >= SideSize(other, *i)) return true;
  const std::uint64_t oldAt = side == Side::Old ? offset : Place(Side::Old, *i) + relative;
  const std::uint64_t newAt = side == Side::New ? offset : Place(Side::New, *i) + relative;
  return oldData == nullptr || newData == nullptr || oldData[oldAt] != newData[newAt];
}

std::uint64_t DifferenceList::DifferentBytes(Side side, std::uint64_t from, std::uint64_t to,
                                             std::size_t maxEntries) const {
  if (to <= from || entries_.empty()) return 0;
  // From the difference holding `from` (or the first after it) on.
  std::size_t low = 0;
  std::size_t high = entries_.size();
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    const std::size_t i = Sorted(side, middle);
    if (Place(side, i) + Extent(side, i) <= from) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  std::uint64_t bytes = 0;
  for (std::size_t k = low, seen = 0; k < entries_.size(); ++k, ++seen) {
    const std::size_t i = Sorted(side, k);
    const std::uint64_t start = std::max(from, Place(side, i));
    if (start >= to) break;
    if (seen == maxEntries) return bytes + (to - start);
    const std::uint64_t end = std::min(to, Place(side, i) + Extent(side, i));
    if (end > start) bytes += end - start;
  }
  return bytes;
}

DifferenceTexts TextsOf(const DifferenceList& list, std::size_t i, const RegionMap& oldMap, const RegionMap& newMap) {
  DifferenceTexts texts;
  const bool field = list.Kind(i) == DiffKind::Field;
  std::optional<TKvsRegion> oldRegion;
  std::optional<TKvsRegion> newRegion;
  if (const std::optional<std::uint64_t> at = list.Offset(Side::Old, i)) oldRegion = oldMap.RegionAt(*at);
  if (const std::optional<std::uint64_t> at = list.Offset(Side::New, i)) newRegion = newMap.RegionAt(*at);
  if (oldRegion) {
    texts.oldPath = Cut(oldRegion->path, list.PathLength(Side::Old, i));
    if (field && oldRegion->kind == TKvsRegionKind::Field) texts.oldValue = std::move(oldRegion->value);
  }
  if (newRegion) {
    texts.path = Cut(newRegion->path, list.PathLength(Side::New, i));
    if (field && newRegion->kind == TKvsRegionKind::Field) texts.newValue = std::move(newRegion->value);
  } else {
    texts.path = texts.oldPath;
  }
  return texts;
}

std::uint64_t FirstDifferingByte(const DifferenceList& list, std::size_t i, const RegionMap& oldMap,
                                 const RegionMap& newMap) {
  const std::optional<std::uint64_t> oldAt = list.Offset(Side::Old, i);
  const std::optional<std::uint64_t> newAt = list.Offset(Side::New, i);
  if (list.Change(i) != ChangeKind::Changed || !oldAt || !newAt || oldMap.FileData() == nullptr ||
      newMap.FileData() == nullptr)
    return 0;
  const std::uint64_t common = std::min(list.SideSize(Side::Old, i), list.SideSize(Side::New, i));
  const std::optional<std::uint64_t> known = list.KnownFirstDifference(i);
  const std::uint64_t at =
      known ? *known : FirstDifference(oldMap.FileData() + *oldAt, newMap.FileData() + *newAt, common);
  // Bytes past the shorter side differ; equal bytes throughout show from the start.
  return at < std::max(list.SideSize(Side::Old, i), list.SideSize(Side::New, i)) ? at : 0;
}

std::string BytesTextOf(const DifferenceList& list, std::size_t i, Side side, const RegionMap& oldMap,
                        const RegionMap& newMap) {
  return BytesTextOf(list, i, side, oldMap, newMap, FirstDifferingByte(list, i, oldMap, newMap));
}

std::string BytesTextOf(const DifferenceList& list, std::size_t i, Side side, const RegionMap& oldMap,
                        const RegionMap& newMap, std::uint64_t firstDiffering) {
  static constexpr char Digits[] = "0123456789ABCDEF";
  const std::optional<std::uint64_t> offset = list.Offset(side, i);
  if (!offset) return "-";
  const std::uint8_t* const data = (side == Side::Old ? oldMap : newMap).FileData();
  const std::uint64_t size = list.SideSize(side, i);
  if (data == nullptr || size == 0) return {};
  std::uint64_t from = 0;
  std::string text;
  if (list.Change(i) == ChangeKind::Changed) {
    // Past this side's end (it is the shorter one), from its start.
    from = firstDiffering < size ? firstDiffering : 0;
    text += '+';
    text += std::to_string(from);
    text += ' ';
  }
  const std::uint64_t end = std::min(size, from + ShownBytes);
  for (std::uint64_t k = from; k < end; ++k) {
    const std::uint8_t byte = data[*offset + k];
    text += Digits[byte >> 4];
    text += Digits[byte & 15];
  }
  if (end < size) text += "...";
  return text;
}

}  // namespace tarvo::content
