#pragma once

#include <string>
#include <vector>

#include "songfile/KvsRecords.h"

namespace tarvo::content {

// Appends the five cells of a window state record to a list row: Left, Top,
// Right and Bottom as "%0:d (0x%0:x)", then the names of its set flags.
// Shared by the Global Window State list and the Window State page.
void AddWindowPosCells(std::vector<std::string>& cells, const TKvsWindowPosInfo& info);

}  // namespace tarvo::content
