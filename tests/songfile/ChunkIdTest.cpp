#include "songfile/ChunkId.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace tarvo {
namespace {

// An id from its four bytes in file order.
constexpr std::uint32_t IdOf(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
  return std::uint32_t{b0} | std::uint32_t{b1} << 8 | std::uint32_t{b2} << 16 |
         std::uint32_t{b3} << 24;
}

TEST(ChunkIdTest, ToText) {
  struct Case {
    std::uint32_t id;
    const char* expected;
  };
  const Case cases[] = {
      {IdOf('V', 'F', 'h', 'd'), "VFhd"},
      {IdOf('A', 'B', 'C', 'D'), "ABCD"},
      {0x41424344, "DCBA"},
      {IdOf(' ', ' ', ' ', ' '), "    "},
      {IdOf('a', 'b', 'c', 127), "abc\x7F"},
      {IdOf('a', 'b', 'c', 128), "????"},
      {IdOf('a', 'b', 'c', 31), "????"},
      {IdOf(0, 'b', 'c', 'd'), "????"},
      {0xFFFFFFFF, "????"},
      {0, "????"},
      {chunkids::FirstModule, "????"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChunkIdToText(c.id), c.expected) << std::hex << c.id;
  }
}

TEST(ChunkIdTest, KnownIdsSpellTheirNames) {
  struct Case {
    std::uint32_t id;
    const char* name;
  };
  const Case cases[] = {
      {chunkids::VFhd, "VFhd"}, {chunkids::OBJS, "OBJS"}, {chunkids::EVTS, "EVTS"},
      {chunkids::PATC, "PATC"}, {chunkids::VUUU, "VUUU"}, {chunkids::WINP, "WINP"},
      {chunkids::GLOB, "GLOB"}, {chunkids::CHAN, "CHAN"}, {chunkids::FXRN, "FXRN"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChunkIdToText(c.id), c.name);
  }
}

}  // namespace
}  // namespace tarvo
