#include "tests/kvsdump/DumpHarness.h"
#include "songbuilder/SongBuilder.h"
#include "tools/kvsdump/ShownDiff.h"
#include "tools/kvsdump/KvsDump.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace tarvo::kvsdump {
namespace {

using namespace tarvo::testing;
using testing::DumpRun;
using testing::KeysOf;
using testing::Lines;
using testing::ParseDocument;
using Json = nlohmann::ordered_json;

// A small song whose parts the tests vary one at a time.
struct SongParts {
  float tempo = 140.0f;
  std::string songInfo = "Info";
  std::vector<std::string> tracks = {"Piano"};
  bool secondModule = false;
  std::vector<EventRecord> songEvents = {EventRecord(0, 0, 0, 100)};
  std::vector<EventRecord> patterns = {EventRecord(0, 0, 0, 1), EventRecord(0, 0, 96, 2)};
  Bytes extra = {'h', 'e', 'l', 'l', 'o'};
};

SongBuilder Build(const SongParts& parts) {
  GlobChunk glob;
  glob.Tempo(parts.tempo).Ppq(96).SongInfo(parts.songInfo).SongInfoUrl("http://x/");
  SongBuilder song;
  song.Version(0x6105).Objects(parts.secondModule ? 2 : 1).Glob(glob);
  song.Module(ModuleRecord(moduletypes::Sampler, "Piano")
                  .Chans(2)
                  .Tracks(parts.tracks)
                  .Data({'a', 'b', 'c'}));
  if (parts.secondModule) song.Module(ModuleRecord(0x1101, "Delay").Chans(2).Data({'d'}));
  song.Events(parts.songEvents)
      .Patterns(parts.patterns)
      .Chunk(FourCC("XTRA"), parts.extra)
      .EndOfSong();
  return song;
}

struct Compared {
  DumpRun text;
  DumpRun json;
  Json document;
  Json oldDump;  // `kvsdump --json` of each file
  Json newDump;
};

Compared Compare(const SongBuilder& before, const SongBuilder& after) {
  const TempSongFile oldFile(before);
  const TempSongFile newFile(after);
  Compared run;
  run.text = testing::RunDump({"--diff", oldFile.Path(), newFile.Path()});
  run.json = testing::RunDump({"--diff", "--json", oldFile.Path(), newFile.Path()});
  EXPECT_EQ(run.text.err, "");
  EXPECT_EQ(run.json.err, "");
  EXPECT_EQ(run.json.status, run.text.status);
  run.document = ParseDocument(run.json.out);
  run.oldDump = ParseDocument(testing::RunDump({"--json", oldFile.Path()}).out);
  run.newDump = ParseDocument(testing::RunDump({"--json", newFile.Path()}).out);
  return run;
}

bool HasLine(const std::string& text, const std::string& line) {
  for (const std::string& l : Lines(text))
    if (l == line) return true;
  return false;
}

std::size_t ChunkIndex(const Json& dump, const std::string& idText) {
  const Json& chunks = dump["chunks"];
  for (std::size_t i = 0; i < chunks.size(); ++i)
    if (chunks[i]["LblChunk"].get<std::string>().find(idText) != std::string::npos) return i;
  ADD_FAILURE() << "no chunk " << idText;
  return 0;
}

// ---------------------------------------------------------------------------

TEST(KvsDumpDiffArguments, DiffTakesExactlyTwoFiles) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{"--diff"},
                                               {"--diff", "a.kvs"},
                                               {"--diff", "a", "b", "c"},
                                               {"--diff", "--json", "a.kvs"}}) {
    const DumpRun run = testing::RunDump(args);
    EXPECT_EQ(run.status, ExitUsage) << ::testing::PrintToString(args);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("kvsdump --diff [--json] OLD NEW\n"), std::string::npos) << run.err;
  }
}

