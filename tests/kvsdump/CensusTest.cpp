#include "songbuilder/SongBuilder.h"
#include "tests/kvsdump/DumpHarness.h"
#include "tests/support/InChild.h"
#include "tools/kvsdump/SongPaths.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace tarvo::kvsdump {
namespace {

using namespace tarvo::testing;
using testing::DumpRun;
using testing::RunDump;
using Json = nlohmann::ordered_json;
namespace fs = std::filesystem;

std::vector<Json> JsonLines(const std::string& text) {
  std::vector<Json> lines;
  for (const std::string& line : testing::Lines(text)) lines.push_back(Json::parse(line));
  return lines;
}

// A small collection: songs in nested folders, a name in capitals, a file
// that is no song (an unknown chunk larger than the file), a rejected song, a named pipe, and files that are not
// taken (another extension, a link to a folder).
class Census : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string folder = (fs::temp_directory_path() / "kvsdump-census-XXXXXX").string();
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    root_ = new fs::path(folder);
    const fs::path& root = *root_;
    fs::create_directories(root / "a/deep/er");
    fs::create_directories(root / "b");
    EveryChunkSong().WriteToFile(root / "a/every.kvs");
    MinimalSong().WriteToFile(root / "a/deep/er/LOUD.KVS");
    SongBuilder().Version(0x6000).Objects(1).EndOfSong().WriteToFile(root / "b/old.kvs");
    std::ofstream(root / "b/notes.kvs") << "not a song at all\n";
    std::ofstream(root / "b/notes.txt") << "not taken\n";
    ASSERT_EQ(::mkfifo((root / "b/pipe.kvs").c_str(), 0600), 0);
    fs::create_directory_symlink(root / "a", root / "b/link.kvs");
  }
  static void TearDownTestSuite() {
    fs::remove_all(*root_);
    delete root_;
  }

  static std::string Root() { return root_->string(); }
  static std::string Path(const std::string& relative) { return (*root_ / relative).string(); }

  static fs::path* root_;
};

fs::path* Census::root_ = nullptr;

TEST_F(Census, EverySongInPathOrderWhateverTheJobs) {
  // The name of a path not found is said, and cannot steer a terminal.
  const std::string missing = Path("miss\x07ing");
  const DumpRun one = RunDump({"--census", "--json", "--jobs", "1", Root(), missing});
  const DumpRun three = RunDump({"--census", "--json", "--jobs", "3", missing, Root()});
  EXPECT_EQ(one.out, three.out);
  EXPECT_EQ(one.status, 1);
  EXPECT_EQ(three.status, 1);
  EXPECT_NE(one.err.find(Path("miss\\x07ing")), std::string::npos) << one.err;
  EXPECT_EQ(one.err.find('\x07'), std::string::npos) << one.err;

  const std::vector<Json> lines = JsonLines(one.out);
  ASSERT_EQ(lines.size(), 6U) << one.out;
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"a/deep/er/LOUD.KVS", "loaded"}, {"a/every.kvs", "loaded"}, {"b/notes.kvs", "failed"},
      {"b/old.kvs", "rejected"}, {"b/pipe.kvs", "failed"}};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(lines[i]["file"], Path(expected[i].first));
    EXPECT_EQ(lines[i]["outcome"], expected[i].second) << lines[i].dump();
  }
  EXPECT_EQ(lines[3]["version"], 0x6000);
  EXPECT_EQ(lines[4]["error"], "Cannot open file " + Path("b/pipe.kvs"));
  EXPECT_TRUE(lines[4]["version"].is_null());
  EXPECT_TRUE(lines[5].contains("summary"));
}

