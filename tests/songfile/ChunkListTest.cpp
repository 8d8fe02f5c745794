#include "songfile/KvsChunk.h"

#include <cstdint>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

namespace tarvo {
namespace {

// Entries are packed into 16 bytes; what comes back out must be what went
// in, also at the edges of each field.
TEST(ChunkListTest, ChunksComeBackAsAdded) {
  static const std::uint8_t file[64] = {};
  TKvsChunkList list(file);
  list.Add(0x58545241, 8, 0);
  list.Add(0, 40, 24);
  // An unknown chunk whose size field reads negative holds 2^31 bytes and
  // more (as unsigned); DataSize keeps the field as read.
  list.Add(7, 16, 0x80000010u);
  // A module's data of more than 4 GiB: DataSize is its low 32 bits, the
  // bytes held are all of it.
  list.Add(0, (std::int64_t{1} << 40) + 3, (std::uint64_t{5} << 32) + 9);

  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0].ChunkId, 0x58545241);
  EXPECT_EQ(list[0].Offset, 8);
  EXPECT_EQ(list[0].DataSize, 0);
  EXPECT_EQ(list[0].Data.data(), file + 8);
  EXPECT_EQ(list[0].Data.Size(), 0);

  EXPECT_EQ(list[1].DataSize, 24);
  EXPECT_EQ(list[1].Data.data(), file + 40);
  EXPECT_EQ(list[1].Data.Size(), 24);

  EXPECT_EQ(list[2].DataSize, static_cast<std::int32_t>(0x80000010u));
  EXPECT_EQ(list[2].Data.Size(), 0x80000010ll);

  const TKvsChunk big = list.back();
  EXPECT_EQ(big.Offset, (std::int64_t{1} << 40) + 3);
  EXPECT_EQ(big.DataSize, 9);
  EXPECT_EQ(big.Data.Size(), (std::int64_t{5} << 32) + 9);

  std::vector<std::int64_t> offsets;
  for (const TKvsChunk& chunk : list) offsets.push_back(chunk.Offset);
  EXPECT_EQ(offsets, (std::vector<std::int64_t>{8, 40, 16, (std::int64_t{1} << 40) + 3}));
  EXPECT_THROW(list.at(4), std::out_of_range);
}

}  // namespace
}  // namespace tarvo
