#include "songbuilder/PlantedValues.h"
#include "songbuilder/SongBuilder.h"
#include "tests/kvsdump/DumpHarness.h"
#include "tools/kvsdump/Progress.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace tarvo::kvsdump {
namespace {

using namespace tarvo::testing;
using testing::DumpRun;
using testing::Lines;
using testing::RunDump;
using Json = nlohmann::json;
namespace fs = std::filesystem;

fs::path TempFolder(const char* name) {
  std::string folder = (fs::temp_directory_path() / (std::string(name) + "-XXXXXX")).string();
  if (::mkdtemp(folder.data()) == nullptr) throw std::runtime_error("mkdtemp");
  return folder;
}

std::map<std::string, Json> PlacesOf(const std::string& out) {
  std::map<std::string, Json> places;
  for (const std::string& line : Lines(out)) {
    Json object = Json::parse(line);
    if (object.contains("place")) places[object["place"].get<std::string>() + " " + object["kind"].get<std::string>()] = object;
  }
  return places;
}

void WriteText(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

// The planted collection: two folders of three songs.
class CensusValues : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = new fs::path(TempFolder("kvsdump-values"));
    WritePlantedValues(*root_);
  }
  static void TearDownTestSuite() {
    fs::remove_all(*root_);
    delete root_;
  }
  static std::string Path(const std::string& relative = "") { return (*root_ / relative).string(); }
  static fs::path* root_;
};

fs::path* CensusValues::root_ = nullptr;

TEST_F(CensusValues, PlantedPlacesShowTheirValuesConstantsAndCopies) {
  const DumpRun run = RunDump({"--values", "--json", Path()});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto places = PlacesOf(run.out);

  const Json& carried = places.at("GLOB/Settings/Reserved+32 reserved");
  EXPECT_EQ(carried["files"], 6);
  EXPECT_EQ(carried["values"], Json::parse(R"([{"bytes": "00000000", "count": 2}, {"bytes": "01000000", "count": 2},
                                              {"bytes": "02000000", "count": 2}])"));
  EXPECT_EQ(carried["distinct"], 3);
  EXPECT_EQ(carried["bytes"][0]["counts"], Json::parse(R"({"00": 2, "01": 2, "02": 2})"));
  EXPECT_EQ(carried["bytes"][3], Json::parse(R"({"position": 3, "constant": "00"})"));

  // The copy is equal to RootKey in every record; the other four-byte
  // fields of the record only where both are zero.
  const Json& copy = places.at("GLOB/Settings/Reserved+92 reserved");
  bool rootKey = false;
  for (const Json& same : copy["same_as"]) {
    EXPECT_EQ(same["records"], 6);
    if (same["place"] == "GLOB/Settings/RootKey") rootKey = same["equal"] == 6;
    else EXPECT_EQ(same["equal"], 2) << same;
  }
  EXPECT_TRUE(rootKey) << copy["same_as"];
  // Fields: values with their text; beyond 256 values none at all.
  EXPECT_EQ(places.at("GLOB/Settings/RootKey field")["values"][3], Json::parse(R"({"bytes": "03000000", "count": 1, "text": "3"})"));
  const Json& times = places.at("EVTS/*/TickTime field");
  EXPECT_TRUE(times["values"].is_null());
  EXPECT_EQ(times["distinct"], "more than 256");
  EXPECT_EQ(times["count"], 300);
  EXPECT_EQ(places.count("GLOB/Settings/Tuning/* field"), 1U);

  // Text: the varying reserved places first, the copy named, the constant
  // places after.
  const DumpRun text = RunDump({"--values", "--kind", "reserved", Path()});
  EXPECT_EQ(text.out.find("GLOB/Settings/Reserved+32  reserved  4 bytes  6 files\n"
                          "  values:   00000000 \u00D72, 01000000 \u00D72, 02000000 \u00D72\n"
                          "GLOB/Settings/Reserved+92  reserved  4 bytes  6 files\n"
                          "  values:   00000000 \u00D72, 01000000 \u00D72, 02000000 \u00D71, 03000000 \u00D71\n"
                          "  same as:  GLOB/Settings/RootKey (100.0 %)\n"
                          "GLOB/Discarded  reserved"),
            0U)
      << text.out;
  EXPECT_NE(text.out.find("places: 6, other places: 0\n"), std::string::npos) << text.out;
}

