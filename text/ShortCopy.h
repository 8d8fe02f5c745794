#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tarvo {

// Copies `count` bytes without a call to the library: the formatter and
// the JSON writer copy many pieces of a handful of bytes, for which a call
// (or the compiler's general inline copy) costs more than the copy.
inline void CopyShort(char* to, const char* from, std::size_t count) {
  if (count >= 8) {
    if (count > 16) {
      std::memcpy(to, from, count);
      return;
    }
    std::uint64_t head;
    std::uint64_t tail;
    std::memcpy(&head, from, 8);
    std::memcpy(&tail, from + count - 8, 8);
    std::memcpy(to, &head, 8);
    std::memcpy(to + count - 8, &tail, 8);
  } else if (count >= 4) {
    std::uint32_t head;
    std::uint32_t tail;
    std::memcpy(&head, from, 4);
    std::memcpy(&tail, from + count - 4, 4);
    std::memcpy(to, &head, 4);
    std::memcpy(to + count - 4, &tail, 4);
  } else if (count > 0) {
    to[0] = from[0];
    to[count / 2] = from[count / 2];
    to[count - 1] = from[count - 1];
  }
}

}  // namespace tarvo
