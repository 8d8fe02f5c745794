#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tarvo::kvsdump {

// `kvsdump --compare [--json] OLD NEW [NEWER...]`: each file against the one
// before, by the place of each byte in the song. Returns the exit status.
int RunCompare(const std::vector<std::string>& files, bool json, std::ostream& out, std::ostream& err);

}  // namespace tarvo::kvsdump
