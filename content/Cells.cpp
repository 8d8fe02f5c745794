#include "content/Cells.h"

#include "text/Format.h"
#include "vocabulary/ModuleText.h"

namespace tarvo::content {

std::string RowCaption(std::size_t row) { return Format("%d", {static_cast<std::uint64_t>(row)}); }

std::string ModuleRefText(const TKvsLoader& loader, std::int32_t moduleIndex) {
  return Format("%s (%d)", {GetModuleText(loader, moduleIndex), moduleIndex});
}

}  // namespace tarvo::content
