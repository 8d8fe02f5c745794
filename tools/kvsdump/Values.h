#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "tools/kvsdump/ValuePlaces.h"

namespace tarvo::kvsdump {

// The memory the collection's counters may hold, and what the songs being
// counted may hold together: the bound on what the value census adds to
// the census's memory, whatever the collection.
inline constexpr std::size_t ValuesBudget = std::size_t{96} << 20;
inline constexpr std::size_t SongsBudget = std::size_t{96} << 20;

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
