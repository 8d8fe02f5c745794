#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

#include "tools/kvsdump/CensusSong.h"
#include "tools/kvsdump/CensusSummary.h"

namespace tarvo::kvsdump {

// Newline-delimited JSON: one line per song, one summary line at the end.
void WriteSongLine(std::ostream& out, const SongCensus& song);
void WriteSummaryLine(std::ostream& out, const CensusSummary& summary);

enum class CensusLine { Song, Summary, Blank, Invalid };

// Reads one line of census output. For a song line, `song` gets what the
// summary needs of it; `summaryFiles` gets a summary line's file count. A
// line that no census writes is Invalid, with the reason in `why`.
CensusLine ReadCensusLine(std::string_view line, SongCensus& song, std::uint64_t& summaryFiles,
                          std::string& why);

}  // namespace tarvo::kvsdump
