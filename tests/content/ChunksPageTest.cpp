#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "content/pages/MainContent.h"
#include "songfile/KvsLoader.h"
#include "tests/content/LoadSong.h"
#include "songbuilder/SongBuilder.h"

namespace {

namespace tt = tarvo::testing;
using tarvo::TKvsLoader;
using tarvo::content::Table;
using Cells = std::vector<std::string>;

TEST(ChunksPage, ListsEveryKeptChunk) {
  const tt::SongBuilder song = tt::SongBuilder()
                                   .Version(0x6105)
                                   .Module(tt::ModuleRecord(tt::moduletypes::Sampler, "Piano").Data({1, 2, 3}))
                                   .Chunk(tt::FourCC("ABCD"), std::string(1234, 'x'))
                                   .Chunk(0x00000041, std::string("z"))  // an id that is no text
                                   .EndOfSong();
  const auto loader = Load(song);
  const Table list = tarvo::content::FillChunksPage(loader).List("LstChunks");
  ASSERT_EQ(list.RowCount(), 3u);

  // Offsets are where the kept bytes begin in the file.
  const auto offsetText = [](std::uint64_t offset) {
    char text[64];
    std::snprintf(text, sizeof text, "0x%08llX (%llu)", static_cast<unsigned long long>(offset),
                  static_cast<unsigned long long>(offset));
    return std::string(text);
  };
  const auto& marks = song.Marks();
  EXPECT_EQ(list.Row(0), (Cells{"0", offsetText(marks[1].dataOffset), "0x0000 (???\?)", "0x00000003 (3)"}));
  EXPECT_EQ(list.Row(1), (Cells{"1", offsetText(marks[2].dataOffset), "0x44434241 (ABCD)", "0x000004D2 (1234)"}));
  EXPECT_EQ(list.Row(2)[2], "0x0041 (???\?)");
}

TEST(ChunksPage, HighIdsShowAsUnsigned) {
  // Above the module ids: kept as an unknown chunk, its id negative as int32.
  const auto loader = Load(tt::SongBuilder().Version(0x6105).Chunk(0xFFFFFFFEu, std::string("ab")).EndOfSong());
  const Table list = tarvo::content::FillChunksPage(loader).List("LstChunks");
  ASSERT_EQ(list.RowCount(), 1u);
  EXPECT_EQ(list.Row(0)[2], "0xFFFFFFFE (???\?)");
}

}  // namespace
