#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "songbuilder/SongBuilder.h"

namespace tarvo::testing {

// What a user might change in the music application between two saves of
// the demo song (each edit optional).
struct DemoEdits {
  std::optional<float> tempo;
  std::optional<std::uint8_t> reservedByte;  // the first byte of the settings' reserved word at 32
  bool insertEvent = false;                  // one note inserted in the middle of the song's events
  std::string moreSongInfo;                  // appended to the song info
};
inline constexpr std::size_t DemoReservedOffset = 32;

// The demo song (examples/demo.kvs), with `edits`.
SongBuilder DemoSong(const DemoEdits& edits = {});

}  // namespace tarvo::testing
