#pragma once

#include <cstdint>
#include <string>

namespace tarvo {

// The display name of a song or pattern event id: "Param %d" below 0x1000,
// the catalogue's name, or "unknown event (%x)".
std::string EventIdToText(std::uint16_t id);

}  // namespace tarvo
