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

TEST(ChannelsPage, ShowsModuleReferencesFlagsAndStereo) {
  const auto loader =
      Load(tt::SongBuilder()
               .Version(0x6105)
               .Channels({tt::ChannelEntry("Master")
                              .OwnerModule(-1)
                              .Insert1(0)
                              .Insert2(-1)
                              .Insert3(1)
                              .Insert4(65535)
                              .Flags(0)
                              .Stereo(1),
                          tt::ChannelEntry("Drums").OwnerModule(0).Insert1(-7).Flags(0x160).Stereo(0),
                          tt::ChannelEntry(std::string(24, 'N')).OwnerModule(1).Flags(0xFFFFFF9Fu).Stereo(-5)})
               .ReturnChannels({tt::ChannelEntry("Reverb Return").Flags(0x40)})
               .Module(tt::ModuleRecord(0x1000, "Piano").Track("Piano"))
               .EndOfSong());
  const tarvo::content::Page page = tarvo::content::FillChannelsPage(loader);
  EXPECT_EQ(page.Text("EdtChannelCount"), "3");
  EXPECT_EQ(page.Text("EdtReturnChannelCount"), "1");

  const tarvo::content::Table& table = page.List("LstChannels");
  Rows rows;
  for (std::size_t row = 0; row < table.RowCount(); ++row) rows.push_back(table.Row(row));
  const std::string zero = "Piano (0)";
  EXPECT_EQ(rows, (Rows{
                      {"0", "n/a (-1)", "Master", "Piano (0)", "n/a (-1)", "<ERROR> (1) (1)",
                       "<ERROR> (65535) (65535)", " (0x00000000)", "Yes"},
                      {"1", "Piano (0)", "Drums", "n/a (-7)", zero, zero, zero, "SEND_LINK, EQS_POSTFX (0x00000160)",
                       "No"},
                      {"2", "<ERROR> (1) (1)", std::string(24, 'N'), zero, zero, zero, zero, " (0xFFFFFF9F)", "Yes"},
                      {"3", zero, "Reverb Return", zero, zero, zero, zero, "EQS_POSTFX (0x00000040)", "No"},
                  }));
}

}  // namespace
