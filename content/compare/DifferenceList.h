#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "content/compare/SongCompare.h"
#include "content/map/RegionMap.h"

// The differences of a comparison kept for a window: 28 bytes each (and 16
// more for a changed region of 64 KiB or more), texts left out (paths and values are made again from the maps when a row
// shows). Each one also holds where it lies in the file that lacks it (an
// added one's place in OLD, a removed one's in NEW), so that the two files
// can be matched at any offset without asking the engine again: between two
// differences every byte is in regions that are the same on both sides, in
// the same order, so the stretch maps one to one.
namespace tarvo::content {

class DifferenceList {
 public:
  // Up to 2^40 - 1 (1 TiB) per offset and size: a loaded file is in memory.
  static constexpr std::uint64_t MaxValue = (std::uint64_t{1} << 40) - 1;

  // Takes each difference as the engine passes it, in file order.
  void Add(const CompareDifference& difference);
  // After the last Add: orders the lookups where the sides' orders cross.
  void Finish();

  std::size_t Size() const { return entries_.size(); }
  ChangeKind Change(std::size_t i) const { return static_cast<ChangeKind>(entries_[i][20]); }
  DiffKind Kind(std::size_t i) const { return static_cast<DiffKind>(entries_[i][21]); }
  // The offset on a side; none where the difference is not in that file.
  std::optional<std::uint64_t> Offset(Side side, std::size_t i) const;
  // The offset on a side, or where the other side's bytes would stand.
  std::uint64_t Place(Side side, std::size_t i) const { return Get(i, side == Side::Old ? 0 : 5); }
  // The size on a side (0 where it is not in that file).
  std::uint64_t SideSize(Side side, std::size_t i) const { return Get(i, side == Side::Old ? 10 : 15); }
  // The size shown and sorted by: NEW's, OLD's for a removed one.
  std::uint64_t Size(std::size_t i) const;
  // How much of the region's path at Place the difference's path is.
  std::size_t PathLength(Side side, std::size_t i) const;

  // The difference holding `offset` of `side`'s file, if any.
  std::optional<std::size_t> At(Side side, std::uint64_t offset) const;
  // The place in the other file that matches `offset` of `side`: the same
  // byte of a matched region (the last one, when the match is shorter); none
  // where `offset` lies in a region only `side` has, with `gap` set to where
  // the other file would hold it.
  std::optional<std::uint64_t> Matched(Side side, std::uint64_t offset, std::uint64_t* gap = nullptr) const;
  // Whether the byte at `offset` of `side` differs: in a region only that
  // side has, past the end of its match, or unlike the matched byte.
  bool Differs(Side side, std::uint64_t offset, const std::uint8_t* oldData, const std::uint8_t* newData) const;
  // Where a changed difference's bytes first differ, from its start, when
  // its region is large (LargeRegion bytes or more): kept from the engine's
  // first run, so that no view reads a gigabyte to find it. None otherwise.
  static constexpr std::uint64_t LargeRegion = 64 * 1024;
  std::optional<std::uint64_t> KnownFirstDifference(std::size_t i) const;

  // The differing regions' bytes of `side` in [from, to), counted over at
  // most `maxEntries` differences (the rest of the stretch then counts whole).
  std::uint64_t DifferentBytes(Side side, std::uint64_t from, std::uint64_t to, std::size_t maxEntries = 4096) const;

 private:
  using Entry = std::array<std::uint8_t, 28>;
  static_assert(sizeof(Entry) == 28);

  std::uint64_t Get(std::size_t i, std::size_t at) const;
  static void Put(Entry& entry, std::size_t at, std::uint64_t value);
  // The entry at sorted position k on `side`.
  std::size_t Sorted(Side side, std::size_t k) const;
  // The last difference whose place on `side` is at or before `offset`.
  std::optional<std::size_t> Before(Side side, std::uint64_t offset) const;
  std::uint64_t Extent(Side side, std::size_t i) const;

  std::vector<Entry> entries_;
  std::uint64_t anchorOld_ = 0;  // where the last difference ends on each side
  std::uint64_t anchorNew_ = 0;
  // Sorted by place, only for a side whose places do not grow in list order.
  std::array<std::vector<std::uint32_t>, 2> order_;
  std::array<bool, 2> growing_{true, true};
  // (difference, first differing byte) of the large changed regions, in
  // list order: at most one per 64 KiB of the files.
  std::vector<std::pair<std::uint32_t, std::uint64_t>> firstDifferences_;
};

// A difference's path, OLD's path and the two values, as the list shows them.
struct DifferenceTexts {
  std::string path;
  std::string oldPath;
  std::string oldValue;  // fields only
  std::string newValue;
};
DifferenceTexts TextsOf(const DifferenceList& list, std::size_t i, const RegionMap& oldMap, const RegionMap& newMap);

// A few of a difference's bytes on `side` in hexadecimal, as the list shows
// them where it shows no value: a changed one's from its first differing
// byte on ("+4 8000..."), another's from its start ("1000..."); "-" where
// the side has none.
std::string BytesTextOf(const DifferenceList& list, std::size_t i, Side side, const RegionMap& oldMap,
                        const RegionMap& newMap);
// Where a changed difference's bytes first differ, from its start (0 when
// they do not, or for another change): what BytesTextOf shows from. For a
// gigabyte region this reads up to that far, so one row's two texts share it.
std::uint64_t FirstDifferingByte(const DifferenceList& list, std::size_t i, const RegionMap& oldMap,
                                 const RegionMap& newMap);
std::string BytesTextOf(const DifferenceList& list, std::size_t i, Side side, const RegionMap& oldMap,
                        const RegionMap& newMap, std::uint64_t firstDiffering);

}  // namespace tarvo::content
