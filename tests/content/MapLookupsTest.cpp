#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "content/map/KindColumns.h"
#include "content/map/RegionMap.h"
#include "songbuilder/SongBuilder.h"
#include "tests/content/LoadSong.h"

namespace tarvo::testing {
namespace {

using content::RegionMap;

// The kind of every byte, from a walk over every region.
std::vector<TKvsRegionKind> ByteKinds(const RegionMap& map) {
  std::vector<TKvsRegionKind> kinds;
  map.ForEachRegion([&kinds](const TKvsRegion& region) { kinds.insert(kinds.end(), region.size, region.kind); });
  return kinds;
}

// Each column of the strip holds the kinds of exactly the bytes it covers,
// on every prefix of a song (records cut anywhere, or ending whole), with
// columns narrower and wider than a record.
TEST(MapColumns, EachColumnCountsExactlyTheBytesItCovers) {
  std::vector<EventRecord> events;
  for (int i = 0; i < 40; ++i) events.emplace_back(1, 2, i, i);
  SongBuilder song = EveryChunkSong();
  const Bytes every = song.Build();
  SongBuilder runs;
  runs.Version(0x6105).Events(events).Patterns(events).EndOfSong();
  for (const Bytes& bytes : {every, runs.Build()}) {
    for (std::size_t size = 0; size <= bytes.size(); size += bytes.size() > 1000 ? 7 : 1) {
      const Bytes prefix(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
      TKvsLoader loader;
      std::string errorText;
      loader.LoadFromMemory(prefix.data(), prefix.size(), errorText);
      const std::vector<TKvsRegionKind> kinds = ByteKinds(RegionMap::Of(loader));
      ASSERT_EQ(kinds.size(), size);
      for (const std::size_t columns : {std::size_t{4096}, std::size_t{97}, std::size_t{5}}) {
        const content::MapAndColumns made = content::MapWithColumns(loader, columns);
        const std::uint64_t width = size == 0 ? 1 : (size + made.columns.Columns().size() - 1) / made.columns.Columns().size();
        std::vector<content::KindBytes> expected(made.columns.Columns().size());
        for (std::size_t at = 0; at < size; ++at) ++expected[at / width][static_cast<std::size_t>(kinds[at])];
        ASSERT_EQ(made.columns.Columns(), expected) << size << " bytes in " << columns << " columns";
      }
    }
  }
}

// A stretch of the strip narrower than one byte shows that byte's kind.
TEST(MapColumns, AStretchNarrowerThanAByteShowsIt) {
  const auto loaded = Load(MinimalSong());
  const content::MapAndColumns made = content::MapWithColumns(*loaded);
  EXPECT_EQ(made.columns.Between(0, 0)[static_cast<std::size_t>(TKvsRegionKind::Header)], 1u);
  EXPECT_EQ(made.columns.Between(9, 9)[static_cast<std::size_t>(TKvsRegionKind::Field)], 1u);
}

// A module's data is searched for its end marker once, in the map's walk:
// reading its chunk again trusts what that walk found. (The marker is wiped
// from the loaded bytes after the walk: a search would no longer find it.)
TEST(MapLookups, AModulesEndIsFoundOnceAndKept) {
  SongBuilder song;
  song.Version(0x6105).Module(ModuleRecord(0x1101, "Delay").Data(Bytes(5000, 'Z'))).EndOfSong();
  const auto loaded = Load(song);
  const RegionMap map = RegionMap::Of(*loaded);
  const ChunkMark& module = song.Mark(0x1101);
  const std::uint64_t marker = module.dataOffset + module.dataSize;
  std::memset(const_cast<std::uint8_t*>(loaded->StreamData()) + marker, 0, 24);
  const std::optional<TKvsRegion> end = map.RegionAt(marker + 3);
  ASSERT_TRUE(end);
  EXPECT_EQ(end->path, "Modules/0/EndMarker");
  const std::optional<TKvsRegion> data = map.PreviousOfKind(marker, TKvsRegionKind::Data);
  ASSERT_TRUE(data);
  EXPECT_EQ(data->offset, module.dataOffset);
  EXPECT_EQ(data->size, 5000u);
  EXPECT_EQ(map.NextOfKind(module.offset, TKvsRegionKind::Header)->path, "Modules/0/EndMarker");
  // A map made after the load takes each module's end from the load's model.
  EXPECT_EQ(RegionMap::Of(*loaded).RegionAt(marker)->path, "Modules/0/EndMarker");
}

// Chunks of many ids: each label counted on its own, ids without four
// characters named by their number as the log names them, and Next and
// Previous of a kind across thousands of chunks that do not hold it.
TEST(MapLookups, LabelsOfManyChunksAndKindsFarApart) {
  SongBuilder song;
  song.Version(0x6105);
  for (int i = 0; i < 3000; ++i) song.Objects(i);
  song.Chunk(FourCC("XTRA"), std::string_view("a")).Chunk(0x1F414141, std::string_view("b"));
  for (int i = 0; i < 200; ++i) song.Objects(i);
  song.Chunk(FourCC("XTRA"), std::string_view("c")).EndOfSong();
  const auto loaded = Load(song);
  const RegionMap map = RegionMap::Of(*loaded);
  const std::size_t count = map.TopLevelCount();
  ASSERT_EQ(count, 1 + 3000 + 2 + 200 + 1 + 1u);
  EXPECT_EQ(map.TopLevel(1).path, "OBJS");
  EXPECT_EQ(map.TopLevel(3000).path, "OBJS#3000");
  EXPECT_EQ(map.TopLevel(3002).path, "1F414141");
  EXPECT_EQ(map.TopLevel(count - 2).path, "XTRA#2");
  EXPECT_EQ(map.TopLevel(count - 1).path, "FFFFFFFF");
  const std::optional<TKvsRegion> first = map.NextOfKind(0, TKvsRegionKind::Data);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->path, "XTRA/Data");
  EXPECT_EQ(map.NextOfKind(first->offset, TKvsRegionKind::Data)->path, "1F414141/Data");
  EXPECT_EQ(map.PreviousOfKind(song.Size(), TKvsRegionKind::Data)->path, "XTRA#2/Data");
  EXPECT_EQ(map.PreviousOfKind(first->offset, TKvsRegionKind::Data), std::nullopt);
  EXPECT_EQ(map.PreviousOfKind(first->offset, TKvsRegionKind::Field)->path, "OBJS#3000/Number of Modules");
  EXPECT_EQ(map.NextOfKind(0, TKvsRegionKind::Skipped), std::nullopt);
}

// A log line's offset opens its chunk at the header, also where the line
// gives the read position after the payload (events, windows, unknown).
TEST(MapLookups, ALogLinesChunkIsFoundAtItsHeader) {
  const SongBuilder song = EveryChunkSong();
  const Bytes bytes = song.Build();
  std::vector<std::string> log;
  TKvsLoader loader([&log](std::string_view message) { log.emplace_back(message); });
  std::string errorText;
  loader.LoadFromMemory(bytes.data(), bytes.size(), errorText);
  const RegionMap map = RegionMap::Of(loader);
  std::size_t chunk = 0;
  for (const std::string& line : log) {
    if (line.find(" Chunk id: ") != 8) continue;
    const std::uint64_t offset = std::stoull(line.substr(0, 8), nullptr, 16);
    const auto id = static_cast<std::uint32_t>(std::stoul(line.substr(19, 8), nullptr, 16));
    ASSERT_LT(chunk, song.Marks().size());
    const std::optional<TKvsRegion> found = map.ChunkOfLogLine(offset, id);
    ASSERT_TRUE(found) << line;
    EXPECT_EQ(found->offset, song.Marks()[chunk].offset) << line;
    EXPECT_FALSE(map.ChunkOfLogLine(offset, id ^ 1)) << line;
    ++chunk;
  }
  EXPECT_EQ(chunk, song.Marks().size());
}

// A sink that has what it wants ends the reading: no region after it.
TEST(MapLookups, ASinkThatIsDoneEndsTheReading) {
  struct FirstThree : TKvsRegionSink {
    void Chunk(const TKvsChunkNote&) override {}
    void Region(const TKvsRegionNote&) override { ++regions; }
    bool Done() const override { return regions >= 3; }
    int regions = 0;
  };
  std::vector<EventRecord> events(1000, EventRecord(1, 2, 3, 4));
  SongBuilder song;
  song.Version(0x6105).Events(events).Module(ModuleRecord(0x1101, "Delay").Data({1, 2})).EndOfSong();
  const auto loaded = Load(song);
  FirstThree whole;
  TKvsLoader::ReportRegions(*loaded, whole);
  EXPECT_EQ(whole.regions, 3);
  FirstThree events3;
  TKvsLoader::ReportChunkRegions(*loaded, song.Mark(FourCC("EVTS")).offset, events3);
  EXPECT_EQ(events3.regions, 3);
}

TEST(MapLookups, PercentagesRoundHalfUp) {
  EXPECT_EQ(content::PercentText(3, 2000), "0.2%");
  EXPECT_EQ(content::PercentText(1, 2000), "0.1%");
  EXPECT_EQ(content::PercentText(2, 3), "66.7%");
}

}  // namespace
}  // namespace tarvo::testing
