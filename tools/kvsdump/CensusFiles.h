#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "tools/kvsdump/SongPaths.h"

namespace tarvo::kvsdump {

struct CensusFiles {
  SongPaths songs;          // in byte order, each file once
  bool complete = true;            // false when a PATH or a folder could not be read
};

// The songs that PATHs name: a PATH that is no folder is taken whatever its
// name; a folder is searched recursively for entries that are not folders
// and whose names end in ".kvs" in any case. Links to folders are not
// followed. A file reached through two PATHs is taken once, at its first
// path in byte order. What cannot be read is reported on `err`.
CensusFiles FindCensusFiles(const std::vector<std::string>& paths, std::ostream& err);

}  // namespace tarvo::kvsdump
