#include <gtest/gtest.h>

#include <cstdint>

#include "content/map/KindColumns.h"
#include "songbuilder/SongBuilder.h"
#include "tests/content/LoadSong.h"

namespace {

using namespace tarvo;

// The strip's columns hold every byte once, of the kind the map gives it.
TEST(KindColumns, AddUpToTheMapsCoverageAndPutEachByteInItsColumn) {
  tarvo::testing::SongBuilder song = tarvo::testing::EveryChunkSong();
  song.Raw("after the end");
  const auto loaded = tarvo::testing::Load(song);
  for (const std::size_t columns : {std::size_t{1}, std::size_t{7}, std::size_t{4096}}) {
    const content::MapAndColumns made = content::MapWithColumns(*loaded, columns);
    content::KindBytes sum{};
    for (const content::KindBytes& column : made.columns.Columns())
      for (std::size_t k = 0; k < RegionKindCount; ++k) sum[k] += column[k];
    EXPECT_EQ(sum, made.map.coverage().bytes) << columns;
    // The last bytes are unread, and the last column says so.
    const content::KindBytes tail = made.columns.Between(song.Size() - 1, song.Size());
    EXPECT_GT(tail[static_cast<std::size_t>(TKvsRegionKind::Unread)], 0u) << columns;
  }
}

}  // namespace
