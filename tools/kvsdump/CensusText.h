#pragma once

#include <iosfwd>

#include "tools/kvsdump/CensusSong.h"
#include "tools/kvsdump/CensusSummary.h"

namespace tarvo::kvsdump {

// For people: one line per song (outcome, size, version, the share of bytes
// understood, path, error), then the summary as short tables.
void WriteSongText(std::ostream& out, const SongCensus& song);
void WriteSummaryText(std::ostream& out, const CensusSummary& summary);

}  // namespace tarvo::kvsdump
