#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "tools/kvsdump/ValuePlaces.h"

namespace tarvo::kvsdump {

// The memory the collection's counters may hold, what the counters of one
// song may hold, and what songs done but not yet added may hold together
// (beyond the songs being counted, one per job): the bound on what the
// value census adds to the census's memory, whatever the collection. The
// song's bound is the same whatever --jobs, so what is kept never depends
// on it.
inline constexpr std::size_t ValuesBudget = std::size_t{96} << 20;
inline constexpr std::size_t SongBudget = std::size_t{8} << 20;
inline constexpr std::size_t WaitingBudget = std::size_t{16} << 20;

// kvsdump --values: the regions of `kinds` of every song of PATHs counted
// by place, `jobs` songs at once, added in path order. The walk, the
// failures and the exit status are the census's. `progress` is the
// terminal for a progress line, or null.
int RunValues(const std::vector<std::string>& paths, bool json, int jobs, KindSet kinds, std::ostream& out,
              std::ostream& err, std::ostream* progress);

// kvsdump --values-merge: the output of all the --values --json outputs
// FILE... ("-" is standard input). A part cut short or made with other
// kinds is an error: no output, exit status 1.
int RunValuesMerge(const std::vector<std::string>& files, bool json, std::ostream& out, std::ostream& err);

}  // namespace tarvo::kvsdump
