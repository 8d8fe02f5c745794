#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "checks/DiffEverything.h"
#include "checks/ShowEverything.h"
#include "songbuilder/SongBuilder.h"

namespace tarvo::testing {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> FilesUnder(const fs::path& folder) {
  std::vector<fs::path> files;
  if (!fs::exists(folder)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file() && entry.path().filename() != "README.md") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

Bytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void ShowsEveryFile(const std::vector<fs::path>& files) {
  for (const fs::path& path : files) {
    SCOPED_TRACE(path.string());
    const Bytes bytes = ReadFile(path);
    const Shown shown = ShowEverything(bytes.data(), bytes.size());
    EXPECT_EQ(shown.fault, "");
    EXPECT_EQ(DiffEverything(bytes.data(), bytes.size()), "");
  }
}

// Every input that ever made a fuzz target fail stays here for good.
TEST(FuzzInputs, EveryPastFindingNowLoadsAndShows) {
  ShowsEveryFile(FilesUnder(fs::path(TARVO_SOURCE_DIR) / "fuzz" / "regressions"));
}

// The kept corpus covers what the fuzzers reached; replaying it catches a
// fault there without a fuzzer.
TEST(FuzzInputs, TheCorpusLoadsAndShows) {
  const std::vector<fs::path> files = FilesUnder(fs::path(TARVO_SOURCE_DIR) / "fuzz" / "corpus");
  ASSERT_FALSE(files.empty());
  ShowsEveryFile(files);
}

// The views target compares two songs given as one input.
TEST(FuzzInputs, TwoSongsInOneInputAreCompared) {
  Bytes pair = MinimalSong().Build();
  const Bytes every = EveryChunkSong().Build();
  pair.insert(pair.end(), every.begin(), every.end());
  EXPECT_EQ(DiffEverything(pair.data(), pair.size()), "");
}

}  // namespace
}  // namespace tarvo::testing
