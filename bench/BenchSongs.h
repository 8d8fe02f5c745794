#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "songbuilder/SongBuilder.h"

// The large synthetic songs the benchmarks load, built with the song-file
// builder. Each is the same on every run, so a file written once can be used
// by later runs.
namespace tarvo::bench {

enum class Scenario {
  BigData,      // 64 modules whose data are 16 MiB each: 1 GiB
  ManyEvents,   // 2,000,000 song events, 1,000,000 pattern events
  ManyModules,  // 100,000 modules with small data, 10,000 channels
};

struct ScenarioShape {
  // big-data
  int dataModules = 64;
  std::uint64_t moduleDataSize = std::uint64_t{16} << 20;
  // many-events
  std::uint32_t songEvents = 2'000'000;
  std::uint32_t patternEvents = 1'000'000;
  // many-modules
  std::uint32_t smallModules = 100'000;
  std::uint32_t channels = 10'000;
};

// many-events with a quarter of the events: kvsdump's memory is compared
// between the two sizes.
inline constexpr std::string_view QuarterSuffix = "-quarter";
// The shape of a variant: the default one for no suffix, a quarter of the
// events for QuarterSuffix.
ScenarioShape ShapeOf(std::string_view suffix);

std::string_view ScenarioName(Scenario scenario);
// Throws std::invalid_argument for an unknown name.
Scenario ScenarioFromName(std::string_view name);

// The song of a scenario in the given shape (only the scenario's own fields
// of the shape matter).
tarvo::testing::SongBuilder BuildScenario(Scenario scenario, const ScenarioShape& shape = {});

// A song of about `size` bytes (at least 100 KiB) for the census
// collection: module data, events and the fixed chunks, different for each
// index.
tarvo::testing::SongBuilder CollectionSong(std::uint32_t index, std::uint64_t size);

// Where a scenario's file lives: $TARVO_BENCH_DIR, else /tmp/tarvo-bench.
std::filesystem::path BenchDirectory();
std::filesystem::path ScenarioPath(Scenario scenario, std::string_view suffix = {});

// Writes the song to `path` unless a file of exactly its size is there
// already; returns the song's size.
std::uint64_t EnsureSongFile(const tarvo::testing::SongBuilder& song, const std::filesystem::path& path);

// The bytes the big-data generator writes for module `module` at data
// offset `offset`: pseudo-random bytes without the marker's first byte,
// except for a few false starts of the end marker.
void BigModuleData(std::uint32_t module, std::uint64_t dataSize, std::uint64_t offset, std::uint8_t* out,
                   std::size_t n);

}  // namespace tarvo::bench
