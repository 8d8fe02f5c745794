#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The data inspector of the File Map window: the bytes at the cursor read
// as each type a song file uses.
namespace tarvo::content {

struct InspectorRow {
  std::string type;   // "int8", ..., "float64", "chunk id", "module type", "text"
  std::string value;  // 8-bit text; empty when too few bytes remain
};

// The rows for the `available` bytes at `bytes` (only the first 64 are
// read). Numbers read little-endian unless `bigEndian`; the chunk id is its
// four bytes in file order either way. The text ends at the first zero byte
// or after 64 characters; control characters in it show as \xHH.
std::vector<InspectorRow> InspectBytes(const std::uint8_t* bytes, std::size_t available, bool bigEndian);

}  // namespace tarvo::content
