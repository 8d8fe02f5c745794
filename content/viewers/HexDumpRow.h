#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One row of the chunk data viewer's hex dump. The dump is made a row at a
// time from the chunk's bytes, for the rows someone looks at.
namespace tarvo::content {

// Fills `cells` with "File Offset" (chunkOffset + position), "Offset"
// (position), "Hex" (one "%2.2x " group per byte) and "Data" (the byte
// itself from 0x20 to 0x7E, else "."), for `count` bytes (at most a row's).
void HexDumpRow(std::int64_t chunkOffset, std::int64_t position, const std::uint8_t* bytes,
                std::size_t count, std::vector<std::string>& cells);

}  // namespace tarvo::content