TEST_F(Census, SongCoverageIsTheMapsAndTheSummaryAddsUp) {
  const DumpRun run = RunDump({"--census", "--json", Root()});
  std::vector<Json> lines = JsonLines(run.out);
  ASSERT_GE(lines.size(), 2U);
  const Json summary = lines.back()["summary"];
  lines.pop_back();

  std::uint64_t bytes = 0;
  std::map<std::string, std::uint64_t> coverage, outcomes, versions;
  std::map<std::string, std::pair<std::uint64_t, std::uint64_t>> chunks, modules;
  for (const Json& song : lines) {
    const DumpRun map = RunDump({"--map", "--json", song["file"]});
    EXPECT_EQ(song["coverage"], Json::parse(map.out)["coverage"]) << song["file"];
    std::uint64_t covered = 0;
    for (const auto& [kind, n] : song["coverage"].items()) {
      coverage[kind] += n.get<std::uint64_t>();
      covered += n.get<std::uint64_t>();
    }
    EXPECT_EQ(covered, song["size"]) << song["file"];
    bytes += song["size"].get<std::uint64_t>();
    ++outcomes[song["outcome"]];
    std::ostringstream version;
    if (song["version"].is_null()) version << "none";
    else version << std::hex << song["version"].get<std::uint32_t>();
    ++versions[version.str()];
    for (const auto& [id, n] : song["chunk_ids"].items()) {
      ++chunks[id].first;
      chunks[id].second += n.get<std::uint64_t>();
    }
    for (const auto& [id, n] : song["module_types"].items()) {
      ++modules[id].first;
      modules[id].second += n.get<std::uint64_t>();
    }
  }
  EXPECT_EQ(summary["files"], lines.size());
  EXPECT_EQ(summary["bytes"], bytes);
  for (const auto& [kind, n] : summary["coverage"].items()) EXPECT_EQ(n, coverage[kind]) << kind;
  for (const auto& [outcome, n] : summary["outcomes"].items()) EXPECT_EQ(n, outcomes[outcome]) << outcome;
  ASSERT_EQ(summary["versions"].size(), versions.size());
  for (const auto& [version, n] : summary["versions"].items()) EXPECT_EQ(n, versions[version]) << version;
  ASSERT_EQ(summary["chunk_ids"].size(), chunks.size());
  for (const auto& [id, entry] : summary["chunk_ids"].items()) {
    EXPECT_EQ(entry["files"], chunks[id].first) << id;
    EXPECT_EQ(entry["chunks"], chunks[id].second) << id;
  }
  ASSERT_EQ(summary["module_types"].size(), modules.size());
  for (const auto& [id, entry] : summary["module_types"].items()) {
    EXPECT_EQ(entry["files"], modules[id].first) << id;
    EXPECT_EQ(entry["modules"], modules[id].second) << id;
  }
}

TEST_F(Census, MergedPartsAreTheWhole) {
  const DumpRun whole = RunDump({"--census", "--json", Root()});
  const DumpRun partA = RunDump({"--census", "--json", Path("a")});
  const DumpRun partB = RunDump({"--census", "--json", Path("b")});
  const fs::path fileA = Path("part-a.json");
  const fs::path fileB = Path("part-b.json");
  std::ofstream(fileA) << partA.out;
  std::ofstream(fileB) << partB.out;
  for (const bool json : {true, false}) {
    std::vector<std::string> args = {"--census-merge", fileA.string(), fileB.string()};
    if (json) args.push_back("--json");
    const DumpRun merged = RunDump(args);
    EXPECT_EQ(merged.status, whole.status);
    ASSERT_FALSE(merged.out.empty()) << merged.err;
    if (json) {
      EXPECT_EQ(merged.out, whole.out.substr(whole.out.rfind("{\"summary\""))) << merged.err;
    } else {
      EXPECT_TRUE(RunDump({"--census", Root()}).out.ends_with(merged.out)) << merged.out << merged.err;
    }
  }

  // A part cut short is said, and fails the merge's status.
  std::ofstream(fileA) << partA.out.substr(0, partA.out.rfind("{\"summary\""));
  const DumpRun cut = RunDump({"--census-merge", "--json", fileA.string()});
  EXPECT_EQ(cut.status, 1);
  EXPECT_NE(cut.err.find("cut short"), std::string::npos) << cut.err;
  // Lines that are no census output give no summary at all.
  std::ofstream(fileB) << "{\"file\":\"x\"}\n";
  const DumpRun wrong = RunDump({"--census-merge", fileB.string()});
  EXPECT_EQ(wrong.status, ExitDataError);
  EXPECT_EQ(wrong.out, "");
  fs::remove(fileA);
  fs::remove(fileB);
}

