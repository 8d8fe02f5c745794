#pragma once

#include <string>

#include "content/showdiff/DiffCompare.h"

namespace tarvo::content::showdiff {

// One difference as one line of `kvsdump --diff` (UTF-8, no line break):
// the place, " added"/" removed" for something only one song has, then
// what differs. Song texts are written so that none can break the line or
// steer a terminal.
std::string DifferenceLine(const Difference& difference);

}  // namespace tarvo::content::showdiff