TEST_F(CensusValues, JobsDoNotMatterAndHalvesMergeToTheWhole) {
  const DumpRun one = RunDump({"--values", "--json", "--jobs", "1", Path()});
  const DumpRun four = RunDump({"--values", "--json", "--jobs", "4", Path()});
  EXPECT_EQ(one.out, four.out);

  // Two parts in one file, as GNU parallel writes them, and a third file.
  const fs::path parts = TempFolder("kvsdump-values-parts");
  WriteText(parts / "ab.json", RunDump({"--values", "--json", Path("a")}).out + RunDump({"--values", "--json", Path("b/song4.kvs")}).out);
  WriteText(parts / "c.json", RunDump({"--values", "--json", Path("b/song5.kvs"), Path("b/song6.kvs")}).out);
  const DumpRun merged = RunDump({"--values-merge", "--json", (parts / "ab.json").string(), (parts / "c.json").string()});
  EXPECT_EQ(merged.status, 0) << merged.err;
  EXPECT_EQ(merged.out, one.out);
  EXPECT_EQ(RunDump({"--values-merge", (parts / "ab.json").string(), (parts / "c.json").string()}).out,
            RunDump({"--values", Path()}).out);

  // A part of other kinds, one cut short, one that is no output: refused,
  // with no counts that would pass for the whole.
  WriteText(parts / "kinds.json", RunDump({"--values", "--json", "--kind", "reserved", Path("b")}).out);
  std::string cut = RunDump({"--values", "--json", Path("b")}).out;
  cut.resize(cut.rfind("{\"summary\""));
  WriteText(parts / "cut.json", cut);
  WriteText(parts / "census.json", RunDump({"--census", "--json", Path("b")}).out);
  for (const char* bad : {"kinds.json", "cut.json", "census.json"}) {
    const DumpRun refused = RunDump({"--values-merge", "--json", (parts / "ab.json").string(), (parts / bad).string()});
    EXPECT_EQ(refused.status, 1) << bad;
    EXPECT_EQ(refused.out, "") << bad;
    EXPECT_NE(refused.err.find(bad), std::string::npos) << refused.err;
  }
  fs::remove_all(parts);
}

TEST_F(CensusValues, ControlCharactersAreEscapedInTextAndExactInJson) {
  const fs::path folder = TempFolder("kvsdump-values-controls");
  GlobChunk glob;
  glob.SongInfo("a\x07");
  SongBuilder().Version(0x6105).Glob(glob).Chunk(FourCC("Q\x7FQQ"), "x").EndOfSong().WriteToFile(folder / "c.kvs");
  const std::string song = (folder / "c.kvs").string();

  const auto places = PlacesOf(RunDump({"--values", "--json", "--kind", "header,field", song}).out);
  ASSERT_EQ(places.count("Q\x7FQQ header"), 1U);
  EXPECT_EQ(places.at("GLOB/SongInfo field")["values"][0]["text"], "a\x07");

  const DumpRun text = RunDump({"--values", "--kind", "header,field", song});
  EXPECT_NE(text.out.find("Q\\x7FQQ  header"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("(a\\x07)"), std::string::npos) << text.out;
  EXPECT_EQ(text.out.find_first_of("\x07\x7F"), std::string::npos);
  fs::remove_all(folder);
}

TEST_F(CensusValues, FailuresAndUsageAreTheCensuss) {
  const fs::path folder = TempFolder("kvsdump-values-fail");
  WriteText(folder / "bad.kvs", "not a song\n");
  const DumpRun run = RunDump({"--values", "--json", (folder / "bad.kvs").string(), Path("a/song1.kvs")});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("bad.kvs: failed"), std::string::npos) << run.err;
  EXPECT_NE(run.out.find(R"("outcomes": {"loaded": 1, "rejected": 0, "failed": 1})"), std::string::npos) << run.out;
  EXPECT_EQ(RunDump({"--values", "--kind", "fields", Path()}).status, 64);
  EXPECT_EQ(RunDump({"--census", "--kind", "field", Path()}).status, 64);
  EXPECT_EQ(RunDump({"--values"}).status, 64);
  fs::remove_all(folder);
}

