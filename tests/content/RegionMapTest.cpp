#include "content/map/RegionMap.h"

#include "content/map/KindColumns.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "checks/MapInvariants.h"
#include "songbuilder/SongBuilder.h"
#include "songfile/KvsError.h"

namespace tarvo::testing {
namespace {

using content::RegionMap;
using content::RegionMapBuilder;

// A load with the map built alongside, and the chunk ids the log traced.
struct Mapped {
  std::unique_ptr<TKvsLoader> loader;
  std::unique_ptr<RegionMap> map;
  std::vector<std::uint32_t> traced;
  std::string Check() const { return CheckRegionMap(*loader, *map, traced); }
};

Mapped MapOf(const Bytes& bytes) {
  Mapped mapped;
  mapped.loader = std::make_unique<TKvsLoader>([&mapped](std::string_view message) {
    if (std::uint32_t id = 0; TracedChunkId(message, id)) mapped.traced.push_back(id);
  });
  RegionMapBuilder builder;
  mapped.loader->SetRegionSink(&builder);
  std::string errorText;
  try {
    mapped.loader->LoadFromMemory(bytes.data(), bytes.size(), errorText);
  } catch (const KvsError&) {
  }
  mapped.map = std::make_unique<RegionMap>(builder.Finish(*mapped.loader));
  return mapped;
}

TKvsRegionKind KindOf(WrittenAs as) {
  switch (as) {
    case WrittenAs::Header: return TKvsRegionKind::Header;
    case WrittenAs::Field: return TKvsRegionKind::Field;
    case WrittenAs::Reserved: return TKvsRegionKind::Reserved;
    case WrittenAs::Skipped: return TKvsRegionKind::Skipped;
    case WrittenAs::Data: return TKvsRegionKind::Data;
  }
  return TKvsRegionKind::Unread;
}

// The builder's own record of where it wrote what, against the map the
// loader's reading gives: every chunk kind and every module kind.
TEST(RegionMap, FieldsLieWhereTheBuilderWroteThem) {
  const SongBuilder song = EveryChunkSong(true);
  const Mapped mapped = MapOf(song.Build());
  ASSERT_EQ(mapped.Check(), "");
  ASSERT_GT(song.FieldMarks().size(), 50u);
  for (const FieldMark& mark : song.FieldMarks()) {
    SCOPED_TRACE(mark.name);
    const std::optional<TKvsRegion> region = mapped.map->RegionAt(mark.offset);
    ASSERT_TRUE(region);
    EXPECT_EQ(region->offset, mark.offset);
    EXPECT_EQ(region->size, mark.size);
    EXPECT_EQ(region->kind, KindOf(mark.as));
  }
}

TEST(RegionMap, PathsAndValuesFollowTheModel) {
  const Mapped mapped = MapOf(EveryChunkSong().Build());
  std::vector<std::string> lines;
  mapped.map->ForEachRegion([&lines](const TKvsRegion& region) {
    lines.push_back(region.path + (region.kind == TKvsRegionKind::Field ? " = " + region.value : ""));
  });
  for (const char* expected :
       {"VFhd", "VFhd/File Version = 6105", "GLOB/Settings/Tempo = 140.00", "GLOB/Settings/Tuning/2 = 200.00",
        "GLOB/SongInfo = Every chunk", "CHAN/1/ChannelName = Drums", "CHAN/1/Extra", "FXRN/2/ChannelName = Reverb Return",
        "AUIO/1/FileName = snare.wav", "Modules/0/Skip", "Modules/0/Tracks/0/Name = Piano", "Modules/2/PluginText = Orchestra",
        "Modules/2/Info/PinStereo/1 = 1", "Modules/4/Info/ClassId = {01234567-89AB-CDEF-0123-456789ABCDEF}",
        "Modules/4/Data", "Modules/4/EndMarker", "EVTS/1/Extra = 3735928559", "PATC/1/TickTime = 384",
        "VUUU/AssignModules/1 = 3", "WINP/1/Right = 640", "XTRA/Data"})
    EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end()) << expected;
}

// The window maps a song after its load, in a walk that keeps none of the
// song's objects: its regions are those of the load, record indices included.
TEST(RegionMap, AMapMadeAfterTheLoadIsTheLoadsMap) {
  // A second chunk of an event list numbers its records on from the first.
  SongBuilder twice;
  twice.Version(0x6105).Events({EventRecord(0, 0, 0, 1), EventRecord(0, 0, 1, 2)}).Patterns({EventRecord(0, 0, 0, 3)});
  twice.Events({EventRecord(1, 0, 0, 4)}).Patterns({EventRecord(1, 0, 0, 5)}).EndOfSong();
  const auto lines = [](const RegionMap& map) {
    std::vector<std::string> all;
    map.ForEachRegion([&all](const TKvsRegion& region) {
      all.push_back(std::to_string(region.offset) + " " + region.path + " = " + region.value);
    });
    return all;
  };
  for (const SongBuilder& song : {EveryChunkSong(), twice}) {
    const Mapped mapped = MapOf(song.Build());
    EXPECT_EQ(lines(content::MapWithColumns(*mapped.loader).map), lines(*mapped.map));
  }
}

// The search for a kind gives what a walk over every region finds: the
// first of the kind after an offset and the last before it.
TEST(RegionMap, NextAndPreviousOfAKindAreTheNearestOfAWalk) {
  std::vector<EventRecord> events;
  for (int i = 0; i < 5000; ++i) events.emplace_back(0, 0x1000, i * 10, i);
  SongBuilder many;
  many.Version(0x6105).Events(events).Chunk(FourCC("XTRA"), std::string_view("tail")).EndOfSong();
  Bytes cut = EveryChunkSong().Build();
  cut.resize(cut.size() - 30);
  for (const Bytes& bytes : {cut, many.Build()}) {
    const Mapped mapped = MapOf(bytes);
    std::vector<TKvsRegion> all;
    mapped.map->ForEachRegion([&all](const TKvsRegion& region) { all.push_back(region); });
    const std::uint64_t stride = bytes.size() / 300 + 1;
    for (std::size_t k = 0; k < RegionKindCount; ++k) {
      const auto kind = static_cast<TKvsRegionKind>(k);
      for (std::uint64_t offset = 0; offset <= bytes.size(); offset += stride) {
        std::string next = "none";
        std::string previous = "none";
        for (const TKvsRegion& region : all) {
          if (region.kind != kind) continue;
          if (region.offset < offset) previous = std::to_string(region.offset) + " " + region.path;
          if (region.offset > offset && next == "none") next = std::to_string(region.offset) + " " + region.path;
        }
        const auto text = [](const std::optional<TKvsRegion>& region) {
          return region ? std::to_string(region->offset) + " " + region->path : std::string("none");
        };
        ASSERT_EQ(text(mapped.map->NextOfKind(offset, kind)), next) << "kind " << k << " after " << offset;
        ASSERT_EQ(text(mapped.map->PreviousOfKind(offset, kind)), previous) << "kind " << k << " before " << offset;
      }
    }
  }
}

// Every prefix of a song of every chunk and module kind is a file cut
// short somewhere: the map holds its invariants on each.
TEST(RegionMap, InvariantsHoldOnEveryPrefix) {
  const Bytes bytes = EveryChunkSong().Build();
  for (std::size_t size = 0; size <= bytes.size(); ++size) {
    const Mapped mapped = MapOf(Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size)));
    ASSERT_EQ(mapped.Check(), "") << "prefix of " << size << " bytes";
  }
}