TEST(KvsDumpDiff, SongsThatShowTheSameExit0) {
  // Two files, built alike: equal in all they show.
  const Compared run = Compare(Build({}), Build({}));
  EXPECT_EQ(run.text.status, ExitSame);
  EXPECT_EQ(run.text.out, "");
  EXPECT_EQ(KeysOf(run.document), (std::vector<std::string>{"old", "new", "differences", "same"}));
  EXPECT_EQ(run.document["differences"], Json::array());
  EXPECT_EQ(run.document["same"], true);
}

TEST(KvsDumpDiff, ChangedFieldShowsOldAndNewValue) {
  SongParts faster;
  faster.tempo = 128.0f;
  const Compared run = Compare(Build({}), Build(faster));
  EXPECT_EQ(run.text.status, ExitDifferent);
  EXPECT_EQ(run.text.out, "Global/EdtTempo: 140.00 -> 128.00\n");
  EXPECT_EQ(run.document["same"], false);
  EXPECT_EQ(run.document["differences"],
            Json::parse(R"([{"where":"Global/EdtTempo","page":"Global","control":"EdtTempo",
                             "unit":"value","change":"changed","old":"140.00","new":"128.00"}])"));
}

TEST(KvsDumpDiff, ListRowsAreMatchedByPosition) {
  SongParts more;
  more.patterns = {EventRecord(0, 0, 48, 1), EventRecord(0, 0, 96, 2), EventRecord(0, 0, 192, 3)};
  const Compared grown = Compare(Build({}), Build(more));
  EXPECT_TRUE(
      HasLine(grown.text.out, "Playlist/LstPatterns row 0: Tick Time: 0 (0x0) -> 48 (0x30)"))
      << grown.text.out;
  const Json& added = grown.newDump["main"]["LstPatterns"][2];
  std::string cells;
  for (const Json& cell : added) cells += (cells.empty() ? "" : " | ") + cell.get<std::string>();
  EXPECT_TRUE(HasLine(grown.text.out, "Playlist/LstPatterns row 2 added: " + cells))
      << grown.text.out;
  EXPECT_FALSE(HasLine(grown.text.out, "Playlist/LstPatterns row 1"))
      << "an equal row is no difference";

  const Compared shrunk = Compare(Build(more), Build({}));
  EXPECT_TRUE(HasLine(shrunk.text.out, "Playlist/LstPatterns row 2 removed: " + cells))
      << shrunk.text.out;
}

// A row inserted in the middle is one added row; the rows after it are
// matched with the rows they were, not with the row at their position.
TEST(KvsDumpDiff, ListRowsAreAlignedAcrossAnInsertedRow) {
  SongParts before;
  before.songEvents = {EventRecord(0, 0, 0, 100), EventRecord(0, 0, 96, 101), EventRecord(0, 0, 192, 102)};
  SongParts after = before;
  after.songEvents = {EventRecord(0, 0, 0, 100), EventRecord(0, 0, 48, 7), EventRecord(0, 0, 96, 101),
                      EventRecord(0, 0, 192, 103)};
  const Compared run = Compare(Build(before), Build(after));
  std::vector<std::string> rows;
  for (const std::string& line : Lines(run.text.out))
    if (line.rfind("Song Events/LstSongEvents row", 0) == 0) rows.push_back(line.substr(0, line.find(':')));
  EXPECT_EQ(rows, (std::vector<std::string>{"Song Events/LstSongEvents row 1 added",
                                            "Song Events/LstSongEvents row 3 (was 2)"}))
      << run.text.out;
  bool sawOldIndex = false;
  for (const Json& found : run.document["differences"])
    if (found.value("control", "") == "LstSongEvents" && found.contains("oldIndex"))
      sawOldIndex = found["oldIndex"] == 2 && found["index"] == 3 && found["cells"].size() == 1;
  EXPECT_TRUE(sawOldIndex) << run.json.out;
}

