// tarvo_census_songs [COUNT]: writes the census collection, COUNT songs
// (default 400) of 0.1 to 4 MiB, into $TARVO_BENCH_DIR/census (default
// /tmp/tarvo-bench/census), twenty to a folder, sizes mixed across folders,
// and prints the folder and the largest file's size. Files already there
// with the right size are kept.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

#include "bench/BenchSongs.h"

int main(int argc, char** argv) {
  using namespace tarvo::bench;
  try {
    const std::uint32_t count = argc > 1 ? static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 10)) : 400;
    const std::filesystem::path folder = BenchDirectory() / "census";
    constexpr std::uint64_t Smallest = 100 * 1024;
    constexpr std::uint64_t Largest = 4 * 1024 * 1024;
    std::uint64_t largest = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
      // Sizes evenly from the smallest to the largest, dealt out of order
      // so every folder holds small and large songs.
      const std::uint32_t rank = count > 1 ? (i * 37u) % count : 0;
      const std::uint64_t size = Smallest + (Largest - Smallest) * rank / (count > 1 ? count - 1 : 1);
      char name[64];
      std::snprintf(name, sizeof name, "%02u/song-%04u.kvs", i / 20, i);
      const std::filesystem::path path = folder / name;
      std::filesystem::create_directories(path.parent_path());
      const std::uint64_t written = EnsureSongFile(CollectionSong(i, size), path);
      if (written > largest) largest = written;
    }
    std::printf("%s %llu\n", folder.c_str(), static_cast<unsigned long long>(largest));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tarvo_census_songs: %s\n", error.what());
    return 1;
  }
  return 0;
}
