#include "tools/kvsdump/Census.h"

#include "tools/kvsdump/CensusJson.h"
#include "tools/kvsdump/CensusSong.h"
#include "tools/kvsdump/CensusSummary.h"
#include "tools/kvsdump/KvsDump.h"
#include "tools/kvsdump/OutputText.h"

#include <cstdint>
#include <fstream>
#include <iostream>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace tarvo::kvsdump {

namespace {

// Adds the song lines of one census output. False when it cannot be read or
// holds a line that is no census output; a summary whose count differs
// from the song lines before it, or songs after the last summary, mean the
// part was cut short: said, and the merge goes on.
bool MergePart(const std::string& name, std::istream& in, CensusSummary& summary, bool& complete,
               std::ostream& err) {
  const std::string shown = ExternalTextToTerminal(name);
  std::uint64_t songs = 0;
  std::uint64_t lineNumber = 0;
  SongCensus song;
  for (std::string line; std::getline(in, line);) {
    ++lineNumber;
    std::uint64_t summaryFiles = 0;
    switch (ReadCensusLine(line, song, summaryFiles)) {
      case CensusLine::Song:
        summary.Add(song);
        ++songs;
        break;
      case CensusLine::Summary:
        if (summaryFiles != songs) {
          err << "kvsdump: " << shown << ":" << lineNumber << ": the summary counts " << summaryFiles
              << " files, the lines before it " << songs << "\n";
          complete = false;
        }
        songs = 0;
        break;
      case CensusLine::Blank:
        break;
      case CensusLine::Invalid:
        err << "kvsdump: " << shown << ":" << lineNumber << ": not a line of census output\n";
        return false;
    }
  }
  if (in.bad()) {
    err << "kvsdump: " << shown << ": cannot be read\n";
    return false;
  }
  if (songs > 0) {
    err << "kvsdump: " << shown << ": no summary after its last " << songs
        << " songs; the census may have been cut short\n";
    complete = false;
  }
  return true;
}

}  // namespace

int RunCensusMerge(const std::vector<std::string>& files, bool json, std::ostream& out,
                   std::ostream& err) {
  CensusSummary summary;
  bool complete = true;
  for (const std::string& file : files) {
    bool read = false;
    if (file == "-") {
      read = MergePart("standard input", std::cin, summary, complete, err);
    } else if (std::ifstream in(file); in) {
      read = MergePart(file, in, summary, complete, err);
    } else {
      err << "kvsdump: " << ExternalTextToTerminal(file) << ": cannot be opened\n";
    }
    // A summary without a whole part would pass for the collection's.
    if (!read) return ExitDataError;
  }
  WriteCensusSummary(out, summary, json);
  return CensusExitStatus(summary, complete);
}

}  // namespace tarvo::kvsdump
