#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "content/Song.h"
#include "text/LogLines.h"
#include "tools/kvsdump/ShownDiff.h"

namespace tarvo::kvsdump {

// Writes the JSON document of one load flow that ended with `result`: the
// window's caption, the log, every control of the main window and, after a
// successful load, one module viewer per module and one chunk data viewer
// per chunk. `log` holds the loader's messages as written (8-bit).
//
// The document goes out as it is made, one row at a time, so a song with
// millions of events costs no memory beyond the loader's own. Throws
// std::logic_error when a page lacks one of the controls the document
// names: that is a fault of this program, never of the file.
void WriteJsonDocument(std::ostream& out, const std::string& file, const content::Song& song,
                       const LoadResult& result, TLogLines log);

}  // namespace tarvo::kvsdump
