#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "content/pages/MainContent.h"
#include "songfile/KvsLoader.h"
#include "tests/content/LoadSong.h"
#include "songbuilder/SongBuilder.h"

namespace {

namespace tt = tarvo::testing;
using Rows = std::vector<std::vector<std::string>>;

Rows AllRows(const tarvo::content::Table& table) {
  Rows rows;
  for (std::size_t row = 0; row < table.RowCount(); ++row) rows.push_back(table.Row(row));
  return rows;
}

TEST(SendFxAssignPage, RowIShowsEntryI) {
  const auto loader = Load(
      tt::SongBuilder()
          .Version(0x6105)
          .Module(tt::ModuleRecord(0x1100, "Delay"))
          .SendFx(tt::SendFxRecord().AssignCount(3).AssignModule(0, -1).AssignModule(1, 0).AssignModule(2, 7), 99)
          .EndOfSong());
  const tarvo::content::Page page = tarvo::content::FillSendFxAssignPage(loader);
  EXPECT_EQ(page.Text("EdtFXAssignDataSize"), "99 bytes");
  EXPECT_EQ(AllRows(page.List("LstSendFXAssigns")),
            (Rows{{"0", "n/a (-1)"}, {"1", "Delay (0)"}, {"2", "<ERROR> (7) (7)"}}));
}

TEST(SendFxAssignPage, CountAboveTheRecordShowsItsEightEntries) {
  tt::SendFxRecord record;
  record.AssignCount(200);
  for (std::size_t i = 0; i < 8; ++i) record.AssignModule(i, static_cast<std::int16_t>(10 + i));
  const auto loader = Load(tt::SongBuilder().Version(0x6105).SendFx(record).EndOfSong());
  const tarvo::content::Page page = tarvo::content::FillSendFxAssignPage(loader);
  EXPECT_EQ(page.Text("EdtFXAssignDataSize"), "20 bytes");
  const Rows rows = AllRows(page.List("LstSendFXAssigns"));
  ASSERT_EQ(rows.size(), 8u);
  EXPECT_EQ(rows[7], (std::vector<std::string>{"7", "<ERROR> (17) (17)"}));
}

}  // namespace
