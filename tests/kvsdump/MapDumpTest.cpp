#include "tests/kvsdump/DumpHarness.h"

#include "songbuilder/SongBuilder.h"
#include "tools/kvsdump/KvsDump.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace tarvo::kvsdump {
namespace {

using namespace tarvo::testing;
using testing::DumpRun;
using testing::KeysOf;
using testing::Lines;
using testing::ParseDocument;

TEST(KvsDumpMap, TextGivesOneLinePerRegionThenTheCoverage) {
  SongBuilder song;
  GlobChunk glob;
  glob.SongInfo("line\none");
  song.Version(0x6105).Glob(glob).EndOfSong().Raw("tail");
  const TempSongFile file(song);
  const DumpRun run = testing::RunDump({"--map", file.Path()});
  EXPECT_EQ(run.status, ExitLoaded);
  EXPECT_EQ(run.err, "");
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_GT(lines.size(), 4u);
  EXPECT_EQ(lines[0], "00000000 00000008 header   VFhd");
  EXPECT_EQ(lines[1], "00000008 00000004 field    VFhd/File Version = 6105");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "0000051C 00000009 field    GLOB/SongInfo = line\\x0Aone"),
            lines.end());
  EXPECT_EQ(lines[lines.size() - 2], "0000052D 00000004 unread   unread");
  EXPECT_EQ(lines.back(),
            "coverage: 1329 bytes; header 1.8%, field 95.8%, reserved 2.1%, skipped 0.0%, data 0.0%, unread 0.3%");
}

// A damaged file's map is printed too, with the load's exit status; the
// error text goes to standard error in text mode only.
TEST(KvsDumpMap, RejectedAndFailedLoadsPrintTheirMap) {
  SongBuilder rejected;
  rejected.Version(0x6000).Objects(1).EndOfSong();
  const TempSongFile rejectedFile(rejected);
  DumpRun run = testing::RunDump({"--map", rejectedFile.Path()});
  EXPECT_EQ(run.status, ExitRejected);
  EXPECT_EQ(run.err, "File version 6000 too old!\n");
  EXPECT_EQ(Lines(run.out)[2], "0000000C 00000014 unread   unread");

  SongBuilder broken;
  broken.Version(0x6105).Chunk(FourCC("XTRA"), std::string_view("abc"), 100);
  const TempSongFile brokenFile(broken);
  run = testing::RunDump({"--map", "--json", brokenFile.Path()});
  EXPECT_EQ(run.status, ExitFailed);
  EXPECT_EQ(run.err, "");
  const auto document = ParseDocument(run.out);
  EXPECT_EQ(KeysOf(document), (std::vector<std::string>{"file", "size", "outcome", "coverage", "regions"}));
  EXPECT_EQ(document["outcome"], "failed");
  EXPECT_EQ(document["regions"].back()["kind"], "unread");
  EXPECT_EQ(document["regions"].back()["chunk"], -1);

  run = testing::RunDump({"--map", "/nonexistent/so\x07ng.kvs"});
  EXPECT_EQ(run.status, ExitFailed);
  EXPECT_EQ(run.err, "Cannot open file /nonexistent/so\\x07ng.kvs\n");
  EXPECT_EQ(Lines(run.out).back().substr(0, 18), "coverage: 0 bytes;");
}

TEST(KvsDumpMap, JsonTilesTheFileAndAddsUp) {
  const TempSongFile file(EveryChunkSong());
  const DumpRun run = testing::RunDump({"--map", "--json", file.Path()});
  ASSERT_EQ(run.status, ExitLoaded);
  const auto document = ParseDocument(run.out);
  std::uint64_t end = 0;
  std::uint64_t total = 0;
  for (const auto& [kind, bytes] : document["coverage"].items()) total += bytes.get<std::uint64_t>();
  EXPECT_EQ(total, document["size"]);
  for (const auto& region : document["regions"]) {
    ASSERT_EQ(region["offset"], end);
    end += region["size"].get<std::uint64_t>();
    EXPECT_EQ(region.contains("value"), region["kind"] == "field");
  }
  EXPECT_EQ(end, document["size"]);
  EXPECT_EQ(document["regions"][1]["value"], "6105");
}

}  // namespace
}  // namespace tarvo::kvsdump
