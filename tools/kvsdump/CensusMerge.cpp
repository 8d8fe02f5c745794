#include "tools/kvsdump/Census.h"

#include "tools/kvsdump/CensusJson.h"
#include "tools/kvsdump/CensusSong.h"
#include "tools/kvsdump/CensusSummary.h"
#include "tools/kvsdump/KvsDump.h"
#include "tools/kvsdump/OutputText.h"

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <istream>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

namespace tarvo::kvsdump {

namespace {

enum class Part { Whole, Incomplete, NotCensusOutput };

// Adds the song lines of one census output. A line that is no census
// output stops the merge: a summary of it would be wrong. A part cut short
// (a summary whose count differs from the song lines before it, songs
// after the last summary, no line at all: a census always writes its
// summary) is said, and the merge goes on.
Part MergePart(const std::string& shown, std::istream& in, CensusSummary& summary, std::ostream& err) {
  Part part = Part::Whole;
  std::uint64_t songs = 0;
  std::uint64_t lineNumber = 0;
  bool anyLine = false;
  SongCensus song;
  std::string why;
  for (std::string line; std::getline(in, line);) {
    ++lineNumber;
    std::uint64_t summaryFiles = 0;
    switch (ReadCensusLine(line, song, summaryFiles, why)) {
      case CensusLine::Song:
        summary.Add(song);
        if (summary.overflowed) {
          err << "kvsdump: " << shown << ":" << lineNumber << ": not a line of census output (the sums go beyond 64 bits)\n";
          return Part::NotCensusOutput;
        }
        anyLine = true;
        ++songs;
        break;
      case CensusLine::Summary:
        anyLine = true;
        if (summaryFiles != songs) {
          err << "kvsdump: " << shown << ":" << lineNumber << ": the summary counts " << summaryFiles
              << " files, the lines before it " << songs << "\n";
          part = Part::Incomplete;
        }
        songs = 0;
        break;
      case CensusLine::Blank:
        break;
      case CensusLine::Invalid:
        err << "kvsdump: " << shown << ":" << lineNumber << ": not a line of census output ("
            << EscapeControls(why) << ")\n";
        return Part::NotCensusOutput;
    }
  }
  if (in.bad()) {
    err << "kvsdump: " << shown << ": cannot be read\n";
    return Part::Incomplete;
  }
  if (!anyLine) {
    err << "kvsdump: " << shown << ": no census output; the census may have been stopped before its first line\n";
    return Part::Incomplete;
  }
  if (songs > 0) {
    err << "kvsdump: " << shown << ": no summary after its last " << songs
        << " songs; the census may have been cut short\n";
    return Part::Incomplete;
  }
  return part;
}

bool IsFolder(const std::string& file) {
  std::error_code error;
  return std::filesystem::is_directory(file, error);
}

}  // namespace

int RunCensusMerge(const std::vector<std::string>& files, bool json, std::ostream& out, std::ostream& err) {
  CensusSummary summary;
  bool complete = true;
  for (const std::string& file : files) {
    Part part = Part::Incomplete;
    if (file == "-") {
      part = MergePart("standard input", std::cin, summary, err);
    } else {
      errno = 0;
      std::ifstream in(file);
      // The system's reason, as for a PATH of the census; a folder opens
      // but reads as nothing.
      const int error = IsFolder(file) ? EISDIR : in ? 0 : errno != 0 ? errno : EIO;
      if (error == 0) {
        part = MergePart(ExternalTextToTerminal(file), in, summary, err);
      } else {
        err << "kvsdump: " << ExternalTextToTerminal(file) << ": "
            << ExternalTextToTerminal(std::generic_category().message(error)) << "\n";
      }
    }
    if (part == Part::NotCensusOutput) return ExitDataError;
    complete = complete && part == Part::Whole;
  }
  WriteCensusSummary(out, summary, json);
  return CensusExitStatus(summary, complete);
}

}  // namespace tarvo::kvsdump
