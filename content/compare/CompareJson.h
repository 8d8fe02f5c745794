#pragma once

#include <cstddef>
#include <iosfwd>

#include "content/compare/CompareText.h"
#include "content/compare/SongCompare.h"

// The newline-delimited JSON of a comparison, as `kvsdump --compare --json`
// prints it and the Compare window saves it: a header object, one object
// per difference, a summary object, each on its line, each with the pair's
// number.
namespace tarvo::content {

// Runs `comparison`, writing each line as it is found.
CompareSummary WriteCompareJson(std::ostream& out, SongComparison& comparison, std::size_t pair,
                                const ComparedFile& oldFile, const ComparedFile& newFile);

}  // namespace tarvo::content
