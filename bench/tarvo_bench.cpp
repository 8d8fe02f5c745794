// The benchmarks of loading and showing large songs. The songs are written
// once into $TARVO_BENCH_DIR (default /tmp/tarvo-bench) and kept there.
//
// Figures that need a process of their own (peak memory) come from
// tarvo_bench_probe, started next to this program for every iteration.

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QVariant>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "bench/BenchSongs.h"
#include "bench/BenchSupport.h"
#include "ui/ReportList.h"
#include "content/Controls.h"
#include "content/map/RegionMap.h"
#include "songfile/KvsLoader.h"
#include "content/viewers/ViewerContent.h"

extern char** environ;

namespace {

using namespace tarvo;
using namespace tarvo::bench;

constexpr double MiB = 1024.0 * 1024.0;

// The byte-by-byte baseline also runs on this much of the big-data song,
// scaled to the whole file, to check that its time grows with the size.
constexpr std::size_t BaselinePrefix = std::size_t{64} << 20;

// Written on first use; later runs find the file there.
const std::string& SongFile(Scenario scenario, std::string_view variant = {}) {
  static std::map<std::string, std::string> files;
  const std::filesystem::path path = ScenarioPath(scenario, variant);
  auto found = files.find(path.string());
  if (found == files.end()) {
    EnsureSongFile(BuildScenario(scenario, ShapeOf(variant)), path);
    found = files.emplace(path.string(), path.string()).first;
  }
  return found->second;
}

std::uint64_t FileSize(const std::string& path) { return std::filesystem::file_size(path); }

// One load as the window runs it: the log kept in memory, a pending-event
// callback that only notes the time.
struct LoadedSong {
  // Held apart, so that the loader's sink can keep pointing at it.
  std::unique_ptr<TLogLines> log = std::make_unique<TLogLines>();
  std::shared_ptr<TKvsLoader> loader;
};

LoadedSong Load(const std::string& path, PendingEventClock& clock) {
  LoadedSong song;
  song.loader = std::make_shared<TKvsLoader>(
      [log = song.log.get()](std::string_view message) { log->Append(message); }, [&clock] { clock.Tick(); });
  std::string errorText;
  clock.Start();
  song.loader->LoadFromFile(path, errorText);
  clock.Stop();
  if (!errorText.empty()) throw std::runtime_error(errorText);
  return song;
}

void SetSongCounters(benchmark::State& state, const TKvsLoader& loader) {
  state.counters["song_events"] = static_cast<double>(loader.SongEvents().size());
  state.counters["pattern_events"] = static_cast<double>(loader.PatternEvents().size());
  state.counters["modules"] = static_cast<double>(loader.Modules().size());
}

// --- load ---------------------------------------------------------------

void BM_ReadMemchr(benchmark::State& state, Scenario scenario) {
  const std::string& path = SongFile(scenario);
  double readMs = 0;
  double scanMs = 0;
  for (auto _ : state) {
    std::size_t hits = 0;
    double read = 0;
    double scan = 0;
    benchmark::DoNotOptimize(ReadAndMemchr(path, hits, &read, &scan));
    benchmark::DoNotOptimize(hits);
    readMs += read;
    scanMs += scan;
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * FileSize(path)));
  state.counters["file_MiB"] = static_cast<double>(FileSize(path)) / MiB;
  state.counters["read_ms"] = readMs / static_cast<double>(state.iterations());
  state.counters["scan_ms"] = scanMs / static_cast<double>(state.iterations());
}

void BM_Load(benchmark::State& state, Scenario scenario) {
  const std::string& path = SongFile(scenario);
  PendingEventClock clock;
  std::uint64_t calls = 0;
  double releaseMs = 0;
  for (auto _ : state) {
    LoadedSong song = Load(path, clock);
    calls = clock.Calls();
    benchmark::DoNotOptimize(song.loader->Chunks().size());
    SetSongCounters(state, *song.loader);
    // Giving the song back (the next load does it first) is part of the
    // time, and noted on its own: no pending events run while it happens.
    const auto start = std::chrono::steady_clock::now();
    song.loader.reset();
    const std::chrono::duration<double, std::milli> release = std::chrono::steady_clock::now() - start;
    releaseMs = std::max(releaseMs, release.count());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * FileSize(path)));
  state.counters["file_MiB"] = static_cast<double>(FileSize(path)) / MiB;
  state.counters["longest_gap_ms"] = clock.LongestMs();
  state.counters["pending_calls"] = static_cast<double>(calls);
  state.counters["release_ms"] = releaseMs;
}

