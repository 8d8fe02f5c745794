#pragma once

#include <cstdint>
#include <string>

#include "songfile/ChunkId.h"
#include "songfile/KvsRegion.h"

// The texts of a region: its path and its value, made only when a region is
// shown or printed.
namespace tarvo::content {

// What a region's path starts with: the chunk's id as text ("EVTS"; an id
// without four characters in hexadecimal, "FFFFFFFF", as the log has it), with
// "#n" for the n-th chunk of that label from the second on, or "Modules/i"
// for a module record (i: `firstRecord`, the module's index).
std::string ChunkLabel(std::uint32_t id, std::uint64_t firstRecord, std::uint32_t ordinal);

using tarvo::IsModuleChunk;

// label / group / record / name / item, each step only where present; a
// record index of a chunk other than a module's counts from `firstRecord`.
std::string RegionPath(const std::string& label, bool moduleChunk, std::uint64_t firstRecord,
                       const TKvsRegionNote& note);

// A field's value from its bytes (at least its full width readable: the
// loader's copy ends in zero bytes); 8-bit text as stored.
std::string ValueText(TKvsValueFormat format, const std::uint8_t* bytes, std::uint64_t size);

}  // namespace tarvo::content
