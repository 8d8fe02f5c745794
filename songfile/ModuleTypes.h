#pragma once

#include <cstdint>
#include <string>

namespace tarvo {

// The display name of a module type id: the catalogue's text, or
// "unknown object (%x)".
std::string ModuleTypeToText(std::int32_t typeId);

}  // namespace tarvo
