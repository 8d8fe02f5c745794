#include "vocabulary/ModuleText.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "text/Format.h"

namespace tarvo {

std::string GetModuleText(const TKvsModuleList& modules,
                          std::int32_t index) {
  if (index < 0) {
    return "n/a";
  }
  const auto position = static_cast<std::size_t>(index);
  if (position < modules.size() && modules[position] != nullptr) {
    return modules[position]->GetName();
  }
  return Format("<ERROR> (%d)", {index});
}

}  // namespace tarvo