// The song event list shows 3000 events at a time; the others are there
// for the picking and count as shown.
TEST(KvsDumpDiff, SongEventsPastTheFirstDataSetAreCompared) {
  SongParts before;
  for (int i = 0; i < 3500; ++i) before.songEvents.emplace_back(0, 0, i, 7);
  SongParts after = before;
  after.songEvents[3200].Data(8);
  const Compared run = Compare(Build(before), Build(after));
  EXPECT_EQ(run.text.status, ExitDifferent);
  EXPECT_EQ(run.text.out, "Song Events/LstSongEvents row 3200: Data: 0x00000007 -> 0x00000008\n");
}

TEST(KvsDumpDiff, ModuleViewersAreMatchedByPosition) {
  SongParts after;
  after.tracks = {"Piano", "Piano 2"};
  after.secondModule = true;
  const Compared run = Compare(Build({}), Build(after));
  EXPECT_TRUE(
      HasLine(run.text.out, "modules[0]/LstPlaylistTracks row 1 added: 1 | Piano 2 | 44 bytes"))
      << run.text.out;
  EXPECT_TRUE(HasLine(run.text.out, "modules[1] added: " +
                                        run.newDump["modules"][1]["LblModule"].get<std::string>()))
      << run.text.out;
}

TEST(KvsDumpDiff, ChunkDataIsComparedByteByByte) {
  SongParts after;
  after.extra = {'h', 'e', 'l', 'l', 'O', '!'};
  const SongBuilder oldSong = Build({});
  const SongBuilder newSong = Build(after);
  const Compared run = Compare(oldSong, newSong);
  const auto oldData = static_cast<long long>(oldSong.Mark(FourCC("XTRA")).dataOffset);
  const auto newData = static_cast<long long>(newSong.Mark(FourCC("XTRA")).dataOffset);
  const std::size_t chunk = ChunkIndex(run.oldDump, "XTRA");
  const std::string where = "chunks[" + std::to_string(chunk) + "]";

  // The changed byte lies in OLD; the added one only in NEW.
  char offsets[64];
  std::snprintf(offsets, sizeof offsets, "%08llX/00000004, %08llX/00000005", oldData + 4,
                newData + 5);
  EXPECT_TRUE(
      HasLine(run.text.out,
              where + " data: 2 bytes differ, size 5 -> 6, first at File Offset/Offset " + offsets))
      << run.text.out;
  EXPECT_NE(run.text.out.find(where + "/LblChunkSize: "), std::string::npos);
  // The hex dump is never compared as text.
  EXPECT_EQ(run.text.out.find(where + "/LstChunks"), std::string::npos) << run.text.out;
  EXPECT_EQ(run.text.out.find(where + "/CbxDataSet"), std::string::npos) << run.text.out;

  const Json* data = nullptr;
  for (const Json& found : run.document["differences"])
    if (found["where"] == where + " data") data = &found;
  ASSERT_NE(data, nullptr);
  EXPECT_EQ((*data)["first"][1].dump(), R"({"offset":5,"oldFileOffset":null,"newFileOffset":)" +
                                            std::to_string(newData + 5) + "}");
}

// Past the first data set of the hex dump, and more differing bytes than
// are listed.
TEST(KvsDumpDiff, WholeChunkCountsNotOnlyTheShownDataSet) {
  SongParts before;
  before.extra.assign(40000, 0x11);
  SongParts after = before;
  for (std::size_t i = 39990; i < 40000; ++i) after.extra[i] = 0x22;
  const Compared run = Compare(Build(before), Build(after));
  ASSERT_EQ(run.text.status, ExitDifferent);
  ASSERT_EQ(run.document["differences"].size(), 1u) << run.text.out;
  const Json& data = run.document["differences"][0];
  EXPECT_EQ(data["unit"], "data");
  EXPECT_EQ(data["differingBytes"], 10);
  ASSERT_EQ(data["first"].size(), 8u);
  EXPECT_EQ(data["first"][0]["offset"], 39990);
  EXPECT_EQ(data["first"][7]["offset"], 39997);
  EXPECT_NE(run.text.out.find(" data: 10 bytes differ, first at File Offset/Offset "),
            std::string::npos);
}

