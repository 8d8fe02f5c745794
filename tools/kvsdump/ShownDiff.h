#pragma once

#include <iosfwd>

#include "content/showdiff/DiffCompare.h"
#include "content/showdiff/DiffText.h"
#include "content/showdiff/LoadFlow.h"
#include "content/showdiff/SongView.h"

// The load flow, the song view and the diff lines live at content level,
// where the Compare window shows them too; kvsdump names them as its own.
namespace tarvo::kvsdump {

using namespace content::showdiff;

// A failed load's error on `err`, terminal-safe, after what `out` holds so
// far (the lines before the error, also on a shared terminal); nothing when
// loaded.
void ReportLoadError(const LoadResult& result, std::ostream& out, std::ostream& err);

}  // namespace tarvo::kvsdump
