#include "tests/kvsdump/DumpHarness.h"
#include "songbuilder/DemoSong.h"
#include "songbuilder/SongBuilder.h"
#include "tools/kvsdump/KvsDump.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace tarvo::kvsdump {
namespace {

using namespace tarvo::testing;
using testing::Lines;
using testing::RunDump;

TEST(CompareMode, ASeriesComparesEachFileWithTheOneBefore) {
  DemoEdits tempo;
  tempo.tempo = 128.0f;
  DemoEdits more = tempo;
  more.insertEvent = true;
  const TempSongFile take1(DemoSong());
  const TempSongFile take2(DemoSong(tempo));
  const TempSongFile take3(DemoSong(more));
  const auto text = RunDump({"--compare", take1.Path(), take2.Path(), take3.Path()});
  EXPECT_EQ(text.status, ExitDifferent);
  EXPECT_EQ(text.err, "");
  const std::vector<std::string> lines = Lines(text.out);
  ASSERT_EQ(lines.size(), 4u + 5u);
  EXPECT_EQ(lines[0], "--- " + take1.Path() + " (loaded)");
  EXPECT_EQ(lines[2], "changed  field     0000002C 0000002C        4  GLOB/Settings/Tempo: 140.00 -> 128.00");
  EXPECT_EQ(lines[4], "--- " + take2.Path() + " (loaded)");
  EXPECT_EQ(lines[7].substr(0, 28), "added    record    -        ");

  const auto json = RunDump({"--compare", "--json", take1.Path(), take2.Path(), take3.Path()});
  EXPECT_EQ(json.status, ExitDifferent);
  const std::vector<std::string> objects = Lines(json.out);
  ASSERT_EQ(objects.size(), lines.size() - 2);  // one header line a pair
  const auto header = nlohmann::json::parse(objects[3]);
  EXPECT_EQ(header["pair"], 1);
  EXPECT_EQ(header["old"], take2.Path());
  EXPECT_EQ(header["new_outcome"], "loaded");
  const auto summary = nlohmann::json::parse(objects.back())["summary"];
  EXPECT_EQ(summary["added"], 1);
  EXPECT_EQ(summary["bytes"]["added"], 16);

  const auto same = RunDump({"--compare", take1.Path(), take1.Path()});
  EXPECT_EQ(same.status, ExitSame);
}

TEST(CompareMode, ExitStatuses) {
  const TempSongFile good(DemoSong());
  const auto missing = RunDump({"--compare", good.Path(), "/nonexistent/song.kvs"});
  EXPECT_EQ(missing.status, ExitDiffError);
  EXPECT_EQ(missing.out, "");
  EXPECT_NE(missing.err.find("/nonexistent/song.kvs"), std::string::npos);
  EXPECT_EQ(RunDump({"--compare", good.Path(), "/dev/null"}).status, ExitDiffError);
  EXPECT_EQ(RunDump({"--compare", good.Path()}).status, ExitUsage);
  EXPECT_EQ(RunDump({"--compare", "--map", good.Path(), good.Path()}).status, ExitUsage);

  // A damaged copy is compared all the same; its load error goes to
  // standard error in text mode only.
  Bytes cut = DemoSong().Build();
  cut.resize(cut.size() / 2);
  const TempSongFile damaged(cut);
  const auto text = RunDump({"--compare", good.Path(), damaged.Path()});
  EXPECT_EQ(text.status, ExitDifferent);
  EXPECT_NE(text.out.find("+++ " + damaged.Path() + " ("), std::string::npos);
  const auto json = RunDump({"--compare", "--json", good.Path(), damaged.Path()});
  EXPECT_EQ(json.status, ExitDifferent);
  EXPECT_EQ(json.err, "");
}

}  // namespace
}  // namespace tarvo::kvsdump
