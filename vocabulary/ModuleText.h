#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "songfile/KvsLoader.h"
#include "songfile/KvsModules.h"

namespace tarvo {

// A module named by its index in the loader's module list: "n/a" for a
// negative index, the module's name, or "<ERROR> (%d)" past the list.
std::string GetModuleText(const TKvsModuleList& modules,
                          std::int32_t index);

inline std::string GetModuleText(const TKvsLoader& loader, std::int32_t index) {
  return GetModuleText(loader.Modules(), index);
}

}  // namespace tarvo
