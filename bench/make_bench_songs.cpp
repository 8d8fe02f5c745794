// tarvo_bench_songs [SCENARIO...]: writes the benchmark songs (without
// arguments all three, and many-events-quarter) into $TARVO_BENCH_DIR,
// default /tmp/tarvo-bench, and prints their paths. A file already there
// with the right size is kept.

#include <cstdio>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "bench/BenchSongs.h"

int main(int argc, char** argv) {
  using namespace tarvo::bench;
  try {
    struct Song {
      Scenario scenario;
      std::string_view suffix;
    };
    std::vector<Song> songs;
    for (int i = 1; i < argc; ++i) {
      const std::string_view name = argv[i];
      if (name.ends_with(QuarterSuffix))
        songs.push_back({ScenarioFromName(name.substr(0, name.size() - QuarterSuffix.size())), QuarterSuffix});
      else
        songs.push_back({ScenarioFromName(name), {}});
    }
    if (songs.empty())
      songs = {{Scenario::BigData, {}},
               {Scenario::ManyEvents, {}},
               {Scenario::ManyModules, {}},
               {Scenario::ManyEvents, QuarterSuffix}};
    for (const Song& song : songs) {
      const auto path = ScenarioPath(song.scenario, song.suffix);
      const auto size = EnsureSongFile(BuildScenario(song.scenario, ShapeOf(song.suffix)), path);
      std::printf("%s %llu\n", path.c_str(), static_cast<unsigned long long>(size));
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tarvo_bench_songs: %s\n", error.what());
    return 1;
  }
  return 0;
}
