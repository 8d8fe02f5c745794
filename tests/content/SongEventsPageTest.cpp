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

// Events numbered by their tick time, so a row shows which event it is.
std::shared_ptr<const TKvsLoader> LoadEvents(std::size_t count) {
  std::vector<tt::EventRecord> events;
  for (std::size_t i = 0; i < count; ++i) events.emplace_back(0, 0x3000, static_cast<std::int32_t>(i), 0);
  return Load(tt::SongBuilder().Version(0x6105).Events(events).EndOfSong());
}

std::vector<std::string> Names(const Page& page) {
  std::vector<std::string> names;
  for (const auto& control : page.controls) names.push_back(control.name);
  return names;
}

TEST(SongEventDataSets, SplitsTheEventsIntoSetsOf3000) {
  struct Case {
    std::size_t count;
    std::vector<std::string> items;
  };
  const std::vector<Case> cases = {
      {0, {}},
      {1, {"0-0"}},
      {10, {"0-9"}},
      {2999, {"0-2998"}},
      {3000, {"0-2999"}},
      {3001, {"0-2999", "3000-3000"}},
      {7000, {"0-2999", "3000-5999", "6000-6999"}},
      {9000, {"0-2999", "3000-5999", "6000-8999"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.count);
    const auto combo = tarvo::content::SongEventDataSets(c.count);
    EXPECT_EQ(combo.items, c.items);
    EXPECT_EQ(combo.selected, c.items.empty() ? -1 : 0);
  }
}

TEST(SongEventList, ShowsOneDataSetNumberedByEventIndex) {
  struct Case {
    std::size_t events;
    std::size_t start;
    std::size_t rows;
    std::string firstCaption;
  };
  const std::vector<Case> cases = {
      {0, 0, 0, ""},     {10, 0, 10, "0"},        {2999, 0, 2999, "0"},   {3000, 0, 3000, "0"},
      {3001, 3000, 1, "3000"}, {7000, 6000, 1000, "6000"}, {7000, 3000, 3000, "3000"},
      {10, 3000, 0, ""},  // a set past the events
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.events) + " events from " + std::to_string(c.start));
    const auto loader = LoadEvents(c.events);
    const Table list = tarvo::content::SongEventList(loader, c.start);
    ASSERT_EQ(list.RowCount(), c.rows);
    if (c.rows == 0) continue;
    const Cells first = list.Row(0);
    EXPECT_EQ(first[0], c.firstCaption);
    // The tick time is the event's number: the row shows the event it names.
    EXPECT_EQ(first[3].substr(0, first[3].find(' ')), c.firstCaption);
    const Cells last = list.Row(c.rows - 1);
    EXPECT_EQ(last[0], std::to_string(c.start + c.rows - 1));
  }
}

TEST(SongEventList, RowShowsEveryCellOfTheEvent) {
  const auto loader = Load(tt::SongBuilder()
                               .Version(0x6105)
                               .Module(tt::ModuleRecord(tt::moduletypes::Sampler, "Piano"))
                               .Module(tt::ModuleRecord(tt::moduletypes::FirstFX, "Delay"))
                               .Module(tt::ModuleRecord(tt::moduletypes::Sampler, "Bass"))
                               .Events({tt::EventRecord(2, 0x3000, 1920, 127, 0xDEADBEEF),
                                        tt::EventRecord(0xFFFF, 0xFFFF, -1, -1, 0),
                                        tt::EventRecord(3, 0x0005, 0, 0x7FFFFFFF, 1)})
                               .EndOfSong());
  const Table list = tarvo::content::SongEventList(loader, 0);
  ASSERT_EQ(list.RowCount(), 3u);
  EXPECT_EQ(list.Row(0), (Cells{"0", "Bass (2)", "NOTE_ON (0x3000)", "1920 (0x780)", "0x0000007F", "0xDEADBEEF"}));
  // Module 0xFFFF is an unsigned index past the list, not "n/a".
  EXPECT_EQ(list.Row(1)[1], "<ERROR> (65535) (65535)");
  EXPECT_EQ(list.Row(1)[3], "-1 (0xFFFFFFFF)");
  EXPECT_EQ(list.Row(1)[4], "0xFFFFFFFF");
  EXPECT_EQ(list.Row(2)[1], "<ERROR> (3) (3)");
  EXPECT_EQ(list.Row(2)[2], "Param 5 (0x0005)");
  EXPECT_EQ(list.Row(2)[4], "0x7FFFFFFF");
  EXPECT_EQ(list.Row(2)[5], "0x00000001");
}

TEST(SongEventsPage, FillShowsSizeDataSetsAndTheFirstSet) {
  const auto loader = LoadEvents(3001);
  const Page page = tarvo::content::FillSongEventsPage(loader, false);
  EXPECT_EQ(Names(page), (std::vector<std::string>{"EdtEventDataSize", "CbxSongEventDataSet", "LstSongEvents"}));
  EXPECT_EQ(page.Text("EdtEventDataSize"), "48016 bytes");
  EXPECT_EQ(page.Choice("CbxSongEventDataSet").items, (std::vector<std::string>{"0-2999", "3000-3000"}));
  EXPECT_EQ(page.Choice("CbxSongEventDataSet").selected, 0);
  EXPECT_EQ(page.List("LstSongEvents").RowCount(), 3000u);
}

TEST(SongEventsPage, SkippingShowsOneRowAndLeavesTheDataSetsAlone) {
  const auto loader = LoadEvents(7);
  const Page page = tarvo::content::FillSongEventsPage(loader, true);
  EXPECT_EQ(Names(page), (std::vector<std::string>{"EdtEventDataSize", "LstSongEvents"}));
  EXPECT_EQ(page.Text("EdtEventDataSize"), "112 bytes");
  const Table& list = page.List("LstSongEvents");
  ASSERT_EQ(list.RowCount(), 1u);
  EXPECT_EQ(list.Row(0), (Cells{"0", "Skipped 7 events"}));
  EXPECT_EQ(list.Columns().size(), 6u);
}

}  // namespace
