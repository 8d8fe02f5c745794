#include "content/pages/WindowPosCells.h"

#include "text/Format.h"
#include "vocabulary/FlagTexts.h"

namespace tarvo::content {

void AddWindowPosCells(std::vector<std::string>& cells, const TKvsWindowPosInfo& info) {
  for (const std::int32_t value : {info.Left(), info.Top(), info.Right(), info.Bottom()})
    cells.push_back(Format("%0:d (0x%0:x)", {value}));
  cells.push_back(WindowPosFlagsToText(info.Flags()));
}

}  // namespace tarvo::content