// Where a reading stops, the rest is one unread stretch.
TEST(RegionMap, WhereTheReadingStopsTheRestIsUnread) {
  struct Case {
    const char* name;
    SongBuilder song;
    std::uint64_t unreadFrom;
  };
  SongBuilder rejected;
  rejected.Version(0x6000).Objects(1).EndOfSong();
  SongBuilder raised;
  raised.Version(0x6105).Chunk(FourCC("XTRA"), std::string_view("abc"), 1000);
  SongBuilder ended;
  ended.Version(0x6105).EndOfSong().Raw("trailing bytes");
  SongBuilder noMarker;
  noMarker.Version(0x6105).Module(ModuleRecord(0x1101, "Lost").Data({1, 2, 3}).EndMarker(false));
  std::vector<Case> cases;
  cases.push_back({"rejected version", rejected, 12});
  cases.push_back({"raised error", raised, 12});  // the chunk whose payload is missing is no chunk
  cases.push_back({"after the end of the song", ended, 20});
  cases.push_back({"no end marker", noMarker, 12 + 8 + 8 + 72});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Mapped mapped = MapOf(c.song.Build());
    EXPECT_EQ(mapped.Check(), "");
    const TKvsRegion last = mapped.map->TopLevel(mapped.map->TopLevelCount() - 1);
    EXPECT_EQ(last.kind, TKvsRegionKind::Unread);
    EXPECT_EQ(last.offset, c.unreadFrom);
    EXPECT_EQ(mapped.map->coverage()[TKvsRegionKind::Unread], c.song.Size() - c.unreadFrom);
  }
}