// The baseline: the file (or its first `prefixLimit` bytes) read into
// memory, then the naive byte-by-byte end search over it with a (no-op)
// pending-events call at every byte. `scale` is the file's size over the
// bytes searched; `scan_ms` is the search alone.
void BM_ByteByByteBaseline(benchmark::State& state, Scenario scenario, std::size_t prefixLimit) {
  const std::string& path = SongFile(scenario);
  volatile std::uint64_t pendingCalls = 0;
  const std::function<void()> pendingEvents = [&pendingCalls] { pendingCalls = pendingCalls + 1; };
  std::size_t prefix = 0;
  double scanMs = 0;
  for (auto _ : state) {
    std::vector<std::uint8_t> bytes;
    ReadPrefix(path, prefixLimit, bytes);
    prefix = bytes.size();
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(ByteByByteMarkerScan(bytes.data(), bytes.size(), pendingEvents));
    scanMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * prefix));
  state.counters["scan_ms"] = scanMs / static_cast<double>(state.iterations());
  state.counters["prefix_MiB"] = static_cast<double>(prefix) / MiB;
  state.counters["file_MiB"] = static_cast<double>(FileSize(path)) / MiB;
  // Scale factor, applied by the report to the measured time.
  state.counters["scale"] = static_cast<double>(FileSize(path)) / static_cast<double>(prefix);
}

// --- pages ----------------------------------------------------------------

void BM_FillAllViews(benchmark::State& state, Scenario scenario) {
  PendingEventClock clock;
  const LoadedSong song = Load(SongFile(scenario), clock);
  for (auto _ : state) {
    const std::vector<content::Page> pages = FillAllPages(song.loader);
    benchmark::DoNotOptimize(pages.data());
  }
  SetSongCounters(state, *song.loader);
}

// The window's first screen of every list: each list's model gets its table
// and is asked for the display text of the first 40 rows, every column.
std::size_t ShowFirstScreens(const std::vector<const content::Table*>& tables) {
  std::size_t cells = 0;
  for (const content::Table* table : tables) {
    TReportModel model(nullptr);
    model.SetTable(*table);
    const int rows = std::min(model.rowCount(), static_cast<int>(ScreenRows));
    const int columns = model.columnCount();
    for (int row = 0; row < rows; ++row) {
      for (int column = 0; column < columns; ++column) {
        const QVariant text = model.data(model.index(row, column), Qt::DisplayRole);
        benchmark::DoNotOptimize(text.constData());
        ++cells;
      }
    }
  }
  return cells;
}

void BM_ModelFirstScreen(benchmark::State& state, Scenario scenario) {
  PendingEventClock clock;
  const LoadedSong song = Load(SongFile(scenario), clock);
  const std::vector<content::Page> pages = FillAllPages(song.loader);
  const std::vector<const content::Table*> tables = PageTables(pages);
  std::size_t cells = 0;
  for (auto _ : state) cells = ShowFirstScreens(tables);
  state.counters["lists"] = static_cast<double>(tables.size());
  state.counters["cells"] = static_cast<double>(cells);
}

// The two viewers as the window opens them: the module viewer on the
// module in the middle of the list, the chunk data viewer on the largest
// chunk, each with its first screen of rows.
void BM_ViewerContent(benchmark::State& state, Scenario scenario) {
  PendingEventClock clock;
  const LoadedSong song = Load(SongFile(scenario), clock);
  const TKvsLoader& loader = *song.loader;
  const std::size_t module = loader.Modules().size() / 2;
  std::size_t largest = 0;
  for (std::size_t i = 0; i < loader.Chunks().size(); ++i)
    if (loader.Chunks()[i].Data.Size() > loader.Chunks()[largest].Data.Size()) largest = i;
  const TKvsChunk& chunk = loader.Chunks()[largest];
  std::size_t cells = 0;
  for (auto _ : state) {
    const std::vector<content::Page> pages = {content::ShowModule(song.loader, module),
                                                 content::ShowChunk(song.loader, chunk)};
    cells = ShowFirstScreens(PageTables(pages));
    benchmark::DoNotOptimize(pages[1].Choice("CbxDataSet").items.size());
  }
  state.counters["cells"] = static_cast<double>(cells);
  state.counters["chunk_MiB"] = static_cast<double>(chunk.Data.Size()) / MiB;
}

