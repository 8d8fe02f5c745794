#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tarvo::kvsdump {

struct CensusSummary;

// The number of songs loaded at once when --jobs is not given: the cores
// this process may run on.
int DefaultCensusJobs();

// kvsdump --census: every song of PATHs, `jobs` at once, reported in path
// order as soon as a song and all before it are done. Returns the exit
// status. `progress` is the terminal for a progress line, or null.
int RunCensus(const std::vector<std::string>& paths, bool json, int jobs, std::ostream& out,
              std::ostream& err, std::ostream* progress = nullptr);

// The summary after the songs, as lines of text or one JSON line.
void WriteCensusSummary(std::ostream& out, const CensusSummary& summary, bool json);

// Success only when every song loaded and every path could be searched.
int CensusExitStatus(const CensusSummary& summary, bool complete);

// kvsdump --census-merge: the summary of the songs of census JSON outputs.
int RunCensusMerge(const std::vector<std::string>& files, bool json, std::ostream& out,
                   std::ostream& err);

}  // namespace tarvo::kvsdump
