#include "content/compare/ComparedPair.h"

#include "content/showdiff/DiffCompare.h"
#include "content/showdiff/DiffText.h"
#include "content/showdiff/SongView.h"
#include "songfile/KvsLoader.h"

#include <exception>
#include <utility>

namespace tarvo::content {
namespace {

struct Stopped {};

void Load(ComparedSide& side, const std::string& file, const CompareProgress& progress) {
  side.file = file;
  // The log is kept, as the Loader Messages page keeps it: the diff lines
  // compare it too.
  side.loader = std::make_shared<TKvsLoader>(
      [&side](std::string_view message) { side.log.Append(message); },
      [&progress] {
        if (progress.stop.load(std::memory_order_relaxed)) throw Stopped{};
      });
  RegionMapBuilder builder;
  side.loader->SetRegionSink(&builder);
  std::string errorText;
  side.outcome = "loaded";
  try {
    side.loader->LoadFromFile(file, errorText);
    if (!errorText.empty()) {
      side.outcome = "rejected";
      side.error = errorText;
    }
  } catch (const Stopped&) {
    throw;
  } catch (const std::exception& error) {
    side.outcome = "failed";
    side.error = error.what();
  }
  side.loader->SetRegionSink(nullptr);
  side.map.emplace(builder.Finish(*side.loader));
  // The model's one index made on first use is made here, on this thread:
  // from now on the song is only read, by the window and by the comparison
  // of what it shows at once.
  side.loader->ChannelsOwnedBy(0);
}

}  // namespace

std::unique_ptr<ComparedPair> LoadPair(const std::string& oldFile, const std::string& newFile,
                                       CompareProgress& progress) {
  auto pair = std::make_unique<ComparedPair>();
  try {
    progress.step = 0;
    Load(pair->oldSide, oldFile, progress);
    progress.step = 1;
    Load(pair->newSide, newFile, progress);
  } catch (const Stopped&) {
    return nullptr;
  }
  return pair;
}

bool ComparePair(ComparedPair& pair, CompareProgress& progress) {
  progress.total = pair.newSide.map->FileSize();
  progress.step = 2;
  try {
    SongComparison comparison(*pair.oldSide.map, *pair.newSide.map);
    // Asked inside long stretches without a difference too.
    comparison.SetStop([&progress] { return progress.stop.load(std::memory_order_relaxed); });
    pair.summary = comparison.Run([&pair, &progress](const CompareDifference& difference) {
      if (progress.stop.load(std::memory_order_relaxed)) throw Stopped{};
      pair.differences.Add(difference);
      if (difference.newOffset) progress.position.store(*difference.newOffset, std::memory_order_relaxed);
    });
    pair.differences.Finish();
  } catch (const Stopped&) {
    return false;
  } catch (const CompareCancelled&) {
    return false;
  }
  return true;
}

std::optional<ShownDifferences> CompareShown(const ComparedSide& oldSide, TLogLines oldLog,
                                             const ComparedSide& newSide, TLogLines newLog,
                                             const std::atomic<bool>& stop) {
  ShownDifferences shown;
  if (oldSide.outcome != "loaded" || newSide.outcome != "loaded") return shown;
  const showdiff::SongView before(oldSide.song(), showdiff::Outcome::Loaded, std::move(oldLog));
  const showdiff::SongView after(newSide.song(), showdiff::Outcome::Loaded, std::move(newLog));
  // Asked at each difference and every few thousand rows or lines, so that
  // two songs of millions of equal rows stop promptly too.
  const auto stopped = [&stop] {
    if (stop.load(std::memory_order_relaxed)) throw Stopped{};
  };
  try {
    showdiff::CompareSongs(
        before, after,
        [&shown, &stopped](const showdiff::Difference& found) {
          stopped();
          shown.lines.push_back(showdiff::DifferenceLine(found));
        },
        stopped);
  } catch (const Stopped&) {
    return std::nullopt;
  }
  if (stop.load(std::memory_order_relaxed)) return std::nullopt;
  shown.compared = true;
  return shown;
}

std::unique_ptr<ComparedPair> CompareFiles(const std::string& oldFile, const std::string& newFile,
                                           CompareProgress& progress) {
  std::unique_ptr<ComparedPair> pair = LoadPair(oldFile, newFile, progress);
  if (pair == nullptr || !ComparePair(*pair, progress)) return nullptr;
  std::optional<ShownDifferences> shown = CompareShown(pair->oldSide, std::move(pair->oldSide.log), pair->newSide,
                                                       std::move(pair->newSide.log), progress.stop);
  if (!shown) return nullptr;
  pair->shownCompared = shown->compared;
  pair->shownLines = std::move(shown->lines);
  return pair;
}

}  // namespace tarvo::content
