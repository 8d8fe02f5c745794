#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "songfile/KvsLoader.h"
#include "tests/support/SongBuilder.h"
#include "windows/content/ViewerContent.h"

namespace tarvo::testing {
namespace {

// The module viewer of every module used to scan every channel, so that
// kvsdump --json on a song of many modules and many channels took time in
// the product of the two. The channels a module owns now come from an
// index; it must give exactly what the scan gave.
TEST(Findings, ChannelsOwnedByGiveWhatAScanGives) {
  SongBuilder song;
  song.Version(0x6105);
  for (int i = 0; i < 40; ++i) song.Module(ModuleRecord(moduletypes::FirstFX, "fx"));
  std::vector<ChannelEntry> channels;
  for (int i = 0; i < 400; ++i) {
    const auto owner = static_cast<std::int16_t>((i * 7919) % 50 - 5);
    channels.push_back(ChannelEntry("C").OwnerModule(owner));
    if (i % 13 == 0) channels.push_back(ChannelEntry::BadTag(1));  // owner 0
  }
  channels.push_back(ChannelEntry("min").OwnerModule(INT16_MIN));
  channels.push_back(ChannelEntry("max").OwnerModule(INT16_MAX));
  song.Channels(channels).EndOfSong();
  const Bytes bytes = song.Build();
  TKvsLoader loader;
  std::string errorText;
  loader.LoadFromMemory(bytes.data(), bytes.size(), errorText);
  ASSERT_EQ(loader.Channels().size(), channels.size());

  for (const std::int32_t moduleIndex : {-6, -5, -1, 0, 1, 17, 39, 44, 45, INT16_MIN, INT16_MAX, INT16_MAX + 1,
                                         INT16_MIN - 1, 0x10000, INT32_MIN, INT32_MAX}) {
    SCOPED_TRACE(moduleIndex);
    std::vector<std::size_t> scanned;
    for (std::size_t i = 0; i < loader.Channels().size(); ++i)
      if (static_cast<std::int32_t>(loader.Channels()[i].OwnerModule()) == moduleIndex) scanned.push_back(i);
    const std::span<const std::size_t> indexed = loader.ChannelsOwnedBy(moduleIndex);
    EXPECT_EQ(std::vector<std::size_t>(indexed.begin(), indexed.end()), scanned);
  }
  // The module viewer lists them in that order.
  const content::Page viewer = content::ShowModule(loader, *loader.Modules()[17]);
  const content::Table& list = viewer.List("LstChannels");
  const std::span<const std::size_t> owned = loader.ChannelsOwnedBy(17);
  ASSERT_EQ(list.RowCount(), owned.size());
  for (std::size_t row = 0; row < owned.size(); ++row) EXPECT_EQ(list.Row(row).at(0), std::to_string(owned[row]));
}

}  // namespace
}  // namespace tarvo::testing
