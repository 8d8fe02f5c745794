#include "songfile/ChunkId.h"

#include <cstdint>
#include <string>

namespace tarvo {

std::string ChunkIdToText(std::uint32_t chunkId) {
  // Bytes in file order; a partly printable id shows nothing of itself.
  std::string text;
  for (int shift = 0; shift < 32; shift += 8) {
    const auto byte = static_cast<unsigned char>(chunkId >> shift);
    if (byte < 32 || byte > 127) {
      return "????";
    }
    text.push_back(static_cast<char>(byte));
  }
  return text;
}

}  // namespace tarvo
