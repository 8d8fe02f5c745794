// The File Map's figures: opening the map after a load, the first screen of
// its tree and hex view, the next screen after a jump, find against one
// memchr pass over the same bytes, and the memory beyond the loaded song.
// Songs come from $TARVO_BENCH_DIR (default /tmp/tarvo-bench), written on
// first use.
//
//   QT_QPA_PLATFORM=offscreen build-bench/bench/tarvo_filemap_bench

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTreeView>

#include <malloc.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchSongs.h"
#include "content/map/ByteSearch.h"
#include "content/map/KindColumns.h"
#include "content/map/RegionMap.h"
#include "content/Song.h"
#include "songfile/KvsLoader.h"
#include "ui/HexView.h"
#include "windows/FileMap.h"

namespace {

using namespace tarvo;
using namespace tarvo::bench;

constexpr double MiB = 1024.0 * 1024.0;

content::Song LoadedSong(Scenario scenario) {
  static std::map<Scenario, std::shared_ptr<TKvsLoader>> songs;
  std::shared_ptr<TKvsLoader>& song = songs[scenario];
  if (!song) {
    const std::filesystem::path path = ScenarioPath(scenario);
    EnsureSongFile(BuildScenario(scenario), path);
    song = std::make_shared<TKvsLoader>();
    std::string errorText;
    song->LoadFromFile(path.string(), errorText);
  }
  return song;
}

TFrmFileMap& Window() {
  static auto* const window = [] {
    auto* const made = new TFrmFileMap(nullptr);
    made->resize(1280, 800);
    made->show();
    return made;
  }();
  return *window;
}

// A big song is mapped on a thread of its own: its map is there once the
// window has taken it.
void ShowAndWait(TFrmFileMap& window, const content::Song& song) {
  window.ShowSong(song, QStringLiteral("bench.kvs"));
  while (window.Mapping()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

// Makes the tree and the hex view paint what is on screen now.
void PaintScreen(TFrmFileMap& window) {
  window.TreRegions->viewport()->grab();
  window.HexView->viewport()->grab();
}

double ResidentMiB() {
  long pages = 0;
  long resident = 0;
  if (FILE* const statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
  }
  return static_cast<double>(resident) * 4096.0 / MiB;
}

// What the allocator has handed out and not had back: unlike the resident
// set, it also counts memory made from pages freed earlier.
double HeapInUseMiB() {
  const struct mallinfo2 heap = mallinfo2();
  return static_cast<double>(heap.uordblks + heap.hblkhd) / MiB;
}

// ShowSong makes the map (one walk over the loaded song) and the first screen.
void BM_OpenMap(benchmark::State& state, Scenario scenario) {
  const content::Song song = LoadedSong(scenario);
  TFrmFileMap& window = Window();
  double extra = 0;
  double heap = 0;
  double showMs = 0;
  double paintMs = 0;
  std::size_t chunks = 0;
  for (auto _ : state) {
    state.PauseTiming();
    window.ShowSong(nullptr, {});
    const double before = ResidentMiB();
    const double heapBefore = HeapInUseMiB();
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    ShowAndWait(window, song);
    const auto shown = std::chrono::steady_clock::now();
    PaintScreen(window);
    state.PauseTiming();
    paintMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - shown).count();
    showMs = std::chrono::duration<double, std::milli>(shown - start).count();
    // Memory beyond the song, after 200 places all over the file were
    // looked at: each opens its own branches of the tree.
    std::mt19937_64 places(7);
    for (int jump = 0; jump < 200; ++jump) {
      window.GoToOffset(places() % song->StreamSize());
      PaintScreen(window);
    }
    extra = ResidentMiB() - before;
    heap = HeapInUseMiB() - heapBefore;
    chunks = static_cast<std::size_t>(window.findChild<QTreeView*>()->model()->rowCount());
    state.ResumeTiming();
  }
  state.counters["extra_MiB"] = extra;
  state.counters["heap_MiB"] = heap;
  state.counters["show_ms"] = showMs;
  state.counters["paint_ms"] = paintMs;
  state.counters["bound_MiB"] = (32.0 * static_cast<double>(chunks)) / MiB + 16.0;
  state.counters["file_MiB"] = static_cast<double>(song->StreamSize()) / MiB;
}

// The map's one walk over the loaded song (its share of opening the map).
void BM_MapWalk(benchmark::State& state, Scenario scenario) {
  const content::Song song = LoadedSong(scenario);
  for (auto _ : state) benchmark::DoNotOptimize(content::MapWithColumns(*song));
}

// A jump to a far place: the next screen of the hex view and the tree.
void BM_JumpScreen(benchmark::State& state, Scenario scenario) {
  const content::Song song = LoadedSong(scenario);
  TFrmFileMap& window = Window();
  if (window.Song() != song) ShowAndWait(window, song);
  std::mt19937_64 random(42);
  for (auto _ : state) {
    const std::uint64_t offset = random() % song->StreamSize();
    window.GoToOffset(offset);
    PaintScreen(window);
  }
}

// Next and previous chunk header from a random place: across the 2 M
// records of the song event chunk at worst.
void BM_NextAndPreviousOfKind(benchmark::State& state, Scenario scenario, TKvsRegionKind kind) {
  const content::Song song = LoadedSong(scenario);
  const content::RegionMap map = content::MapWithColumns(*song).map;
  std::mt19937_64 random(42);
  for (auto _ : state) {
    const std::uint64_t offset = random() % song->StreamSize();
    benchmark::DoNotOptimize(map.NextOfKind(offset, kind));
    benchmark::DoNotOptimize(map.PreviousOfKind(offset, kind));
  }
}

// A scroll of one page down the hex view.
void BM_ScrollScreen(benchmark::State& state, Scenario scenario) {
  const content::Song song = LoadedSong(scenario);
  TFrmFileMap& window = Window();
  if (window.Song() != song) ShowAndWait(window, song);
  window.GoToOffset(song->StreamSize() / 2);
  for (auto _ : state) {
    window.HexView->EnsureVisible(window.HexView->TopRow() * THexView::BytesPerRow +
                                  static_cast<std::uint64_t>(window.HexView->VisibleRows() * 2) * THexView::BytesPerRow);
    window.HexView->viewport()->grab();
  }
}

// Hostile songs for the map alone: a module of 256 MiB of "Z" bytes (every
// byte a false start of nothing: the marker starts with "Z" too), 5 M
// distinct unknown chunks of a header each, 5 M "OBJS" chunks, and 64 M
// events in one chunk (1 GiB).
enum class Hostile { ZModule, DistinctChunks, ObjsChunks, Events64M };

tarvo::testing::SongBuilder HostileSong(Hostile which) {
  using namespace tarvo::testing;
  SongBuilder song;
  song.Version(0x6105);
  constexpr std::uint32_t Chunks = 5'000'000;
  switch (which) {
    case Hostile::ZModule:
      song.Module(ModuleRecord(0x1101, "Z").DataFill(std::uint64_t{256} << 20, 'Z'));
      break;
    case Hostile::DistinctChunks: {
      Bytes headers(std::size_t{Chunks} * 8, 0);
      for (std::uint32_t i = 0; i < Chunks; ++i) {
        const std::uint32_t id = 0x40000000 + i;  // no known id, no module
        std::memcpy(headers.data() + std::size_t{i} * 8, &id, 4);
      }
      song.Raw(headers);
      break;
    }
    case Hostile::ObjsChunks: {
      Bytes chunks(std::size_t{Chunks} * 12, 0);
      for (std::uint32_t i = 0; i < Chunks; ++i) {
        const std::uint32_t header[3] = {FourCC("OBJS"), 4, i};
        std::memcpy(chunks.data() + std::size_t{i} * 12, header, 12);
      }
      song.Raw(chunks);
      break;
    }
    case Hostile::Events64M: {
      constexpr std::uint64_t Events = (std::uint64_t{64} << 20) - 1;  // the size field's int32 holds them
      song.Header(FourCC("EVTS"), static_cast<std::int32_t>(Events * 16)).Fill(Events * 16, 0x01);
      break;
    }
  }
  song.EndOfSong();
  return song;
}

const char* HostileName(Hostile which) {
  switch (which) {
    case Hostile::ZModule: return "hostile-z-module";
    case Hostile::DistinctChunks: return "hostile-distinct-chunks";
    case Hostile::ObjsChunks: return "hostile-objs-chunks";
    case Hostile::Events64M: return "hostile-64m-events";
  }
  return "hostile";
}

std::shared_ptr<TKvsLoader> LoadedHostile(Hostile which) {
  static std::map<Hostile, std::shared_ptr<TKvsLoader>> songs;
  std::shared_ptr<TKvsLoader>& song = songs[which];
  if (!song) {
    const std::filesystem::path path = BenchDirectory() / (std::string(HostileName(which)) + ".kvs");
    EnsureSongFile(HostileSong(which), path);
    song = std::make_shared<TKvsLoader>();
    std::string errorText;
    song->LoadFromFile(path.string(), errorText);
  }
  return song;
}

// The map's one walk on a hostile song, and the heap it keeps (the map and
// the strip's columns) against the bound of 32 bytes per chunk + 16 MiB.
void BM_HostileMap(benchmark::State& state, Hostile which) {
  const std::shared_ptr<TKvsLoader> song = LoadedHostile(which);
  double heap = 0;
  std::size_t chunks = 0;
  for (auto _ : state) {
    const double before = HeapInUseMiB();
    auto made = std::make_unique<content::MapAndColumns>(content::MapWithColumns(*song));
    state.PauseTiming();
    heap = HeapInUseMiB() - before;
    chunks = made->map.TopLevelCount();
    made.reset();
    state.ResumeTiming();
  }
  state.counters["heap_MiB"] = heap;
  state.counters["bound_MiB"] = (32.0 * static_cast<double>(chunks)) / MiB + 16.0;
  state.counters["chunks"] = static_cast<double>(chunks);
}

// What a cursor move, a hover and Next/Previous of a kind ask the map, from
// random places of a hostile song; one of each per iteration is timed apart.
void BM_HostileLookups(benchmark::State& state, Hostile which) {
  const std::shared_ptr<TKvsLoader> song = LoadedHostile(which);
  const content::RegionMap map = content::MapWithColumns(*song).map;
  std::mt19937_64 random(42);
  double slowestAt = 0;
  double slowestKind = 0;
  for (auto _ : state) {
    const std::uint64_t offset = random() % song->StreamSize();
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(map.RegionAt(offset));
    const auto at = std::chrono::steady_clock::now();
    for (const TKvsRegionKind kind : {TKvsRegionKind::Header, TKvsRegionKind::Data, TKvsRegionKind::Skipped}) {
      const auto kindStart = std::chrono::steady_clock::now();
      benchmark::DoNotOptimize(map.NextOfKind(offset, kind));
      benchmark::DoNotOptimize(map.PreviousOfKind(offset, kind));
      slowestKind = std::max(
          slowestKind, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - kindStart).count());
    }
    slowestAt = std::max(slowestAt, std::chrono::duration<double, std::milli>(at - start).count());
  }
  state.counters["slowest_at_ms"] = slowestAt;
  state.counters["slowest_next_prev_ms"] = slowestKind;
}

// Find of an absent 8-byte pattern over the whole big-data song, beside one
// memchr pass over the same bytes.
void BM_FindAbsent(benchmark::State& state) {
  const content::Song song = LoadedSong(Scenario::BigData);
  const std::span<const std::uint8_t> bytes(song->StreamData(), song->StreamSize());
  const content::SearchPattern pattern = *content::ParseHexPattern("DE AD BE EF 01 23 45 67");
  for (auto _ : state) {
    const content::ByteSearch search(bytes, pattern);
    benchmark::DoNotOptimize(search.FirstIn(0, bytes.size()));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void BM_MemchrPass(benchmark::State& state) {
  const content::Song song = LoadedSong(Scenario::BigData);
  const std::uint8_t* const data = song->StreamData();
  const std::size_t size = song->StreamSize();
  for (auto _ : state) {
    // Every byte once: the hits of a byte the file holds rarely.
    std::size_t hits = 0;
    for (const std::uint8_t* at = data; (at = static_cast<const std::uint8_t*>(
                                             std::memchr(at, 'Z', size - static_cast<std::size_t>(at - data))));
         ++at)
      if (++hits, at + 1 == data + size) break;
    benchmark::DoNotOptimize(hits);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

// Find in steps as the window runs it: by bytes (32 MiB a step, as the
// window did) or by time (12 ms a step). A pattern of sixteen 00 over bytes
// of fifteen 00 and a 01: both anchor bytes everywhere, so every place is
// compared and a byte costs many times what it costs when absent.
void BM_FindStepsHostile(benchmark::State& state, bool byTime) {
  static const std::vector<std::uint8_t> bytes = [] {
    std::vector<std::uint8_t> made(std::size_t{64} << 20, 0);
    for (std::size_t i = 15; i < made.size(); i += 16) made[i] = 1;
    return made;
  }();
  const content::SearchPattern pattern = *content::ParseHexPattern("00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
  double slowest = 0;
  std::size_t steps = 0;
  for (auto _ : state) {
    content::SteppedSearch search(bytes, pattern, 0, true);
    slowest = 0;
    steps = 0;
    for (bool done = false; !done; ++steps) {
      const auto start = std::chrono::steady_clock::now();
      done = byTime ? search.StepFor(std::chrono::milliseconds(12)) : search.Step(std::uint64_t{32} << 20);
      slowest = std::max(slowest, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
  }
  state.counters["slowest_step_ms"] = slowest;
  state.counters["steps"] = static_cast<double>(steps);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

// The absent pattern of FindAbsent8 found in 12 ms steps, as the window
// does: against MemchrPass, the whole search costs the same pass.
void BM_FindAbsentInSteps(benchmark::State& state) {
  const content::Song song = LoadedSong(Scenario::BigData);
  const std::span<const std::uint8_t> bytes(song->StreamData(), song->StreamSize());
  const content::SearchPattern pattern = *content::ParseHexPattern("DE AD BE EF 01 23 45 67");
  double slowest = 0;
  for (auto _ : state) {
    content::SteppedSearch search(bytes, pattern, 0, true);
    slowest = 0;
    for (bool done = false; !done;) {
      const auto start = std::chrono::steady_clock::now();
      done = search.StepFor(std::chrono::milliseconds(12));
      slowest = std::max(slowest, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
  }
  state.counters["slowest_step_ms"] = slowest;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  auto timed = [](benchmark::internal::Benchmark* bench) {
    return bench->Unit(benchmark::kMillisecond)->UseRealTime();
  };
  timed(benchmark::RegisterBenchmark("FileMap/Open/big-data", BM_OpenMap, Scenario::BigData))->Iterations(3);
  timed(benchmark::RegisterBenchmark("FileMap/Open/many-events", BM_OpenMap, Scenario::ManyEvents))->Iterations(3);
  timed(benchmark::RegisterBenchmark("FileMap/MapWalk/big-data", BM_MapWalk, Scenario::BigData))->Iterations(3);
  timed(benchmark::RegisterBenchmark("FileMap/MapWalk/many-events", BM_MapWalk, Scenario::ManyEvents))->Iterations(3);
  timed(benchmark::RegisterBenchmark("FileMap/Jump/big-data", BM_JumpScreen, Scenario::BigData));
  timed(benchmark::RegisterBenchmark("FileMap/Jump/many-events", BM_JumpScreen, Scenario::ManyEvents));
  timed(benchmark::RegisterBenchmark("FileMap/NextAndPreviousHeader/many-events", BM_NextAndPreviousOfKind,
                                    Scenario::ManyEvents, TKvsRegionKind::Header));
  timed(benchmark::RegisterBenchmark("FileMap/NextAndPreviousField/many-events", BM_NextAndPreviousOfKind,
                                    Scenario::ManyEvents, TKvsRegionKind::Field));
  timed(benchmark::RegisterBenchmark("FileMap/Scroll/many-events", BM_ScrollScreen, Scenario::ManyEvents));
  timed(benchmark::RegisterBenchmark("FileMap/FindAbsent8/big-data", BM_FindAbsent));
  for (const Hostile which : {Hostile::ZModule, Hostile::DistinctChunks, Hostile::ObjsChunks, Hostile::Events64M}) {
    const std::string name = HostileName(which);
    timed(benchmark::RegisterBenchmark(("FileMap/MapWalk/" + name).c_str(), BM_HostileMap, which))->Iterations(2);
    timed(benchmark::RegisterBenchmark(("FileMap/Lookups/" + name).c_str(), BM_HostileLookups, which))->Iterations(4);
  }
  timed(benchmark::RegisterBenchmark("FileMap/MemchrPass/big-data", BM_MemchrPass));
  timed(benchmark::RegisterBenchmark("FileMap/FindAbsent8InSteps/big-data", BM_FindAbsentInSteps));
  timed(benchmark::RegisterBenchmark("FileMap/FindStepsBy32MiB/hostile-64MiB", BM_FindStepsHostile, false))->Iterations(1);
  timed(benchmark::RegisterBenchmark("FileMap/FindStepsBy12ms/hostile-64MiB", BM_FindStepsHostile, true))->Iterations(1);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
