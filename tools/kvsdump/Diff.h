#pragma once

#include <iosfwd>
#include <string>

#include "tools/kvsdump/ShownDiff.h"

// kvsdump --diff: loads two songs through the load flow, compares what they
// show (DiffCompare) and writes the differences as lines (DiffText) or as
// one JSON document (DiffJson).
namespace tarvo::kvsdump {

// Writes the differences between two loaded songs to `out`, each as it is
// found; `oldFile` and `newFile` name them in the JSON document (as given,
// any bytes). Returns whether the songs show the same.
bool WriteDiff(const SongView& before, const SongView& after, bool json, const std::string& oldFile,
               const std::string& newFile, std::ostream& out);

// The whole of `kvsdump --diff [--json] OLD NEW`; returns the exit status.
int RunDiff(const std::string& oldFile, const std::string& newFile, bool json, std::ostream& out,
            std::ostream& err);

}  // namespace tarvo::kvsdump
