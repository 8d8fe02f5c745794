// The Compare window's figures: opening a comparison beyond the two loads,
// and, with a million differences, the next difference, a jump in the list
// and two pages of scrolling with the other view following; the memory the
// window keeps per difference. Songs come from $TARVO_BENCH_DIR (default
// /tmp/tarvo-bench), written on first use.
//
//   QT_QPA_PLATFORM=offscreen build-bench/bench/tarvo_compare_bench

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QScrollBar>
#include <QTableView>

#include <malloc.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <functional>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <algorithm>
#include <atomic>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "bench/BenchSongs.h"
#include "content/compare/ComparedPair.h"
#include "content/map/RegionMap.h"
#include "songfile/KvsLoader.h"
#include "ui/CoverageStrip.h"
#include "ui/Dialogs.h"
#include "ui/HexView.h"
#include "windows/Compare.h"
#include "windows/CompareList.h"

namespace {

using namespace tarvo;
using namespace tarvo::bench;
using tarvo::testing::EventRecord;
using tarvo::testing::SongBuilder;

std::filesystem::path Ensure(const std::filesystem::path& path, const std::function<SongBuilder()>& make) {
  EnsureSongFile(make(), path);
  return path;
}

// A copy of `from` with `patch` applied, written once.
std::filesystem::path EditedCopy(const std::filesystem::path& from, const std::string& name,
                                 const std::function<void(std::vector<char>&)>& patch) {
  const std::filesystem::path to = BenchDirectory() / name;
  if (std::filesystem::exists(to)) return to;
  std::ifstream in(from, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  patch(bytes);
  std::ofstream(to, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return to;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The loads, then the comparison and the window's first screen of it: what
// opening costs beyond the loads.
void BM_Open(benchmark::State& state, std::filesystem::path a, std::filesystem::path b) {
  double loads = 0;
  double loadsCpu = 0;
  double beyond = 0;
  double beyondCpu = 0;
  double shown = 0;
  double shownCpu = 0;
  std::size_t differences = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    double cpu = CpuSeconds();
    content::CompareProgress progress;
    std::unique_ptr<content::ComparedPair> pair = content::LoadPair(a.string(), b.string(), progress);
    loads = Seconds(start);
    loadsCpu = CpuSeconds() - cpu;
    start = std::chrono::steady_clock::now();
    cpu = CpuSeconds();
    content::ComparePair(*pair, progress);
    beyond = Seconds(start);
    beyondCpu = CpuSeconds() - cpu;
    differences = pair->differences.Size();
    // The Shown differently tab, made on a thread of its own after the list
    // is shown.
    start = std::chrono::steady_clock::now();
    cpu = CpuSeconds();
    content::CompareShown(pair->oldSide, std::move(pair->oldSide.log), pair->newSide, std::move(pair->newSide.log),
                          progress.stop);
    shown = Seconds(start);
    shownCpu = CpuSeconds() - cpu;
  }
  state.counters["loads_s"] = loads;
  state.counters["loads_cpu_s"] = loadsCpu;
  state.counters["beyond_loads_s"] = beyond;
  state.counters["beyond_loads_cpu_s"] = beyondCpu;
  state.counters["shown_tab_s"] = shown;
  state.counters["shown_tab_cpu_s"] = shownCpu;
  state.counters["differences"] = static_cast<double>(differences);
}

std::filesystem::path BigData() {
  return Ensure(ScenarioPath(Scenario::BigData), [] { return BuildScenario(Scenario::BigData); });
}

std::filesystem::path BigDataCopy() {
  return EditedCopy(BigData(), "big-data-10-bytes.kvs", [](std::vector<char>& bytes) {
    for (std::size_t i = 1; i <= 10; ++i) bytes[bytes.size() / 11 * i] ^= 0x5A;
  });
}

std::filesystem::path ManyEvents() {
  return Ensure(ScenarioPath(Scenario::ManyEvents), [] { return BuildScenario(Scenario::ManyEvents); });
}

std::filesystem::path ManyEventsInserted() {
  const SongBuilder song = BuildScenario(Scenario::ManyEvents);
  const auto mark = song.Mark(tarvo::testing::ids::EVTS);
  return EditedCopy(ManyEvents(), "many-events-inserted.kvs", [mark](std::vector<char>& bytes) {
    const std::uint64_t at = mark.dataOffset + (mark.dataSize / 32) * 16;
    const char event[16] = {1, 0, 0, 0x20, 5, 0, 0, 0, 9, 9, 9, 9, 0, 0, 0, 0};
    bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), event, event + 16);
    std::int32_t size = 0;
    std::memcpy(&size, bytes.data() + mark.offset + 4, 4);
    size += 16;
    std::memcpy(bytes.data() + mark.offset + 4, &size, 4);
  });
}

// Two unrelated songs of 1 M events: every event's data differs.
std::filesystem::path Unrelated(int seed) {
  return Ensure(BenchDirectory() / ("unrelated-" + std::to_string(seed) + ".kvs"), [seed] {
    std::vector<EventRecord> events;
    events.reserve(1'000'000);
    for (int i = 0; i < 1'000'000; ++i) events.emplace_back(0, 0x1000, i * 10, i * (seed + 2) + seed);
    SongBuilder song;
    song.Version(0x6105).Events(events).EndOfSong();
    return song;
  });
}

// The longest the GUI thread spends away from its event loop (one round of
// processEvents, which runs the window's own handlers) while `busy` holds:
// how long the window may not answer. Rounds are 1 ms apart.
double LongestStall(const std::function<bool()>& busy) {
  double longest = 0;
  while (busy()) {
    const auto start = std::chrono::steady_clock::now();
    QApplication::processEvents();
    longest = std::max(longest, Seconds(start));
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  // The round that took the result (the window's first screen of it).
  const auto start = std::chrono::steady_clock::now();
  QApplication::processEvents();
  return std::max(longest, Seconds(start));
}

// A window comparing a and b, shown; `stall` gets the longest stall while it
// opened (until its thread ended), `listed` the time until the list showed.
TFrmCompare* OpenWindow(const std::filesystem::path& a, const std::filesystem::path& b, double& stall,
                        double* listed = nullptr) {
  auto* const made = new TFrmCompare(nullptr);
  made->resize(1280, 800);
  made->show();
  // The window's first paint (and the toolkit's fonts, once a process) is
  // not the comparison's: it is over before Start.
  for (int round = 0; round < 10; ++round) QApplication::processEvents();
  const auto start = std::chrono::steady_clock::now();
  made->Start(QString::fromStdString(a.string()), QString::fromStdString(b.string()));
  stall = LongestStall([made] { return made->Pair() == nullptr && made->Running(); });
  if (listed != nullptr) *listed = Seconds(start);
  stall = std::max(stall, LongestStall([made] { return made->Running() || made->ShownRunning(); }));
  return made;
}

double millionOpenStall = 0;

TFrmCompare& MillionWindow() {
  static TFrmCompare* const window = OpenWindow(Unrelated(1), Unrelated(2), millionOpenStall);
  return *window;
}

// Answers Save... with one name.
class SaveAnswer : public Dialogs {
 public:
  explicit SaveAnswer(QString path) : path_(std::move(path)) {}
  std::optional<QString> OpenFileName(QWidget*, const QString&, const QStringList&) override { return {}; }
  std::optional<QString> SaveFileName(QWidget*, const QString&, const QStringList&, const QString&) override {
    return path_;
  }
  void Message(QWidget*, const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
  void Error(QWidget*, const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
  bool Question(QWidget*, const QString&) override { return false; }
  int Exec(QDialog&) override { return 0; }

 private:
  QString path_;
};

void BM_OpenStall(benchmark::State& state, std::filesystem::path a, std::filesystem::path b) {
  double stall = 0;
  double wall = 0;
  double listed = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    TFrmCompare* const window = OpenWindow(a, b, stall, &listed);
    wall = Seconds(start);
    delete window;
  }
  state.counters["longest_stall_ms"] = stall * 1000;
  state.counters["listed_with_loads_s"] = listed;
  state.counters["all_with_loads_s"] = wall;
}

void BM_OpenStallMillion(benchmark::State& state) {
  for (auto _ : state) MillionWindow();
  state.counters["longest_stall_ms"] = millionOpenStall * 1000;
}

// The same loop for 5 s while a thread of ours only computes: what sharing
// the loaded machine's cores costs, the reference for the stalls above.
void BM_BusyStall(benchmark::State& state) {
  double stall = 0;
  for (auto _ : state) {
    std::atomic<bool> stop{false};
    std::thread busy([&stop] {
      volatile std::uint64_t sum = 0;
      while (!stop.load(std::memory_order_relaxed)) sum = sum + 1;
    });
    const auto start = std::chrono::steady_clock::now();
    stall = LongestStall([start] { return Seconds(start) < 5; });
    stop = true;
    busy.join();
  }
  state.counters["longest_stall_ms"] = stall * 1000;
}

// Save... of the 1 M differences as text, on the saver thread.
void BM_SaveStall(benchmark::State& state) {
  TFrmCompare& window = MillionWindow();
  const std::filesystem::path file = BenchDirectory() / "compare-save.txt";
  SaveAnswer answer(QString::fromStdString(file.string()));
  SetDialogs(&answer);
  double stall = 0;
  double wall = 0;
  double cpu = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = CpuSeconds();
    window.SaveClick();
    stall = LongestStall([&window] { return window.Saving(); });
    wall = Seconds(start);
    cpu = CpuSeconds() - cpuStart;
  }
  SetDialogs(nullptr);
  state.counters["longest_stall_ms"] = stall * 1000;
  state.counters["save_s"] = wall;
  state.counters["save_cpu_s"] = cpu;
  state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
  std::filesystem::remove(file);
}

// A click on Path: the texts of 1 M rows made and sorted on the sorter thread.
void BM_SortByPath(benchmark::State& state) {
  TFrmCompare& window = MillionWindow();
  auto* const model = static_cast<TCompareListModel*>(window.LstDifferences->model());
  double stall = 0;
  double wall = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    window.LstDifferences->sortByColumn(TCompareListModel::ColPath, Qt::AscendingOrder);
    stall = LongestStall([model] { return model->Sorting(); });
    wall = Seconds(start);
  }
  window.LstDifferences->sortByColumn(-1, Qt::AscendingOrder);
  state.counters["longest_stall_ms"] = stall * 1000;
  state.counters["sort_s"] = wall;
}

void Paint(TFrmCompare& window) {
  window.LstDifferences->viewport()->grab();
  window.HexOld->viewport()->grab();
  window.HexNew->viewport()->grab();
  // The strips show the cursor: they repaint at each move.
  window.StripOld->grab();
  window.StripNew->grab();
}

void BM_Next(benchmark::State& state) {
  TFrmCompare& window = MillionWindow();
  for (auto _ : state) {
    window.NextDifference();
    Paint(window);
  }
  state.counters["differences"] = static_cast<double>(window.Pair()->differences.Size());
}

void BM_ListJump(benchmark::State& state) {
  TFrmCompare& window = MillionWindow();
  std::mt19937 random(5);
  auto* const model = window.LstDifferences->model();
  for (auto _ : state) {
    const QModelIndex index = model->index(static_cast<int>(random() % static_cast<unsigned>(model->rowCount())), 0);
    window.LstDifferences->setCurrentIndex(index);
    window.LstDifferences->scrollTo(index);
    Paint(window);
  }
}

void BM_ScrollTwoPages(benchmark::State& state) {
  TFrmCompare& window = MillionWindow();
  QScrollBar* const bar = window.HexNew->verticalScrollBar();
  for (auto _ : state) {
    const int next = bar->value() + 2 * bar->pageStep();
    bar->setValue(next < bar->maximum() ? next : 0);
    Paint(window);
  }
}

// Heap the window keeps beyond the two songs and their maps, per difference.
void BM_Memory(benchmark::State& state) {
  const std::filesystem::path a = Unrelated(1);
  const std::filesystem::path b = Unrelated(2);
  double perDifference = 0;
  for (auto _ : state) {
    const auto heap = [] {
      const struct mallinfo2 info = mallinfo2();
      return static_cast<double>(info.uordblks + info.hblkhd);
    };
    const double before = heap();
    content::CompareProgress progress;
    auto pair = content::CompareFiles(a.string(), b.string(), progress);
    const double all = heap() - before;
    const double differences = static_cast<double>(pair->differences.Size());
    // The songs and maps alone, as `kvsdump --compare` holds them.
    pair->differences = content::DifferenceList();
    const double songs = heap() - before;
    perDifference = (all - songs) / differences;
  }
  state.counters["heap_B_per_difference"] = perDifference;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  auto timed = [](benchmark::internal::Benchmark* bench) {
    return bench->Unit(benchmark::kMillisecond)->UseRealTime();
  };
  timed(benchmark::RegisterBenchmark("Compare/Open/big-data-10-bytes", BM_Open, BigData(), BigDataCopy()))
      ->Iterations(1);
  timed(benchmark::RegisterBenchmark("Compare/Open/many-events-inserted", BM_Open, ManyEvents(), ManyEventsInserted()))
      ->Iterations(1);
  timed(benchmark::RegisterBenchmark("Compare/OpenStall/big-data-10-bytes", BM_OpenStall, BigData(), BigDataCopy()))
      ->Iterations(1);
  timed(benchmark::RegisterBenchmark("Compare/OpenStall/many-events-inserted", BM_OpenStall, ManyEvents(),
                                     ManyEventsInserted()))
      ->Iterations(1);
  timed(benchmark::RegisterBenchmark("Compare/OpenStall/1M", BM_OpenStallMillion))->Iterations(1);
  timed(benchmark::RegisterBenchmark("Compare/Next/1M", BM_Next))->Iterations(200);
  timed(benchmark::RegisterBenchmark("Compare/ListJump/1M", BM_ListJump))->Iterations(200);
  timed(benchmark::RegisterBenchmark("Compare/ScrollTwoPages/1M", BM_ScrollTwoPages))->Iterations(200);
  timed(benchmark::RegisterBenchmark("Compare/SaveStall/1M", BM_SaveStall))->Iterations(1);
  timed(benchmark::RegisterBenchmark("Compare/BusyStall", BM_BusyStall))->Iterations(1);
  timed(benchmark::RegisterBenchmark("Compare/SortByPath/1M", BM_SortByPath))->Iterations(1);
  timed(benchmark::RegisterBenchmark("Compare/Memory/1M", BM_Memory))->Iterations(1);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
