#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "songfile/KvsLoader.h"
#include "songbuilder/SongBuilder.h"
#include "content/viewers/ViewerContent.h"

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
  const auto loaded = std::make_shared<TKvsLoader>();
  const TKvsLoader& loader = *loaded;
  std::string errorText;
  loaded->LoadFromMemory(bytes.data(), bytes.size(), errorText);
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
  const content::Page viewer = content::ShowModule(loaded, 17);
  const content::Table& list = viewer.List("LstChannels");
  const std::span<const std::size_t> owned = loader.ChannelsOwnedBy(17);
  ASSERT_EQ(list.RowCount(), owned.size());
  for (std::size_t row = 0; row < owned.size(); ++row) EXPECT_EQ(list.Row(row).at(0), std::to_string(owned[row]));
}

// Each event chunk reserved room for exactly its own events, so a song of
// many small event chunks copied the whole list once per chunk: time in the
// square of the file's size (a 16 MiB file of one-event chunks took
// minutes). The list now grows by at least half. A relapse shows as this
// test running into the suite's time limit.
TEST(Findings, ManySmallEventChunksKeepEveryEventInOrder) {
  constexpr std::int32_t Chunks = 300000;
  SongBuilder unit;
  unit.Events({EventRecord().TickTime(0)});
  const Bytes one = unit.Build();
  SongBuilder head;
  head.Version(0x6105);
  Bytes bytes = head.Build();
  bytes.reserve(bytes.size() + one.size() * Chunks);
  for (std::int32_t i = 0; i < Chunks; ++i) {
    bytes.insert(bytes.end(), one.begin(), one.end());
    // TickTime at record offset 4, after the 8-byte chunk header.
    const std::size_t tick = bytes.size() - 16 + 4;
    for (int b = 0; b < 4; ++b) bytes[tick + b] = static_cast<std::uint8_t>(i >> (8 * b));
  }
  TKvsLoader loader;
  std::string errorText;
  loader.LoadFromMemory(bytes.data(), bytes.size(), errorText);
  ASSERT_EQ(loader.SongEvents().size(), static_cast<std::size_t>(Chunks));
  for (std::int32_t i = 0; i < Chunks; i += 9973) EXPECT_EQ(loader.SongEvents()[static_cast<std::size_t>(i)].TickTime(), i);
  EXPECT_EQ(loader.SongEvents().back().TickTime(), Chunks - 1);
}

}  // namespace
}  // namespace tarvo::testing
