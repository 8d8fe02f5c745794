#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "content/pages/MainContent.h"
#include "content/viewers/ViewerContent.h"
#include "songbuilder/SongBuilder.h"
#include "tests/content/LoadSong.h"

namespace tarvo::testing {
namespace {

// The window lets go of a song at the next load; the pages and viewers made
// from it keep it, and it goes with the last of them.
TEST(SongOwnership, ListsKeepTheirSongUntilTheLastOneGoes) {
  std::vector<content::Page> pages;
  std::weak_ptr<const TKvsLoader> watch;
  {
    const content::Song song = Load(EveryChunkSong());
    watch = song;
    pages = content::FillAllPages(song);
    pages.push_back(content::ShowModule(song, 0));
    pages.push_back(content::ShowChunk(song, song->Chunks().at(0)));
  }
  ASSERT_FALSE(watch.expired());
  std::size_t rows = 0;
  for (const content::Page& page : pages) {
    for (const content::Control& control : page.controls) {
      const auto* const table = std::get_if<content::Table>(&control.value);
      if (table == nullptr) continue;
      for (std::size_t row = 0; row < table->RowCount(); ++row) rows += table->Row(row).empty() ? 0 : 1;
    }
  }
  EXPECT_GT(rows, 0u);
  pages.clear();
  EXPECT_TRUE(watch.expired());
}

}  // namespace
}  // namespace tarvo::testing
