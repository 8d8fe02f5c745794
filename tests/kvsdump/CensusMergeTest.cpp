#include "songbuilder/SongBuilder.h"
#include "tests/kvsdump/DumpHarness.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace tarvo::kvsdump {
namespace {

using namespace tarvo::testing;
using testing::DumpRun;
using testing::RunDump;
namespace fs = std::filesystem;

// A census part on disk, removed when the test ends.
class Part {
 public:
  explicit Part(const std::string& text)
      : path_(fs::temp_directory_path() /
              ("kvsdump-part-" + std::to_string(::getpid()) + "-" + std::to_string(next_++))) {
    std::ofstream(path_, std::ios::binary) << text;
  }
  ~Part() { fs::remove(path_); }
  std::string Path() const { return path_.string(); }

 private:
  static inline int next_ = 0;
  fs::path path_;
};

// The census output of one real song: what the malformed lines are made of.
std::string CensusOf(const SongBuilder& song) {
  const TempSongFile file(song);
  return RunDump({"--census", "--json", file.Path()}).out;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from << " in " << text;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST(CensusMerge, EmptyOrMissingPartsAreSaidAndFailTheMerge) {
  const Part whole(CensusOf(MinimalSong()));
  const Part empty("");
  const Part blank("\n  \n\n");
  const std::string missing = (fs::temp_directory_path() / "kvsdump-no-such-part").string();
  for (const std::string& bad : {empty.Path(), blank.Path(), missing, fs::temp_directory_path().string()}) {
    SCOPED_TRACE(bad);
    const DumpRun run = RunDump({"--census-merge", "--json", whole.Path(), bad});
    EXPECT_EQ(run.status, ExitIncomplete);
    EXPECT_NE(run.err.find(bad + ": "), std::string::npos) << run.err;
    // What could be merged still is.
    EXPECT_NE(run.out.find("{\"summary\":{\"files\":1,"), std::string::npos) << run.out;
  }
  EXPECT_NE(RunDump({"--census-merge", missing}).err.find("No such file or directory"), std::string::npos);
  EXPECT_NE(RunDump({"--census-merge", fs::temp_directory_path().string()}).err.find("Is a directory"),
            std::string::npos);
  EXPECT_EQ(RunDump({"--census-merge", whole.Path()}).status, ExitSuccess);
}

TEST(CensusMerge, LinesNoCensusWritesAreRefusedWithTheirLineAndReason) {
  const std::string census = CensusOf(EveryChunkSong());
  const std::string song = census.substr(0, census.find('\n') + 1);
  const std::string summary = census.substr(song.size());
  // One song of 2^63 bytes: two of them add up past 64 bits.
  const std::string huge = "{\"file\":\"h\",\"size\":9223372036854775808,\"outcome\":\"failed\",\"error\":\"x\","
                           "\"version\":null,\"coverage\":{\"header\":0,\"field\":0,\"reserved\":0,\"skipped\":0,"
                           "\"data\":0,\"unread\":9223372036854775808},\"chunk_ids\":{},\"module_types\":{},"
                           "\"modules\":0,\"channels\":0,\"song_events\":0,\"pattern_events\":0,\"messages\":0}\n";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"no file", Replaced(song, "\"file\":", "\"name\":")},
      {"no error", Replaced(song, "\"error\":", "\"fault\":")},
      {"no messages", Replaced(song, "\"messages\":", "\"notes\":")},
      {"no channels", Replaced(song, "\"channels\":", "\"lanes\":")},
      {"coverage beside the size", Replaced(song, "\"header\":", "\"header\":1")},
      {"lower-case id", Replaced(song, "\"chunk_ids\":{", "\"chunk_ids\":{\"a0000000\":1,")},
      {"id given twice", Replaced(song, "\"chunk_ids\":{", "\"chunk_ids\":{\"A0000000\":1,\"A0000000\":2,")},
      {"zero count", Replaced(song, "\"chunk_ids\":{", "\"chunk_ids\":{\"A0000000\":0,")},
      {"sums past 64 bits", huge + huge},
  };
  for (const auto& [name, text] : cases) {
    SCOPED_TRACE(name);
    const Part part(song + text + summary);
    const DumpRun run = RunDump({"--census-merge", "--json", part.Path()});
    EXPECT_EQ(run.status, ExitDataError);
    EXPECT_EQ(run.out, "");
    const std::size_t lines = name == "sums past 64 bits" ? 3 : 2;
    EXPECT_NE(run.err.find(part.Path() + ":" + std::to_string(lines) + ": not a line of census output ("),
              std::string::npos)
        << run.err;
  }
  // The lines they were made of pass.
  const Part good(census);
  EXPECT_EQ(RunDump({"--census-merge", "--json", good.Path()}).status, ExitSuccess);
}

}  // namespace
}  // namespace tarvo::kvsdump
