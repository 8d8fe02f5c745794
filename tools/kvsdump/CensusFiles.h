#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tarvo::kvsdump {

struct CensusFiles {
  std::vector<std::string> songs;  // in byte order
  bool complete = true;            // false when a PATH or a folder could not be read
};

// The songs that PATHs name: a PATH that is no folder is taken whatever its
// name; a folder is searched recursively for entries that are not folders
// and whose names end in ".kvs" in any case. Links to folders are not
// followed. What cannot be read is reported on `err`.
CensusFiles FindCensusFiles(const std::vector<std::string>& paths, std::ostream& err);

}  // namespace tarvo::kvsdump
