#include "songbuilder/HostileSongs.h"
#include "songbuilder/SongBuilder.h"
#include "tools/kvsdump/Values.h"
#include "tools/kvsdump/ValueSong.h"
#include "tools/kvsdump/ValuesJson.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace tarvo::kvsdump {
namespace {

using namespace tarvo::testing;

// The value census of one song as --values --json prints it, with how its
// load ended.
std::string CensusOf(const std::string& file, KindSet kinds, std::size_t budget, bool byRegion) {
  ValueCensus census(kinds, ValuesBudget);
  SongValues song = StudySongValues(file, kinds, budget, byRegion);
  const std::string error = song.errorUtf8;
  AddSongValues(census, std::move(song));
  std::ostringstream out;
  WriteValuesJson(out, census);
  return out.str() + error;
}

// Events whose fields take few values, more than 256, and more than 256 only
// from the 1000th record on (a place that overflows inside a run).
std::vector<EventRecord> Events(std::int32_t count, std::int32_t seed) {
  std::vector<EventRecord> events;
  for (std::int32_t i = 0; i < count; ++i) {
    const auto n = static_cast<std::uint32_t>(i + seed);
    events.emplace_back(static_cast<std::uint16_t>(n % 5), static_cast<std::uint16_t>(0x3000 + n % 300),
                        i * 24, static_cast<std::int32_t>(i < 1000 ? n % 7 : n * 2654435761U),
                        i % 3 == 0 ? 0U : n * 7919U);
  }
  return events;
}

// Records taken a run at a time count as region by region, with
// settings, channels, modules with tracks, an unknown chunk, repeated
// event chunks and a last event cut short; under budgets small enough
// that places are dropped on the way.
TEST(ValueRuns, CountAsRegionByRegion) {
  GlobChunk glob;
  glob.Tempo(133.0F).Ppq(96).RootKey(2).Signature(4);
  SongBuilder song;
  song.Version(0x6105)
      .Objects(2)
      .Glob(glob)
      .Channels({ChannelEntry("one").Stereo(1), ChannelEntry("two").OwnerModule(1), ChannelEntry("three")})
      .Module(ModuleRecord(moduletypes::Sampler, "synth").Track("a").Track("b").Track("c"))
      .Module(ModuleRecord(moduletypes::VSTFX, "fx"))
      .Events(Events(3000, 0))
      .Chunk(0x7A7A7A7A, std::string_view("unknown payload"))
      .Events(Events(400, 11))
      .Patterns(Events(2000, 5));
  const Bytes bytes = song.Build();
  const TempSongFile whole(bytes);
  const TempSongFile cut(Bytes(bytes.begin(), bytes.end() - 5));

  const KindSet all = 0x3F;
  for (const std::string* file : {&whole.Path(), &cut.Path()}) {
    for (const KindSet kinds : {DefaultValueKinds, all, KindBit(TKvsRegionKind::Field)}) {
      for (const std::size_t budget : {SongBudget, std::size_t{150'000}, std::size_t{40'000}}) {
        const std::string byRegion = CensusOf(*file, kinds, budget, true);
        EXPECT_EQ(CensusOf(*file, kinds, budget, false), byRegion)
            << *file << " kinds " << int{kinds} << " budget " << budget;
        // The smallest budget drops places; the whole one none.
        EXPECT_EQ(byRegion.find("\"other_places\": 0}") != std::string::npos, budget == SongBudget) << byRegion;
      }
    }
  }
}

// What adding a song's counts says a place grew by is what its memory
// reckoning says after, less before: the collection's budget adds these
// up, so a wrong one would drop or keep places it should not. Songs of the
// same places, whose values grow, and pass 256 with the third.
TEST(ValueRuns, AddingReckonsTheGrowthAsCostDoes) {
  const auto study = [](std::int32_t seed, const char* channel) {
    SongBuilder song;
    song.Version(0x6105)
        .Channels({ChannelEntry(channel), ChannelEntry("two")})
        .Module(ModuleRecord(moduletypes::Sampler, channel).Track(channel))
        .Events(Events(120, seed));
    const TempSongFile file(song.Build());
    return StudySongValues(file.Path(), 0x3F, SongBudget);
  };
  const SongValues songs[] = {study(0, "one"), study(60, "eins"), study(200, "uno")};
  const std::vector<SongPlaces::Place>& places = songs[0].places.Places();
  ASSERT_GT(places.size(), 10U);
  std::size_t grew = 0;
  for (std::size_t i = 0; i < places.size(); ++i) {
    PlaceCounts place = songs[0].places.ToCounts(places[i]);
    for (const SongValues& song : {std::cref(songs[1]), std::cref(songs[2]), std::cref(songs[0])}) {
      const SongPlaces::Place& other = song.places.Places().at(i);
      ASSERT_EQ(song.places.Name(other), place.name);
      const std::size_t before = place.Cost();
      const std::ptrdiff_t grown = place.MergeFrom(SongPlaces::Source(song.places, other));
      EXPECT_EQ(static_cast<std::ptrdiff_t>(place.Cost()) - static_cast<std::ptrdiff_t>(before), grown) << place.name;
      grew += grown != 0 ? 1 : 0;
    }
    EXPECT_EQ(place.files, 4U);
  }
  EXPECT_GE(grew, 5U);
}

// Without its model the load reports, rejects and raises as with it: the
// broken songs of every shape and extreme field.
TEST(ValueRuns, BrokenSongsEndAsWithTheModel) {
  for (const HostileSong& hostile : HostileSongs()) {
    const TempSongFile file(hostile.bytes);
    EXPECT_EQ(CensusOf(file.Path(), 0x3F, SongBudget, false), CensusOf(file.Path(), 0x3F, SongBudget, true))
        << hostile.name;
  }
}

}  // namespace
}  // namespace tarvo::kvsdump
