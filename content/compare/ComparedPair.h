#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "content/Song.h"
#include "content/compare/DifferenceList.h"
#include "content/compare/SongCompare.h"
#include "content/map/RegionMap.h"
#include "text/LogLines.h"

// Two song files loaded with their maps and compared, for a window that
// keeps them: it runs on a worker thread and can be stopped.
namespace tarvo::content {

struct ComparedSide {
  std::string file;
  std::shared_ptr<TKvsLoader> loader;
  std::optional<RegionMap> map;  // also after a rejected or failed load
  std::string outcome;           // "loaded", "rejected", "failed"
  std::string error;             // 8-bit, as the loader wrote it; empty when loaded
  TLogLines log;                 // the loader's messages (8-bit), until the pair is compared
  Song song() const { return loader; }
};

struct ComparedPair {
  ComparedSide oldSide;
  ComparedSide newSide;
  DifferenceList differences;
  CompareSummary summary;
  // What the two songs show that differs, as the lines of `kvsdump --diff`
  // (UTF-8): made only when both songs loaded; empty when they show the same.
  bool shownCompared = false;
  std::vector<std::string> shownLines;
};

// How far a comparison has got, read by another thread.
struct CompareProgress {
  std::atomic<int> step{0};  // 0 loading OLD, 1 loading NEW, 2 comparing
  std::atomic<std::uint64_t> position{0};  // comparing: NEW's offset reached
  std::atomic<std::uint64_t> total{0};     // comparing: NEW's size
  std::atomic<bool> stop{false};
  std::atomic<bool> done{false};  // set by the caller when its thread ends
};

// Loads `oldFile` and `newFile` (each as the main window loads a file, a
// failed or rejected load compared all the same) and compares them, what
// they show included. Returns nullptr when `progress.stop` was set before
// the end.
std::unique_ptr<ComparedPair> CompareFiles(const std::string& oldFile, const std::string& newFile,
                                           CompareProgress& progress);

// Its steps apart: the loads (nullptr when stopped), the comparison by
// place (false when stopped), and what the songs show (below).
std::unique_ptr<ComparedPair> LoadPair(const std::string& oldFile, const std::string& newFile,
                                       CompareProgress& progress);
bool ComparePair(ComparedPair& pair, CompareProgress& progress);

// What two compared sides show that differs, as the lines of `kvsdump
// --diff` (UTF-8); `compared` is false unless both songs loaded. The logs are
// the sides' (taken from them before). It only reads the songs, so a window
// may show the pair meanwhile. nullopt when `stop` was set before the end.
struct ShownDifferences {
  bool compared = false;
  std::vector<std::string> lines;
};
std::optional<ShownDifferences> CompareShown(const ComparedSide& oldSide, TLogLines oldLog,
                                             const ComparedSide& newSide, TLogLines newLog,
                                             const std::atomic<bool>& stop);

}  // namespace tarvo::content
