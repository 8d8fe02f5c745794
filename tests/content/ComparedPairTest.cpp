#include "content/compare/ComparedPair.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "content/showdiff/DiffCompare.h"
#include "content/showdiff/SongView.h"
#include "songbuilder/SongBuilder.h"

namespace tarvo::content {
namespace {

using testing::EventRecord;
using testing::SongBuilder;

class ComparedPairTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("tarvo-compared-pair-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::string Write(const std::string& name, int events, int version = 0x6105) {
    std::vector<EventRecord> records;
    for (int i = 0; i < events; ++i) records.emplace_back(0, 0x1000, i * 10, i);
    SongBuilder song;
    song.Version(version).Events(records).EndOfSong();
    const std::string path = (folder_ / name).string();
    song.WriteToFile(path);
    return path;
  }

  std::filesystem::path folder_;
};

TEST_F(ComparedPairTest, RejectedAndFailedLoadsAreComparedAllTheSameAndSayWhy) {
  CompareProgress progress;
  const auto rejected = CompareFiles(Write("good.kvs", 3), Write("old.kvs", 3, 0x4000), progress);
  ASSERT_NE(rejected, nullptr);
  EXPECT_EQ(rejected->oldSide.outcome, "loaded");
  EXPECT_EQ(rejected->oldSide.error, "");
  EXPECT_EQ(rejected->newSide.outcome, "rejected");
  EXPECT_NE(rejected->newSide.error.find("too old"), std::string::npos);
  EXPECT_GT(rejected->differences.Size(), 0u);

  const std::string missing = (folder_ / "missing.kvs").string();
  const auto failed = CompareFiles(Write("good.kvs", 3), missing, progress);
  ASSERT_NE(failed, nullptr);
  EXPECT_EQ(failed->newSide.outcome, "failed");
  EXPECT_NE(failed->newSide.error.find("Cannot open file"), std::string::npos);
  ASSERT_TRUE(failed->newSide.map.has_value());
  EXPECT_EQ(failed->newSide.map->FileSize(), 0u);
  // Every byte of OLD is removed: the whole file is one difference or more.
  EXPECT_EQ(failed->summary.removedBytes, failed->oldSide.map->FileSize());
}

TEST_F(ComparedPairTest, AStopEndsTheComparisonWithNothing) {
  CompareProgress progress;
  progress.stop = true;
  EXPECT_EQ(CompareFiles(Write("a.kvs", 3), Write("b.kvs", 4), progress), nullptr);

  // What the songs show is compared after the differences, and stops too,
  // also inside long lists of equal rows: it asks its pace within them.
  CompareProgress going;
  const auto pair = LoadPair(Write("a.kvs", 20000), Write("b.kvs", 20000), going);
  ASSERT_NE(pair, nullptr);
  ASSERT_TRUE(ComparePair(*pair, going));
  EXPECT_EQ(pair->differences.Size(), 0u);
  const showdiff::SongView before(pair->oldSide.song(), showdiff::Outcome::Loaded, TLogLines(pair->oldSide.log));
  const showdiff::SongView after(pair->newSide.song(), showdiff::Outcome::Loaded, TLogLines(pair->newSide.log));
  int paced = 0;
  EXPECT_TRUE(showdiff::CompareSongs(before, after, [](const showdiff::Difference&) {}, [&paced] { ++paced; }));
  EXPECT_GT(paced, 2);
  going.stop = true;
  EXPECT_FALSE(CompareShown(pair->oldSide, std::move(pair->oldSide.log), pair->newSide, std::move(pair->newSide.log),
                            going.stop));
}

}  // namespace
}  // namespace tarvo::content
