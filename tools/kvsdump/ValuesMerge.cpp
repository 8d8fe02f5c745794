#include "tools/kvsdump/KvsDump.h"
#include "tools/kvsdump/OutputText.h"
#include "tools/kvsdump/Values.h"
#include "tools/kvsdump/ValuesJson.h"
#include "tools/kvsdump/ValuesText.h"

#include <cstdint>
#include <fstream>
#include <iostream>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tarvo::kvsdump {

namespace {

// Adds the parts in one --values --json output (GNU parallel may put many
// in one file). False, said on `err`, when a line is no such output, a part
// lacks its summary or some of its places, or was made with other kinds
// than the parts before it.
bool MergeFile(const std::string& name, std::istream& in, ValueCensus& census, std::optional<KindSet>& kinds,
               std::ostream& err) {
  const std::string shown = ExternalTextToTerminal(name);
  std::uint64_t places = 0;  // place lines of the part being read
  bool inPart = false;
  bool anyPart = false;
  std::uint64_t lineNumber = 0;
  PlaceCounts place;
  ValuesSummaryLine summary;
  for (std::string line; std::getline(in, line);) {
    ++lineNumber;
    switch (ReadValuesLine(line, place, summary)) {
      case ValuesLine::Place:
        {
          const TKvsRegionKind kind = place.kind;
          const std::uint64_t files = place.files;
          if (!census.AddPlace(std::move(place), true)) census.AddOtherFiles(kind, files, true);
        }
        ++places;
        inPart = true;
        break;
      case ValuesLine::Other:
        census.AddOther(place.kind, {place.files, place.count, place.minSize, place.maxSize});
        inPart = true;
        break;
      case ValuesLine::Summary:
        if (summary.places != places) {
          err << "kvsdump: " << shown << ":" << lineNumber << ": the summary counts " << summary.places
              << " places, the lines before it " << places << "; the part is incomplete\n";
          return false;
        }
        if (kinds && *kinds != summary.kinds) {
          err << "kvsdump: " << shown << ":" << lineNumber << ": a part made with other kinds (--kind)\n";
          return false;
        }
        kinds = summary.kinds;
        census.SetKinds(summary.kinds);
        {
          ValueTotals& totals = census.Totals();
          totals.files += summary.totals.files;
          totals.bytes += summary.totals.bytes;
          totals.loaded += summary.totals.loaded;
          totals.rejected += summary.totals.rejected;
          totals.failed += summary.totals.failed;
        }
        census.AddOtherPlaceCount(summary.otherPlaces);
        places = 0;
        inPart = false;
        anyPart = true;
        break;
      case ValuesLine::Blank:
        break;
      case ValuesLine::Invalid:
        err << "kvsdump: " << shown << ":" << lineNumber << ": not a line of value census output (--values --json)\n";
        return false;
    }
  }
  if (in.bad()) {
    err << "kvsdump: " << shown << ": cannot be read\n";
    return false;
  }
  if (inPart || !anyPart) {
    err << "kvsdump: " << shown << ": no summary after its last places; the value census was cut short\n";
    return false;
  }
  return true;
}

}  // namespace

int RunValuesMerge(const std::vector<std::string>& files, bool json, std::ostream& out, std::ostream& err) {
  ValueCensus census(0, ValuesBudget);
  std::optional<KindSet> kinds;
  for (const std::string& file : files) {
    bool read = false;
    if (file == "-") {
      read = MergeFile("standard input", std::cin, census, kinds, err);
    } else if (std::ifstream in(file); in) {
      read = MergeFile(file, in, census, kinds, err);
    } else {
      err << "kvsdump: " << ExternalTextToTerminal(file) << ": cannot be opened\n";
    }
    // Counts without a whole part would pass for the collection's.
    if (!read) return ExitFailed;
  }
  if (json) {
    WriteValuesJson(out, census);
  } else {
    WriteValuesText(out, census);
  }
  const ValueTotals& totals = census.Totals();
  return totals.loaded == totals.files ? ExitLoaded : ExitFailed;
}

}  // namespace tarvo::kvsdump