// What one turn of the window's pending events costs when nothing is
// pending, on the offscreen platform: the price the byte-by-byte search
// would pay at every byte.
void BM_PendingEventsTurn(benchmark::State& state) {
  for (auto _ : state) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// Everything the user waits for after choosing a file: the load, every
// page's content and the first screen of every list.
void BM_LoadAndAllPages(benchmark::State& state, Scenario scenario) {
  const std::string& path = SongFile(scenario);
  PendingEventClock clock;
  for (auto _ : state) {
    const LoadedSong song = Load(path, clock);
    const std::vector<content::Page> pages = FillAllPages(song.loader);
    benchmark::DoNotOptimize(ShowFirstScreens(PageTables(pages)));
  }
  state.counters["longest_gap_ms"] = clock.LongestMs();
}

// --- memory, in a process of its own --------------------------------------

std::filesystem::path ProbePath() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path() / "tarvo_bench_probe";
}

std::map<std::string, double> RunProbe(const std::string& mode, const std::string& file) {
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) throw std::system_error(errno, std::generic_category(), "pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  const std::string probe = ProbePath().string();
  std::vector<char*> argv = {const_cast<char*>(probe.c_str()), const_cast<char*>(mode.c_str()),
                             const_cast<char*>(file.c_str()), nullptr};
  pid_t pid = 0;
  const int spawned = ::posix_spawn(&pid, probe.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeEnds[1]);
  if (spawned != 0) {
    ::close(pipeEnds[0]);
    throw std::system_error(spawned, std::generic_category(), "cannot start " + probe);
  }
  std::string output;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(pipeEnds[0], buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    output.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(pipeEnds[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("the probe failed: " + mode);
  std::map<std::string, double> values;
  std::istringstream lines(output);
  std::string key;
  double value = 0;
  while (lines >> key >> value) values[key] = value;
  return values;
}

void BM_Memory(benchmark::State& state, Scenario scenario, std::string_view variant, const std::string& mode) {
  const std::string& path = SongFile(scenario, variant);
  std::map<std::string, double> values;
  for (auto _ : state) values = RunProbe(mode, path);
  for (const auto& [key, value] : values) {
    const bool bytes =
        key.rfind("peak_", 0) == 0 || key.rfind("rss_", 0) == 0 || key == "file_bytes" || key == "json_bytes";
    state.counters[bytes ? key + "_MiB" : key] = bytes ? value / MiB : value;
  }
}

// --- registration ---------------------------------------------------------

// The worst of the repetitions, beside their median: the longest interval
// and the peak memory are limits, not averages.
double Largest(const std::vector<double>& values) {
  return values.empty() ? 0.0 : *std::max_element(values.begin(), values.end());
}

// Every benchmark times in milliseconds of real time (loads wait for the
// file system) and reports the largest of its repetitions beside the median.
benchmark::internal::Benchmark* Timed(benchmark::internal::Benchmark* benchmark) {
  return benchmark->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("max", Largest);
}

std::string Name(const char* what, Scenario scenario, std::string_view extra = {}) {
  std::string text(what);
  text.append("/").append(ScenarioName(scenario));
  if (!extra.empty()) text.append("/").append(extra);
  return text;
}

// --- region map ------------------------------------------------------------

// The load with no region sink, with the counting one (the coverage
// figures) and with the map's builder, side by side; no log in any.
void BM_MapLoad(benchmark::State& state, Scenario scenario, std::string mode) {
  const std::string& path = SongFile(scenario);
  for (auto _ : state) {
    TKvsLoader loader;
    content::CoverageCounter counter;
    content::RegionMapBuilder builder;
    if (mode == "coverage") loader.SetRegionSink(&counter);
    if (mode == "map") loader.SetRegionSink(&builder);
    std::string errorText;
    loader.LoadFromFile(path, errorText);
    if (mode == "coverage") benchmark::DoNotOptimize(counter.Finish(loader.StreamSize()));
    if (mode == "map") benchmark::DoNotOptimize(builder.Finish(loader).TopLevelCount());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * FileSize(path)));
}

// The regions of the first screen (60 rows) of the song's first event chunk,
// made by reading that chunk again.
void BM_MapFirstScreen(benchmark::State& state, Scenario scenario) {
  const std::string& path = SongFile(scenario);
  TKvsLoader loader;
  content::RegionMapBuilder builder;
  loader.SetRegionSink(&builder);
  std::string errorText;
  loader.LoadFromFile(path, errorText);
  const content::RegionMap map = builder.Finish(loader);
  std::size_t chunk = 0;
  while (chunk < map.TopLevelCount() && map.TopLevelChunkId(chunk) != std::optional<std::uint32_t>(0x53545645u))
    ++chunk;
  if (chunk == map.TopLevelCount()) throw std::runtime_error("no event chunk");
  for (auto _ : state) benchmark::DoNotOptimize(map.Children(chunk, 0, 60));
  state.counters["chunk_bytes"] = static_cast<double>(map.TopLevel(chunk).size);
}

void Register() {
  using benchmark::RegisterBenchmark;
  const Scenario all[] = {Scenario::BigData, Scenario::ManyEvents, Scenario::ManyModules};

  // The big-data load side by side with its practical limit and with the
  // byte-by-byte search.
  Timed(RegisterBenchmark(Name("ReadMemchr", Scenario::BigData).c_str(), BM_ReadMemchr, Scenario::BigData));
  for (const Scenario s : all) Timed(RegisterBenchmark(Name("Load", s).c_str(), BM_Load, s));
  // The baseline takes seconds, not minutes, with a no-op callback: it runs
  // over the whole file, and over a prefix to show how it scales.
  Timed(RegisterBenchmark(Name("ByteByByteBaseline", Scenario::BigData, "whole").c_str(), BM_ByteByByteBaseline,
                          Scenario::BigData, ~std::size_t{0} >> 1))
      ->Iterations(1);
  Timed(RegisterBenchmark(Name("ByteByByteBaseline", Scenario::BigData, "64MiB").c_str(), BM_ByteByByteBaseline,
                          Scenario::BigData, BaselinePrefix))
      ->Iterations(1);

  for (const Scenario s : all) {
    Timed(RegisterBenchmark(Name("FillAllViews", s).c_str(), BM_FillAllViews, s));
    Timed(RegisterBenchmark(Name("ModelFirstScreen", s).c_str(), BM_ModelFirstScreen, s));
    Timed(RegisterBenchmark(Name("ViewerContent", s).c_str(), BM_ViewerContent, s));
  }
  for (const Scenario s : {Scenario::ManyEvents, Scenario::ManyModules})
    Timed(RegisterBenchmark(Name("LoadAndAllPages", s).c_str(), BM_LoadAndAllPages, s));
  Timed(RegisterBenchmark("PendingEventsTurn", BM_PendingEventsTurn))->Unit(benchmark::kNanosecond);

  for (const Scenario s : {Scenario::BigData, Scenario::ManyEvents})
    for (const char* mode : {"plain", "coverage", "map"})
      Timed(RegisterBenchmark(Name("MapLoad", s, mode).c_str(), BM_MapLoad, s, std::string(mode)));
  Timed(RegisterBenchmark(Name("MapFirstScreen", Scenario::ManyEvents).c_str(), BM_MapFirstScreen,
                          Scenario::ManyEvents))
      ->Unit(benchmark::kMicrosecond);

  // Memory, each figure from a process of its own.
  Timed(RegisterBenchmark(Name("Memory", Scenario::BigData, "read-memchr").c_str(), BM_Memory, Scenario::BigData,
                          std::string_view(), std::string("read-memchr")))
      ->Iterations(1);
  for (const Scenario s : all)
    for (const char* mode : {"load", "pages", "kvsdump-json"})
      Timed(RegisterBenchmark(Name("Memory", s, mode).c_str(), BM_Memory, s, std::string_view(), std::string(mode)))
          ->Iterations(1);
  Timed(RegisterBenchmark(("Memory/many-events" + std::string(QuarterSuffix) + "/kvsdump-json").c_str(), BM_Memory,
                          Scenario::ManyEvents, QuarterSuffix, std::string("kvsdump-json")))
      ->Iterations(1);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  // The window's list model and its pending events need an application;
  // no window is shown.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  Register();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