TEST(CensusProgress, OnlyOnATerminalAndClearedAtTheEnd) {
  std::ostringstream err;
  EXPECT_EQ(ProgressStream(err), nullptr);
  {
    Progress progress(&err, 3);
    progress.SongDone(1048576);
    EXPECT_EQ(err.str().rfind("\r1 of 3 songs, 1.0 MiB", 0), 0U) << err.str();
  }
  EXPECT_EQ(err.str().substr(err.str().size() - 4), "\r\x1b[K");
  EXPECT_EQ(Progress::Line(10, 40, 0, 5.0), "10 of 40 songs, 0.0 MiB, 2.0 songs/s, 0:15 left");
}

// More places than are kept: songs of many empty chunks of distinct ids.
TEST(ValuesLimit, PlacesBeyondTheLimitAreCountedTogether) {
  const fs::path folder = TempFolder("kvsdump-values-limit");
  constexpr int Songs = 21;
  constexpr int ChunksPerSong = 5000;
  for (int s = 0; s < Songs; ++s) {
    SongBuilder song;
    song.Version(0x6105);
    for (int i = 0; i < ChunksPerSong; ++i) {
      int n = s * ChunksPerSong + i;
      Bytes id(4);
      for (auto& c : id) {
        c = static_cast<std::uint8_t>('a' + n % 26);
        n /= 26;
      }
      song.Chunk(static_cast<std::uint32_t>(id[0] | id[1] << 8 | id[2] << 16 | id[3] << 24), "");
    }
    song.EndOfSong().WriteToFile(folder / ("s" + std::to_string(s) + ".kvs"));
  }
  const DumpRun run = RunDump({"--values", "--kind", "header", "--jobs", "2", folder.string()});
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_GE(lines.size(), 3U);
  // VFhd and the end's header are places too: the 20th song's last two
  // and the 21st song's are not kept.
  EXPECT_EQ(lines.back(), "places: 100000, other places: 5002");
  EXPECT_NE(run.out.find("(other places)  header  8 bytes  2 files  5002 regions"), std::string::npos) << lines[lines.size() - 4];
  fs::remove_all(folder);
}

// docs/kvsdump.md's GNU parallel recipe, parts run as local jobs: merged,
// they give what one run over the whole collection gives.
TEST(ParallelRecipe, PartsMergeToTheWholeForBothCensusModes) {
  if (std::system("parallel --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "GNU parallel is not installed";
  const fs::path root = TempFolder("kvsdump-parallel");
  WritePlantedValues(root / "songs");
  const std::string kvsdump = std::string(TARVO_BINARY_DIR) + "/kvsdump";
  const std::string songs = (root / "songs").string();
  const std::string out = root.string();
  const std::string script =
      "cd '" + out + "' && ls -d '" + songs + "'/*/ | parallel --sshlogin 2/: '" + kvsdump +
      " --census --json {}' > census.json && '" + kvsdump + "' --census-merge --json census.json > census-merged.json && '" +
      kvsdump + "' --census --json '" + songs + "' | tail -n 1 > census-whole.json && ls -d '" + songs +
      "'/*/ | parallel --sshlogin 2/: '" + kvsdump + " --values --json {}' > values.json && '" + kvsdump +
      "' --values-merge --json values.json > values-merged.json && '" + kvsdump + "' --values --json '" + songs +
      "' > values-whole.json";
  ASSERT_EQ(std::system(script.c_str()), 0) << script;
  const auto read = [&](const char* name) {
    std::ifstream in(root / name);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  EXPECT_EQ(read("census-merged.json"), read("census-whole.json"));
  EXPECT_EQ(read("values-merged.json"), read("values-whole.json"));
  EXPECT_NE(read("values-whole.json").find("GLOB/Settings/Reserved+92"), std::string::npos);
  fs::remove_all(root);
}

}  // namespace
}  // namespace tarvo::kvsdump
