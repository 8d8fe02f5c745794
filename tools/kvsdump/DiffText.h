#pragma once

#include <string>

#include "tools/kvsdump/DiffCompare.h"

namespace tarvo::kvsdump {

// One difference as one line of `kvsdump --diff` (UTF-8, no line break):
// the place, " added"/" removed" for something only one song has, then
// what differs. Song texts are written so that none can break the line or
// steer a terminal.
std::string DifferenceLine(const Difference& difference);

}  // namespace tarvo::kvsdump
