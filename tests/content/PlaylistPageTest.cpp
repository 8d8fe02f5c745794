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
using tarvo::content::Page;
using tarvo::content::Table;
using Cells = std::vector<std::string>;

TEST(PlaylistPage, DataCellNamesThePattern) {
  struct Case {
    std::int32_t data;
    std::string cell;
  };
  const std::vector<Case> cases = {
      {0, "A-1 (0)"}, {7, "H-1 (7)"}, {8, "A-2 (8)"}, {9, "B-2 (9)"}, {-1, "n/a (-1)"},
  };
  std::vector<tt::EventRecord> patterns;
  for (const Case& c : cases) patterns.emplace_back(0, 0x1234, 0, c.data);
  const auto loader = Load(tt::SongBuilder().Version(0x6105).Patterns(patterns).EndOfSong());
  const Table list = tarvo::content::FillPlaylistPage(loader).List("LstPatterns");
  ASSERT_EQ(list.RowCount(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].data);
    const Cells row = list.Row(i);
    EXPECT_EQ(row[0], std::to_string(i));
    EXPECT_EQ(row[4], cases[i].cell);
  }
}

TEST(PlaylistPage, RowMatchesTheSongEventRowApartFromData) {
  const tt::EventRecord event(1, 0x3001, 96, 9, 0x80);
  const auto loader = Load(tt::SongBuilder()
                               .Version(0x6105)
                               .Module(tt::ModuleRecord(tt::moduletypes::Sampler, "Piano"))
                               .Module(tt::ModuleRecord(tt::moduletypes::Sampler, "Bass"))
                               .Events({event})
                               .Patterns({event})
                               .EndOfSong());
  const Cells pattern = tarvo::content::FillPlaylistPage(loader).List("LstPatterns").Row(0);
  const Cells song = tarvo::content::SongEventList(loader, 0).Row(0);
  EXPECT_EQ(pattern, (Cells{"0", "Bass (1)", "NOTE_OFF (0x3001)", "96 (0x60)", "B-2 (9)", "0x00000080"}));
  EXPECT_EQ(song[4], "0x00000009");
  Cells songWithoutData = song;
  songWithoutData[4] = pattern[4];
  EXPECT_EQ(songWithoutData, pattern);
}

TEST(PlaylistPage, NoPatternsStillShowsTheDataSize) {
  const auto loader = Load(tt::SongBuilder().Version(0x6105).Patterns({}).EndOfSong());
  const Page page = tarvo::content::FillPlaylistPage(loader);
  EXPECT_EQ(page.Text("EdtPatternDataSize"), "0 bytes");
  EXPECT_EQ(page.List("LstPatterns").RowCount(), 0u);
}

}  // namespace
