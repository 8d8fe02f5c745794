#pragma once

#include <cstdint>
#include <string>

namespace tarvo {

// A chunk id's four bytes in file order as characters, each only if it is
// from 32 to 127; "????" when fewer than four characters result.
std::string ChunkIdToText(std::uint32_t chunkId);

// The chunk ids the loader knows, as the uint32 of their four characters.
namespace chunkids {
inline constexpr std::uint32_t VFhd = 0x64684656;
inline constexpr std::uint32_t OBJS = 0x534A424F;
inline constexpr std::uint32_t EVTS = 0x53545645;
inline constexpr std::uint32_t PATC = 0x43544150;
inline constexpr std::uint32_t VUUU = 0x55555556;
inline constexpr std::uint32_t WINP = 0x504E4957;
inline constexpr std::uint32_t GLOB = 0x424F4C47;
inline constexpr std::uint32_t CHAN = 0x4E414843;
inline constexpr std::uint32_t FXRN = 0x4E525846;
inline constexpr std::uint32_t AUIO = 0x4F495541;
inline constexpr std::uint32_t EndOfSong = 0xFFFFFFFF;
inline constexpr std::uint32_t FirstModule = 0x00001000;
inline constexpr std::uint32_t LastModule = 0x00FFFFFF;
}  // namespace chunkids

// Whether the chunk id is a module record's: its header carries the
// module's type id.
inline constexpr bool IsModuleChunk(std::uint32_t id) {
  return id >= chunkids::FirstModule && id <= chunkids::LastModule;
}

}  // namespace tarvo
