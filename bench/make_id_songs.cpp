// tarvo_id_songs DIRECTORY N...: writes for each N a song of N empty chunks,
// each of an id of its own (none the loader knows), as ids-N.kvs into
// DIRECTORY, and prints their paths. The census and its merge keep one
// entry per distinct id: scripts/bench-json times them on these.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

#include "songbuilder/SongBuilder.h"

int main(int argc, char** argv) {
  using namespace tarvo::testing;
  if (argc < 3) {
    std::fprintf(stderr, "Usage: tarvo_id_songs DIRECTORY N...\n");
    return 64;
  }
  try {
    const std::filesystem::path directory = argv[1];
    std::filesystem::create_directories(directory);
    for (int arg = 2; arg < argc; ++arg) {
      const std::uint32_t count = static_cast<std::uint32_t>(std::stoul(argv[arg]));
      SongBuilder song;
      song.Version(0x6105);
      // Above every chunk id and module type the loader knows.
      for (std::uint32_t i = 0; i < count; ++i) song.Header(0x80000000U + i, 0);
      song.EndOfSong();
      const auto path = directory / ("ids-" + std::to_string(count) + ".kvs");
      song.WriteToFile(path);
      std::printf("%s\n", path.c_str());
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tarvo_id_songs: %s\n", error.what());
    return 1;
  }
  return 0;
}
