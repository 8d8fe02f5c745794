#pragma once

#include <iosfwd>
#include <string>

#include "tools/kvsdump/ShownDiff.h"

namespace tarvo::kvsdump {

// kvsdump --map: loads FILE and prints its region map, one line per region
// and a "coverage:" line, or with `json` one JSON document. The map is
// printed whatever the load's outcome: the map of a damaged file shows where
// the reading stopped. The load's error text goes to `err` in text mode
// only. Nothing is kept per region: each is written as it is made.
Outcome DumpMap(const std::string& file, bool json, std::ostream& out, std::ostream& err);

}  // namespace tarvo::kvsdump