// A memo's line breaks and control bytes never split or steer a line.
TEST(KvsDumpDiff, EveryDifferenceIsOneLine) {
  SongParts after;
  after.songInfo = "two\r\nlines\x85\x1B]0;x\x07\t\x9B\x7F";
  const Compared run = Compare(Build({}), Build(after));
  EXPECT_TRUE(HasLine(run.text.out,
                      "Song Info/MmoSongInfo: Info -> two\\r\\nlines\\x85\\x1B]0;x\\x07\\t\\x9B\\x7F"))
      << run.text.out;
  EXPECT_EQ(Lines(run.text.out).size(), run.document["differences"].size());
}

TEST(KvsDumpDiff, FileThatDoesNotLoadIsAnError) {
  SongBuilder old;
  old.Version(0x6000).Objects(1).EndOfSong();
  const TempSongFile rejected(old);
  const TempSongFile good(MinimalSong());
  for (const bool json : {false, true}) {
    std::vector<std::string> args{"--diff", rejected.Path(), good.Path()};
    if (json) args.push_back("--json");
    const DumpRun run = testing::RunDump(args);
    EXPECT_EQ(run.status, ExitDiffError);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "kvsdump: " + rejected.Path() + ": File version 6000 too old!\n");
  }
  // Both are told.
  const DumpRun missing = testing::RunDump({"--diff", "/nonexistent/a.kvs", "/nonexistent/b.kvs"});
  EXPECT_EQ(missing.status, ExitDiffError);
  EXPECT_EQ(missing.err,
            "kvsdump: /nonexistent/a.kvs: Cannot open file /nonexistent/a.kvs\n"
            "kvsdump: /nonexistent/b.kvs: Cannot open file /nonexistent/b.kvs\n");
  // A name cannot steer the terminal.
  const DumpRun odd = testing::RunDump({"--diff", "/nonexistent/\x1B[2J\xC2\x9B.kvs", good.Path()});
  EXPECT_EQ(odd.err, "kvsdump: /nonexistent/\\x1B[2J\\x9B.kvs: Cannot open file "
                     "/nonexistent/\\x1B[2J\\x9B.kvs\n");
}

// What the comparison reports is what `kvsdump --json` prints of each file:
// every old and new value, row and cell is found at its place in the two
// dumps, and the text output has one line per difference, at the same place.
void ExpectAgreesWithTheDumps(const Compared& run) {
  const Json& differences = run.document["differences"];
  const std::vector<std::string> lines = Lines(run.text.out);
  ASSERT_EQ(lines.size(), differences.size()) << run.text.out;

  for (std::size_t i = 0; i < differences.size(); ++i) {
    const Json& found = differences[i];
    SCOPED_TRACE(found.dump());
    EXPECT_EQ(lines[i].rfind(found["where"].get<std::string>(), 0), 0u) << lines[i];
    if (found["unit"] == "data" || found["unit"] == "viewer") continue;

    const std::string control = found["control"];
    const Json* oldSide = &run.oldDump["main"];
    const Json* newSide = &run.newDump["main"];
    if (found.contains("module")) {
      oldSide = &run.oldDump["modules"][found["module"].get<std::size_t>()];
      newSide = &run.newDump["modules"][found["module"].get<std::size_t>()];
    } else if (found.contains("chunk")) {
      oldSide = &run.oldDump["chunks"][found["chunk"].get<std::size_t>()];
      newSide = &run.newDump["chunks"][found["chunk"].get<std::size_t>()];
    }
    const Json& oldValue = (*oldSide)[control];
    const Json& newValue = (*newSide)[control];
    const std::string unit = found["unit"];
    if (unit == "value") {
      EXPECT_EQ(found["old"], oldValue);
      EXPECT_EQ(found["new"], newValue);
    } else if (unit == "row" && found["change"] == "changed") {
      const std::size_t row = found["index"];
      for (const Json& cell : found["cells"]) {
        const std::size_t c = cell["index"];
        EXPECT_EQ(cell["old"], c < oldValue[row].size() ? oldValue[row][c] : Json(nullptr));
        EXPECT_EQ(cell["new"], c < newValue[row].size() ? newValue[row][c] : Json(nullptr));
      }
    } else if (unit == "row" || unit == "line") {
      const std::size_t at = found["index"];
      EXPECT_EQ(found["old"], at < oldValue.size() ? oldValue[at] : Json(nullptr));
      EXPECT_EQ(found["new"], at < newValue.size() ? newValue[at] : Json(nullptr));
    } else if (unit == "item") {
      const std::size_t at = found["index"];
      const Json& a = oldValue["items"];
      const Json& b = newValue["items"];
      EXPECT_EQ(found["old"], at < a.size() ? a[at] : Json(nullptr));
      EXPECT_EQ(found["new"], at < b.size() ? b[at] : Json(nullptr));
    } else {
      EXPECT_EQ(unit, "selection");
      EXPECT_EQ(found["old"], oldValue["selected"]);
      EXPECT_EQ(found["new"], newValue["selected"]);
    }
  }
}

