#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "content/map/RegionMap.h"
#include "songfile/KvsRegion.h"

// Two songs compared by the place of each byte in the song's structure, not
// by its offset: chunks and the lists inside them are aligned as `diff`
// aligns lines, the rest is matched by name, so moved bytes are no
// difference and an inserted record is one.
//
// How a window uses it: load both songs, make their RegionMaps, construct a
// SongComparison on them and call Run with a callback that keeps what the
// window shows (differences come in file order, one at a time; nothing is
// kept by the engine). Save... hands the same Run to WriteCompareText /
// WriteCompareJson (CompareText.h, CompareJson.h). To keep the two hex views
// on the same place, ask MatchedOffset for the offset in one file: it gives
// the matched place in the other, or nullopt where only one side has the
// region (show a gap).
namespace tarvo::content {

enum class ChangeKind : std::uint8_t { Changed, Added, Removed };
// "changed", "added", "removed".
const char* ChangeName(ChangeKind change);

// What a difference is about: a region's kind, or a whole chunk or list
// item added or removed.
enum class DiffKind : std::uint8_t { Header, Field, Reserved, Skipped, Data, Unread, Chunk, Record };
inline constexpr std::size_t DiffKindCount = 8;
// The region kind's name, "chunk" or "record".
const char* DiffKindName(DiffKind kind);
DiffKind DiffKindOf(TKvsRegionKind kind);

// A run of differing bytes of a changed region. Where the sizes differ, the
// bytes past the shorter side differ too (that side's bytes are then fewer).
struct ByteRun {
  std::uint64_t offset = 0;  // from the region's start
  std::uint64_t length = 0;  // differing positions
  std::string oldBytes;      // at most MaxRunBytes of them
  std::string newBytes;
};

// One difference, plain data: the window's list keeps these.
struct CompareDifference {
  static constexpr std::size_t MaxRuns = 64;
  static constexpr std::size_t MaxRunBytes = 64;

  ChangeKind change = ChangeKind::Changed;
  DiffKind kind = DiffKind::Field;
  std::string path;     // NEW's path; OLD's for a removed one
  std::string oldPath;  // empty for an added one
  std::optional<std::uint64_t> oldOffset;  // none for an added one
  std::optional<std::uint64_t> newOffset;  // none for a removed one
  std::uint64_t oldSize = 0;
  std::uint64_t newSize = 0;
  // Fields: the values as the map shows them (8-bit text).
  std::string oldValue;
  std::string newValue;
  // Changed ones: how many byte positions differ, and the first MaxRuns runs.
  std::uint64_t bytesDiffer = 0;
  std::vector<ByteRun> runs;
  std::uint64_t runsMore = 0;  // runs left out

  // The size shown and sorted by: NEW's, OLD's for a removed one.
  std::uint64_t Size() const { return change == ChangeKind::Removed ? oldSize : newSize; }
};

// What a comparison found, with the bytes it accounted for: old = same +
// changedOld + removed, new = same + changedNew + added.
struct CompareSummary {
  std::uint64_t differences = 0;
  std::uint64_t changed = 0;
  std::uint64_t added = 0;
  std::uint64_t removed = 0;
  std::array<std::uint64_t, DiffKindCount> changedByKind{};
  std::vector<DiffKind> kindOrder;  // kinds of changed ones, as first met
  std::uint64_t oldBytes = 0;
  std::uint64_t newBytes = 0;
  std::uint64_t sameBytes = 0;
  std::uint64_t changedOldBytes = 0;
  std::uint64_t changedNewBytes = 0;
  std::uint64_t differBytes = 0;
  std::uint64_t removedBytes = 0;
  std::uint64_t addedBytes = 0;
  // Paths of the lists paired by position (too costly to align), in order;
  // "chunks" for the file's chunks.
  std::vector<std::string> alignedByPosition;
};

// Lists costing more edits than this are paired by position from there on.
inline constexpr std::size_t DefaultEditLimit = 10000;

enum class Side : std::uint8_t { Old, New };

// Thrown out of SongComparison::Run when its stop check said stop.
struct CompareCancelled {};

class SongComparison {
 public:
  using Each = std::function<void(const CompareDifference&)>;

  // Both maps (and their songs) must outlive this object.
  SongComparison(const RegionMap& oldMap, const RegionMap& newMap, std::size_t editLimit = DefaultEditLimit);
  ~SongComparison();
  SongComparison(const SongComparison&) = delete;
  SongComparison& operator=(const SongComparison&) = delete;

  // Asked while Run runs, at bounded intervals of work (about every MiB of
  // bytes compared or hashed, every few thousand alignment steps or
  // differences): when it says true, Run ends by throwing CompareCancelled.
  void SetStop(std::function<bool()> stop);

  // Compares the two songs, passing each difference to `each` in file order
  // (by NEW's offset, a removed one where it stood in OLD) as it is found.
  CompareSummary Run(const Each& each);

  // The place in the other file that matches `offset` in `side`'s file: the
  // same byte of the matched region (its end, when that one is shorter), or
  // nullopt where the region exists on `side` only.
  std::optional<std::uint64_t> MatchedOffset(Side side, std::uint64_t offset) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tarvo::content
