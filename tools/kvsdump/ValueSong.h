#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/kvsdump/ShownDiff.h"
#include "tools/kvsdump/SongPlaces.h"
#include "tools/kvsdump/ValuePlaces.h"

namespace tarvo::kvsdump {

// What the value census keeps of one song once its loader is gone: the
// counts of its places, ready to be added to the collection's.
struct SongValues {
  std::string file;
  std::uint64_t size = 0;
  Outcome outcome = Outcome::Loaded;
  std::string errorUtf8;
  SongPlaces places;  // in the order the song first has them
  std::array<OtherCounts, RegionKindCount> other{};
  std::vector<std::uint64_t> otherNames;  // PlaceHash of the places in `other`
  std::size_t held = 0;  // the memory its counters hold, as the budget reckons it
};

// Loads `file` as the window does and counts the regions of `kinds` of its
// map by place, its counters within `budget` bytes. Never throws for
// anything about the file. `byRegion`: every region by itself, as a map
// lists them, instead of runs of records at once (the same counts; what
// the runs are checked against).
SongValues StudySongValues(const std::string& file, KindSet kinds, std::size_t budget, bool byRegion = false);

// The census's figures of a song added to the collection's, places in the
// song's order.
void AddSongValues(ValueCensus& census, SongValues&& song);

}  // namespace tarvo::kvsdump