// A track block whose tag is not the expected one is read back: its bytes
// are the module's data.
TEST(RegionMap, ATrackBlockReadBackIsData) {
  SongBuilder song;
  song.Version(0x6105).Module(ModuleRecord(0x1000, "Synth").Track("T").TrackBlockTag(9).Data({7}));
  const Mapped mapped = MapOf(song.Build());
  ASSERT_EQ(mapped.Check(), "");
  const std::optional<TKvsRegion> data = mapped.map->RegionAt(song.Mark(0x1000).dataOffset);
  ASSERT_TRUE(data);
  EXPECT_EQ(data->kind, TKvsRegionKind::Data);
  EXPECT_EQ(data->size, 8 + 64 + 1u);
}

TEST(RegionMap, LookupsAndPagesOfAChunk) {
  std::vector<EventRecord> events;
  for (int i = 0; i < 1000; ++i) events.emplace_back(1, 2, i, i);
  SongBuilder song;
  song.Version(0x6105).Events(events).Chunk(FourCC("XTRA"), std::string_view("x")).EndOfSong().Raw("zz");
  const Mapped mapped = MapOf(song.Build());
  const RegionMap& map = *mapped.map;
  ASSERT_EQ(map.TopLevelCount(), 5u);  // VFhd, EVTS, XTRA, end of song, unread
  const std::uint64_t events0 = song.Mark(FourCC("EVTS")).dataOffset;

  // Pages of an event chunk follow on where the previous page ended.
  const std::vector<TKvsRegion> first = map.Children(1, 0, 40);
  ASSERT_EQ(first.size(), 40u);
  EXPECT_EQ(first[0].path, "EVTS");
  const std::vector<TKvsRegion> next = map.Children(1, first.back().offset + first.back().size, 40);
  ASSERT_FALSE(next.empty());
  EXPECT_EQ(next[0].offset, first.back().offset + first.back().size);
  EXPECT_EQ(next[0].path, "EVTS/7/Extra");

  const std::optional<TKvsRegion> tick = map.RegionAt(events0 + 16 * 999 + 5);
  ASSERT_TRUE(tick);
  EXPECT_EQ(tick->path, "EVTS/999/TickTime");
  EXPECT_EQ(tick->value, "999");
  EXPECT_FALSE(map.RegionAt(song.Size()));

  const std::optional<TKvsRegion> data = map.NextOfKind(0, TKvsRegionKind::Data);
  ASSERT_TRUE(data);
  EXPECT_EQ(data->path, "XTRA/Data");
  const std::optional<TKvsRegion> header = map.PreviousOfKind(data->offset, TKvsRegionKind::Header);
  ASSERT_TRUE(header);
  EXPECT_EQ(header->path, "XTRA");
  EXPECT_EQ(map.NextOfKind(data->offset, TKvsRegionKind::Unread)->offset, song.Size() - 2);
  EXPECT_FALSE(map.NextOfKind(data->offset, TKvsRegionKind::Skipped));
  EXPECT_EQ(map.PreviousOfKind(events0, TKvsRegionKind::Field)->path, "VFhd/File Version");
}

TEST(RegionMap, TheCoverageLineGivesEachKindsShare) {
  content::Coverage coverage;
  coverage.bytes = {8, 4, 0, 0, 0, 988};
  EXPECT_EQ(content::CoverageLine(coverage),
            "coverage: 1000 bytes; header 0.8%, field 0.4%, reserved 0.0%, skipped 0.0%, data 0.0%, unread 98.8%");
  EXPECT_EQ(content::CoverageLine({}),
            "coverage: 0 bytes; header 0.0%, field 0.0%, reserved 0.0%, skipped 0.0%, data 0.0%, unread 0.0%");
}

}  // namespace
}  // namespace tarvo::testing
