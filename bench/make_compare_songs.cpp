// tarvo_compare_songs: writes the songs of the comparison figures into
// $TARVO_BENCH_DIR (default /tmp/tarvo-bench) and prints their paths:
//   big-data.kvs and big-data-10.kvs (10 bytes changed),
//   many-events.kvs and many-events-inserted.kvs (one event inserted in the
//   middle of the song events, the chunk's size grown by 16),
//   events-1m-a.kvs and events-1m-b.kvs (1,000,000 events each, every one
//   different: the worst case for the alignment).
// A file already there with the right size is kept.

#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/BenchSongs.h"
#include "content/map/RegionMap.h"
#include "songfile/KvsLoader.h"

namespace {

using namespace tarvo;
using namespace tarvo::bench;
using Bytes = std::vector<std::uint8_t>;

Bytes ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
  std::printf("%s %zu\n", path.c_str(), bytes.size());
}

// The header offset and payload size of the first "EVTS" chunk.
std::pair<std::uint64_t, std::uint64_t> FirstEvents(const std::filesystem::path& path) {
  TKvsLoader loader;
  std::string errorText;
  loader.LoadFromFile(path.string(), errorText);
  const content::RegionMap map = content::RegionMap::Of(loader);
  for (std::size_t i = 0; i < map.TopLevelCount(); ++i)
    if (map.TopLevelChunkId(i) == tarvo::testing::FourCC("EVTS")) return {map.TopLevel(i).offset, map.TopLevel(i).size - 8};
  throw std::runtime_error("no EVTS chunk in " + path.string());
}

void AddToSize(Bytes& bytes, std::uint64_t header, std::uint32_t add) {
  std::uint32_t size = 0;
  for (int i = 0; i < 4; ++i) size |= std::uint32_t{bytes[header + 4 + i]} << (8 * i);
  size += add;
  for (int i = 0; i < 4; ++i) bytes[header + 4 + i] = static_cast<std::uint8_t>(size >> (8 * i));
}

}  // namespace

int main() {
  try {
    const auto dir = BenchDirectory();
    const auto big = ScenarioPath(Scenario::BigData);
    std::printf("%s %llu\n", big.c_str(),
                static_cast<unsigned long long>(EnsureSongFile(BuildScenario(Scenario::BigData), big)));
    {
      Bytes bytes = ReadAll(big);
      for (std::uint64_t i = 1; i <= 10; ++i) bytes[bytes.size() / 11 * i] ^= 0x5A;
      WriteAll(dir / "big-data-10.kvs", bytes);
    }
    const auto many = ScenarioPath(Scenario::ManyEvents);
    std::printf("%s %llu\n", many.c_str(),
                static_cast<unsigned long long>(EnsureSongFile(BuildScenario(Scenario::ManyEvents), many)));
    {
      const auto [header, size] = FirstEvents(many);
      Bytes bytes = ReadAll(many);
      const std::uint64_t middle = header + 8 + size / 32 * 16;
      const Bytes event = {1, 0, 0x90, 0, 0x40, 0x1F, 0, 0, 60, 0, 0, 0, 100, 0, 0, 0};
      bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(middle), event.begin(), event.end());
      AddToSize(bytes, header, 16);
      WriteAll(dir / "many-events-inserted.kvs", bytes);
    }
    {
      ScenarioShape shape;
      shape.songEvents = 1'000'000;
      shape.patternEvents = 0;
      const auto a = dir / "events-1m-a.kvs";
      EnsureSongFile(BuildScenario(Scenario::ManyEvents, shape), a);
      std::printf("%s\n", a.c_str());
      const auto [header, size] = FirstEvents(a);
      Bytes bytes = ReadAll(a);
      // Every event's tick moved: no event of one song is in the other.
      for (std::uint64_t at = header + 8; at + 16 <= header + 8 + size; at += 16) bytes[at + 4] ^= 0x01, bytes[at + 7] ^= 0x40;
      WriteAll(dir / "events-1m-b.kvs", bytes);
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tarvo_compare_songs: %s\n", error.what());
    return 1;
  }
  return 0;
}
