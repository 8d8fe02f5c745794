#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tarvo {

// Copies `count` bytes, at least one Word's worth and at most two, as the
// Word at each end (overlapping in the middle).
template <class Word>
inline void CopyEnds(char* to, const char* from, std::size_t count) {
  Word head;
  Word tail;
  std::memcpy(&head, from, sizeof head);
  std::memcpy(&tail, from + count - sizeof tail, sizeof tail);
  std::memcpy(to, &head, sizeof head);
  std::memcpy(to + count - sizeof tail, &tail, sizeof tail);
}

// Copies `count` bytes without a call to the library: the formatter and
// the JSON writer copy many pieces of a handful of bytes, for which a call
// (or the compiler's general inline copy) costs more than the copy.
inline void CopyShort(char* to, const char* from, std::size_t count) {
  if (count > 16) {
    std::memcpy(to, from, count);
  } else if (count >= 8) {
    CopyEnds<std::uint64_t>(to, from, count);
  } else if (count >= 4) {
    CopyEnds<std::uint32_t>(to, from, count);
  } else if (count > 0) {
    to[0] = from[0];
    to[count / 2] = from[count / 2];
    to[count - 1] = from[count - 1];
  }
}

}  // namespace tarvo
