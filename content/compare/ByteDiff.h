#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "content/compare/SongCompare.h"

namespace tarvo::content {

// A hash of bytes for telling items apart before comparing them: fast, not
// cryptographic (equal hashes are confirmed by the bytes).
std::uint64_t HashBytes(const std::uint8_t* bytes, std::size_t size);

// Bytes as upper-case hexadecimal digits, two a byte ("" for none).
std::string HexBytes(std::string_view bytes);

// Whether two runs of bytes are equal (sizes included).
bool SameBytes(const std::uint8_t* a, std::uint64_t aSize, const std::uint8_t* b, std::uint64_t bSize);

// Fills `difference`'s bytesDiffer, runs and runsMore from the two regions'
// bytes; positions past the shorter side differ.
void DiffBytes(const std::uint8_t* a, std::uint64_t aSize, const std::uint8_t* b, std::uint64_t bSize,
               CompareDifference& difference);

}  // namespace tarvo::content