TEST(KvsDumpDiff, DifferencesAgreeWithTheDumps) {
  SongParts after;
  after.tempo = 90.5f;
  after.songInfo = "Other\ninfo \xE9";
  after.tracks = {"Keys", "Piano 2"};
  after.patterns = {EventRecord(1, 0, 0, 1)};
  after.songEvents = {EventRecord(0, 0, 0, 100), EventRecord(0, 1, 5, 6, 7)};
  after.extra = {'H'};
  const Compared run = Compare(Build({}), Build(after));
  ASSERT_EQ(run.text.status, ExitDifferent);
  ASSERT_GT(run.document["differences"].size(), 8u);
  ExpectAgreesWithTheDumps(run);
}

// The logs are compared a stretch of lines at a time: lines on both sides
// of a stretch's end, and a log longer on one side, keep their numbers.
TEST(KvsDumpDiff, LongLogsAreComparedLineByLine) {
  auto song = [](std::size_t chunks, std::size_t odd) {
    SongBuilder built;
    built.Version(0x6105).Objects(0);
    for (std::size_t i = 0; i < chunks; ++i)
      built.Chunk(i == odd ? FourCC("ODDS") : FourCC("XTRA"), Bytes(i == odd ? 1 : 0, 'x'));
    built.EndOfSong();
    return built;
  };
  const Compared run = Compare(song(600, 600), song(700, 255));
  ASSERT_EQ(run.text.status, ExitDifferent);
  std::size_t lines = 0;
  for (const Json& found : run.document["differences"]) lines += found["unit"] == "line";
  EXPECT_GT(lines, 100u);
  ExpectAgreesWithTheDumps(run);
}

// A difference owns what it tells: kept past the comparison and the songs,
// it still reads as the line printed for it.
TEST(KvsDumpDiff, DifferencesOutliveTheComparedSongs) {
  SongParts after;
  after.songInfo = "Other info";
  after.tracks = {"Keys", "Piano 2"};
  after.patterns = {EventRecord(1, 0, 0, 1)};
  after.secondModule = true;
  after.extra = {'H'};
  const TempSongFile oldFile(Build({}));
  const TempSongFile newFile(Build(after));
  std::vector<Difference> kept;
  {
    LoadedSong before(oldFile.Path());
    LoadedSong now(newFile.Path());
    const SongView oldView(before.Song(), Outcome::Loaded, before.TakeLog());
    const SongView newView(now.Song(), Outcome::Loaded, now.TakeLog());
    CompareSongs(oldView, newView, [&kept](const Difference& found) { kept.push_back(found); });
  }
  std::string text;
  for (const Difference& found : kept) text += DifferenceLine(found) + "\n";
  EXPECT_EQ(text, testing::RunDump({"--diff", oldFile.Path(), newFile.Path()}).out);
  EXPECT_GT(kept.size(), 5u);
}

}  // namespace
}  // namespace tarvo::kvsdump
