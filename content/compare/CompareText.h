#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "content/compare/SongCompare.h"

// The text of a comparison, as `kvsdump --compare` prints it and the
// Compare window saves it: a header of two lines, one line per difference,
// a summary line.
namespace tarvo::content {

// One file of a pair as the outputs name it.
struct ComparedFile {
  std::string name;     // UTF-8; for text, already safe for a terminal
  std::string outcome;  // "loaded", "rejected", "failed"
  std::uint64_t size = 0;
};

// "changed  field     0000002C 0000002C        4  GLOB/Settings/Tempo: 140.00 -> 128.00"
// (no line feed); song texts with control characters as \xHH.
std::string CompareTextLine(const CompareDifference& difference);
// "compare: 5 differences (changed 4: field 1, ...; added 1; removed 0); bytes: ..."
std::string CompareSummaryLine(const CompareSummary& summary);

// Runs `comparison`, writing each line as it is found.
CompareSummary WriteCompareText(std::ostream& out, SongComparison& comparison, const ComparedFile& oldFile,
                                const ComparedFile& newFile);

}  // namespace tarvo::content
