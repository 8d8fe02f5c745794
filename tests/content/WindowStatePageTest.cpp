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

TEST(WindowStatePage, OneRowPerWindowRecord) {
  const auto loader = Load(tt::SongBuilder()
                               .Version(0x6105)
                               .Windows({tt::WindowRecord(0, 0, 800, 600, 0x01000001),
                                         tt::WindowRecord(-10, 32000, 2147483647, -2147483647 - 1, 0xFFFFFFFF),
                                         tt::WindowRecord(1, 2, 3, 4, 0x00010000)},
                                        {}, 1000)
                               .EndOfSong());
  const tarvo::content::Page page = tarvo::content::FillWindowStatePage(loader);
  EXPECT_EQ(page.Text("EdtWindowDataSize"), "1000 bytes");
  EXPECT_EQ(page.Text("EdtWindowCount"), "3");
  const tarvo::content::Table& table = page.List("LstWindowPosInfo");
  Rows rows;
  for (std::size_t row = 0; row < table.RowCount(); ++row) rows.push_back(table.Row(row));
  EXPECT_EQ(rows, (Rows{
                      {"0", "0 (0x0)", "0 (0x0)", "800 (0x320)", "600 (0x258)", "INFO_VALID, FULLRECT"},
                      {"1", "-10 (0xFFFFFFF6)", "32000 (0x7D00)", "2147483647 (0x7FFFFFFF)",
                       "-2147483648 (0x80000000)", "INFO_VALID, MINIMIZED, RESERVED, FULLRECT"},
                      {"2", "1 (0x1)", "2 (0x2)", "3 (0x3)", "4 (0x4)", "RESERVED"},
                  }));
}

}  // namespace