TEST_F(Census, TextModeEscapesNamesAndEndsWithTheTables) {
  const fs::path odd = Path("b/bell\x07.kvs");
  MinimalSong().WriteToFile(odd);
  const DumpRun run = RunDump({"--census", Path("b")});
  fs::remove(odd);
  EXPECT_NE(run.out.find("bell\\x07.kvs"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find('\x07'), std::string::npos);
  for (const char* table : {"versions:\n", "chunk ids:\n", "coverage: "})
    EXPECT_NE(run.out.find(table), std::string::npos) << table;
}

// The pages and viewers of several songs made at once give what each gives
// alone (and, under ThreadSanitizer, share nothing mutable).
TEST_F(Census, SongsShownAtOnceAsAlone) {
  const std::vector<std::string> songs = {Path("a/every.kvs"), Path("a/deep/er/LOUD.KVS"), Path("a/every.kvs")};
  std::vector<DumpRun> together(songs.size());
  {
    std::vector<std::jthread> threads;
    for (std::size_t i = 0; i < songs.size(); ++i)
      threads.emplace_back([&, i] { together[i] = RunDump({"--json", songs[i]}); });
  }
  for (std::size_t i = 0; i < songs.size(); ++i) EXPECT_EQ(together[i].out, RunDump({"--json", songs[i]}).out);
}

// A file reached through several PATHs, or a PATH inside another, is one
// song, at its first path in byte order.
TEST_F(Census, OverlappingPathsCountEachFileOnce) {
  const DumpRun alone = RunDump({"--census", "--json", Path("a")});
  const DumpRun overlapping =
      RunDump({"--census", "--json", Path("a"), Path("a"), Path("a/every.kvs"), Path("a/deep")});
  EXPECT_EQ(overlapping.out, alone.out);
  EXPECT_EQ(JsonLines(alone.out).size(), 3U) << alone.out;
}

// A file that ends after the version chunk's header holds no version: the
// zero the loader reads in its place is none of the file's.
TEST_F(Census, NoVersionWithoutVersionBytes) {
  const fs::path file = Path("header-only.kvs");
  std::ofstream(file, std::ios::binary) << std::string("VFhd\x04\x00\x00\x00", 8);
  const std::vector<Json> lines = JsonLines(RunDump({"--census", "--json", file.string()}).out);
  fs::remove(file);
  ASSERT_EQ(lines.size(), 2U);
  EXPECT_TRUE(lines[0]["version"].is_null()) << lines[0].dump();
  EXPECT_EQ(lines[1]["summary"]["versions"], Json({{"none", 1}}));
}

// Address-space limits are for the plain build: a sanitizer reserves its
// shadow memory, and its allocator aborts on a terabyte instead of throwing.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)

// Runs `check` in a child whose address space may grow by `bytes` only.
bool WithinAddressSpace(std::size_t bytes, const std::function<bool()>& check) {
  return PassesInChildWithinCpu([&] {
    std::size_t used = 0;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
      if (line.starts_with("VmSize:")) used = std::stoull(line.substr(7)) * 1024;
    const rlimit limit{used + bytes, used + bytes};
    return ::setrlimit(RLIMIT_AS, &limit) == 0 && check();
  }, 60);
}

// A file too large to hold in memory keeps its size, is all unread, and
// says so plainly: no library's text reaches the user.
TEST_F(Census, FileTooLargeToHoldKeepsItsSizeAndSaysSo) {
  const fs::path file = Path("huge.kvs");
  constexpr std::uint64_t Size = std::uint64_t{1} << 40;
  { std::ofstream touch(file); }
  ASSERT_EQ(::truncate(file.c_str(), static_cast<off_t>(Size)), 0);
  EXPECT_TRUE(WithinAddressSpace(std::size_t{256} << 20, [&] {
    const std::vector<Json> lines = JsonLines(RunDump({"--census", "--json", file.string()}).out);
    const Json map = Json::parse(RunDump({"--map", "--json", file.string()}).out);
    const DumpRun text = RunDump({"--map", file.string()});
    const std::string message = "Not enough memory to load " + file.string() + " (1099511627776 bytes)";
    EXPECT_EQ(lines.at(0)["error"], message);
    EXPECT_EQ(lines.at(0)["size"], Size);
    EXPECT_EQ(lines.at(0)["coverage"]["unread"], Size);
    EXPECT_EQ(map["size"], Size);
    EXPECT_EQ(map["coverage"]["unread"], Size);
    EXPECT_EQ(map["regions"], Json::parse(R"([{"offset": 0, "size": 1099511627776, "kind": "unread", "chunk": -1, "path": "unread"}])"));
    EXPECT_EQ(text.err, message + "\n");
    EXPECT_TRUE(text.out.starts_with("00000000 10000000000 unread")) << text.out;
    return !::testing::Test::HasFailure();
  }));
  fs::remove(file);
}

// Threads the system will not make are done without: the census goes on
// with those it has, says so once, and reports every song. More songs than
// the stacks that ended threads leave cached, so new ones are needed.
TEST_F(Census, ThreadsRefusedAreDoneWithout) {
  const fs::path many = Path("many");
  fs::create_directory(many);
  for (int i = 0; i < 40; ++i) MinimalSong().WriteToFile(many / (std::to_string(i) + ".kvs"));
  const DumpRun alone = RunDump({"--census", "--json", "--jobs", "1", many.string()});
  EXPECT_TRUE(WithinAddressSpace(std::size_t{20} << 20, [&] {
    const DumpRun run = RunDump({"--census", "--json", "--jobs", "100", many.string()});
    EXPECT_EQ(run.status, ExitSuccess);
    EXPECT_EQ(run.out, alone.out);
    EXPECT_TRUE(std::regex_match(
        run.err, std::regex("kvsdump: only [0-9]+ of 40 threads could be started; the census goes on with [1-9][0-9]*\n")))
        << run.err;
    return !::testing::Test::HasFailure();
  }));
  fs::remove_all(many);
}

// The walk keeps every path to sort them, at no more than the path's length
// and 32 bytes per file.
TEST(CensusPaths, HeldInThePathsOwnBytesAnd32MorePerFile) {
  constexpr std::size_t Files = 100000;
  const std::string folder = "/collection/of/songs/by/artist/";
  const std::size_t before = ::mallinfo2().uordblks;
  SongPaths paths;
  std::size_t pathBytes = 0;
  for (std::size_t i = 0; i < Files; ++i) {
    const std::string path = folder + std::to_string(i * 7919 % Files) + ".kvs";
    pathBytes += path.size();
    paths.Add(path, {1, i + 1});
  }
  paths.Finish();
  const std::size_t held = ::mallinfo2().uordblks - before;
  EXPECT_LE(held, pathBytes + 32 * Files);
  ASSERT_EQ(paths.size(), Files);
  EXPECT_EQ(paths[0], folder + "0.kvs");
  EXPECT_EQ(paths[1], folder + "1.kvs");
  EXPECT_EQ(paths[2], folder + "10.kvs");
}

#endif

// The text line's understood share is the JSON line's header and field
// bytes over its size.
TEST_F(Census, TextShareIsTheJsonLinesHeaderAndFieldBytes) {
  const std::vector<std::string> text = testing::Lines(RunDump({"--census", "--jobs", "1", Root()}).out);
  const std::vector<Json> json = JsonLines(RunDump({"--census", "--json", "--jobs", "1", Root()}).out);
  ASSERT_GE(text.size(), json.size());
  for (std::size_t i = 0; i + 1 < json.size(); ++i) {
    const std::uint64_t size = json[i]["size"];
    const std::uint64_t understood = json[i]["coverage"]["header"].get<std::uint64_t>() +
                                     json[i]["coverage"]["field"].get<std::uint64_t>();
    std::istringstream line(text[i]);
    std::string outcome, bytes, version, share;
    line >> outcome >> bytes >> version >> share;
    EXPECT_EQ(bytes, std::to_string(size)) << text[i];
    if (size == 0) {
      EXPECT_EQ(share, "-") << text[i];
      continue;
    }
    const std::uint64_t tenths = (understood * 1000 + size / 2) / size;
    EXPECT_EQ(share, std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + "%") << text[i];
  }
}

}  // namespace
}  // namespace tarvo::kvsdump
