#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "tools/kvsdump/ValuePlaces.h"

// The value census as newline-delimited JSON: one line per place in byte
// order of the places, then one summary line; and those lines read back,
// for --values-merge.
namespace tarvo::kvsdump {

// A place's values in output order: most frequent first, ties in byte order.
std::vector<std::pair<ValueKey, const ValueCount*>> SortedValues(const PlaceCounts& place);

// Every line of the output, the summary last.
void WriteValuesJson(std::ostream& out, const ValueCensus& census);

// What one line of a --values --json output held.
enum class ValuesLine { Place, Other, Summary, Blank, Invalid };
struct ValuesSummaryLine {
  ValueTotals totals;
  KindSet kinds = 0;
  std::uint64_t places = 0;
  std::uint64_t otherPlaces = 0;
};
// Reads `line`: a place into `place`, a "(other places)" line into `place`
// (name, kind, files, count, sizes), the summary into `summary`.
ValuesLine ReadValuesLine(const std::string& line, PlaceCounts& place, ValuesSummaryLine& summary);

}  // namespace tarvo::kvsdump
