#include "content/compare/Alignment.h"
#include "content/compare/CompareJson.h"
#include "content/compare/CompareText.h"
#include "content/compare/Leftovers.h"
#include "content/compare/SongCompare.h"
#include "content/map/RegionMap.h"
#include "songbuilder/DemoSong.h"
#include "songbuilder/SongBuilder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace tarvo::testing {
namespace {

using content::ChangeKind;
using content::CompareDifference;
using content::CompareSummary;
using content::DiffKind;
using content::RegionMap;
using content::SongComparison;

std::unique_ptr<TKvsLoader> LoadBytes(const Bytes& bytes) {
  auto loader = std::make_unique<TKvsLoader>();
  std::string errorText;
  try {
    loader->LoadFromMemory(bytes.data(), bytes.size(), errorText);
  } catch (const std::exception&) {
    // A damaged copy is compared all the same.
  }
  return loader;
}

struct Compared {
  std::vector<CompareDifference> differences;
  CompareSummary summary;
  // "changed field GLOB/Settings/Tempo", in the order reported.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& d : differences)
      names.push_back(std::string(content::ChangeName(d.change)) + " " + content::DiffKindName(d.kind) + " " + d.path);
    return names;
  }
};

// Compares, and checks what every comparison must hold: the bytes add up,
// every difference names a region of its map, differences in file order.
Compared Compare(const Bytes& oldBytes, const Bytes& newBytes, std::size_t editLimit = content::DefaultEditLimit) {
  const auto oldSong = LoadBytes(oldBytes);
  const auto newSong = LoadBytes(newBytes);
  const RegionMap oldMap = RegionMap::Of(*oldSong);
  const RegionMap newMap = RegionMap::Of(*newSong);
  Compared result;
  SongComparison comparison(oldMap, newMap, editLimit);
  result.summary = comparison.Run([&result](const CompareDifference& d) { result.differences.push_back(d); });
  const CompareSummary& s = result.summary;
  EXPECT_EQ(s.oldBytes, oldBytes.size());
  EXPECT_EQ(s.sameBytes + s.changedOldBytes + s.removedBytes, oldBytes.size());
  EXPECT_EQ(s.sameBytes + s.changedNewBytes + s.addedBytes, newBytes.size());
  EXPECT_EQ(s.differences, result.differences.size());
  EXPECT_EQ(s.differences == 0, oldBytes == newBytes);
  std::uint64_t lastNew = 0;
  for (const CompareDifference& d : result.differences) {
    const auto check = [&d](const RegionMap& map, std::uint64_t offset, std::uint64_t size, const std::string& path) {
      const auto region = map.RegionAt(offset);
      ASSERT_TRUE(region) << path;
      EXPECT_EQ(region->offset, offset) << path;
      if (d.kind == DiffKind::Record || d.kind == DiffKind::Chunk) {
        EXPECT_EQ(region->path.rfind(path, 0), 0u) << region->path << " in " << path;
      } else {
        EXPECT_EQ(region->size, size) << path;
        EXPECT_EQ(region->path, path);
      }
    };
    if (d.oldOffset) check(oldMap, *d.oldOffset, d.oldSize, d.oldPath);
    if (d.newOffset) {
      check(newMap, *d.newOffset, d.newSize, d.path);
      EXPECT_GE(*d.newOffset, lastNew) << d.path;
      lastNew = *d.newOffset;
    }
  }
  return result;
}

Bytes Demo(const DemoEdits& edits = {}) { return DemoSong(edits).Build(); }

TEST(SongCompare, EachEditOfTheDemoSongIsReportedOnceAndNothingElse) {
  EXPECT_TRUE(Compare(Demo(), Demo()).differences.empty());

  DemoEdits tempo;
  tempo.tempo = 128.0f;
  const Compared byTempo = Compare(Demo(), Demo(tempo));
  EXPECT_EQ(byTempo.Names(), std::vector<std::string>{"changed field GLOB/Settings/Tempo"});
  EXPECT_EQ(byTempo.differences[0].oldValue, "140.00");
  EXPECT_EQ(byTempo.differences[0].newValue, "128.00");
  EXPECT_EQ(byTempo.summary.differBytes, 1u);

  DemoEdits reserved;
  reserved.reservedByte = 0x80;
  const Compared byReserved = Compare(Demo(), Demo(reserved));
  EXPECT_EQ(byReserved.Names(), std::vector<std::string>{"changed reserved GLOB/Settings/Reserved+32"});
  ASSERT_EQ(byReserved.differences[0].runs.size(), 1u);
  EXPECT_EQ(byReserved.differences[0].runs[0].offset, 0u);
  EXPECT_EQ(byReserved.differences[0].runs[0].newBytes, "\x80");

  DemoEdits info;
  info.moreSongInfo = " More.";
  EXPECT_EQ(Compare(Demo(), Demo(info)).Names(),
            (std::vector<std::string>{"changed header GLOB", "changed field GLOB/SongInfoHeader/SongInfoLength",
                                      "changed field GLOB/SongInfo"}));
}

TEST(SongCompare, AnInsertedOrRemovedEventIsOneRecord) {
  DemoEdits insert;
  insert.insertEvent = true;
  const Compared inserted = Compare(Demo(), Demo(insert));
  ASSERT_EQ(inserted.Names(), (std::vector<std::string>{"changed header EVTS", "added record EVTS/211"}));
  EXPECT_EQ(inserted.differences[1].newSize, 16u);
  EXPECT_EQ(inserted.summary.addedBytes, 16u);

  // The window's two views stay on the same place: by path, not offset.
  const Bytes oldBytes = Demo();
  const Bytes newBytes = Demo(insert);
  const auto oldSong = LoadBytes(oldBytes);
  const auto newSong = LoadBytes(newBytes);
  const RegionMap oldMap = RegionMap::Of(*oldSong);
  const RegionMap newMap = RegionMap::Of(*newSong);
  const SongComparison places(oldMap, newMap);
  const std::uint64_t added = *inserted.differences[1].newOffset;
  EXPECT_EQ(places.MatchedOffset(content::Side::New, added + 3), std::nullopt);
  EXPECT_EQ(places.MatchedOffset(content::Side::New, added + 16 + 5), added + 5);
  EXPECT_EQ(places.MatchedOffset(content::Side::Old, added + 5), added + 16 + 5);
  EXPECT_EQ(places.MatchedOffset(content::Side::Old, added - 16 + 2), added - 16 + 2);
  EXPECT_EQ(places.MatchedOffset(content::Side::Old, 0x2C), 0x2Cu);  // in GLOB, equal
  const std::uint64_t lastOld = oldBytes.size() - 1;
  EXPECT_EQ(places.MatchedOffset(content::Side::Old, lastOld), lastOld + 16);

  const Compared removed = Compare(Demo(insert), Demo());
  ASSERT_EQ(removed.Names(), (std::vector<std::string>{"changed header EVTS", "removed record EVTS/211"}));
  EXPECT_FALSE(removed.differences[1].newOffset);
}

TEST(SongCompare, AStopIsAskedInsideLongStretchesWithoutADifferenceAndEndsTheRun) {
  // 8 MiB of module data that differ in their last byte: no difference
  // comes until the end, yet the stop is asked about once a MiB.
  const auto song = [](std::uint8_t last) {
    Bytes data(std::size_t{8} << 20, 0x11);
    data.back() = last;
    SongBuilder built;
    built.Version(0x6105).Module(ModuleRecord(0x1101, "Delay").Data(data)).EndOfSong();
    return built.Build();
  };
  const Bytes oldBytes = song(1);
  const Bytes newBytes = song(2);
  const auto oldSong = LoadBytes(oldBytes);
  const auto newSong = LoadBytes(newBytes);
  const RegionMap oldMap = RegionMap::Of(*oldSong);
  const RegionMap newMap = RegionMap::Of(*newSong);
  SongComparison comparison(oldMap, newMap);
  int asked = 0;
  comparison.SetStop([&asked] {
    ++asked;
    return false;
  });
  std::size_t found = 0;
  comparison.Run([&found](const CompareDifference&) { ++found; });
  EXPECT_EQ(found, 1u);
  EXPECT_GE(asked, 8);

  asked = 0;
  found = 0;
  comparison.SetStop([&asked] { return ++asked == 3; });
  EXPECT_THROW(comparison.Run([&found](const CompareDifference&) { ++found; }), content::CompareCancelled);
  EXPECT_EQ(asked, 3);
  EXPECT_EQ(found, 0u);

  // A stop already asked for ends the comparison of a song with itself,
  // and of two long lists that differ only at their end.
  SongComparison same(oldMap, oldMap);
  same.SetStop([] { return true; });
  EXPECT_THROW(same.Run([](const CompareDifference&) {}), content::CompareCancelled);
  std::vector<EventRecord> events;
  for (int i = 0; i < 20000; ++i) events.emplace_back(0, 0x1000, i * 10, i);
  SongBuilder shortList;
  shortList.Version(0x6105).Events(events).EndOfSong();
  events.emplace_back(0, 0x1000, 1, 1);
  SongBuilder longList;
  longList.Version(0x6105).Events(events).EndOfSong();
  const auto shortSong = LoadBytes(shortList.Build());
  const auto longSong = LoadBytes(longList.Build());
  const RegionMap shortMap = RegionMap::Of(*shortSong);
  const RegionMap longMap = RegionMap::Of(*longSong);
  SongComparison lists(shortMap, longMap);
  lists.SetStop([] { return true; });
  EXPECT_THROW(lists.Run([](const CompareDifference&) {}), content::CompareCancelled);
  // MatchedOffset, asked by a window, is never stopped.
  EXPECT_EQ(lists.MatchedOffset(content::Side::Old, 0), 0u);
}

TEST(SongCompare, AChangedChunkBetweenEqualOnesIsComparedInside) {
  const auto song = [](std::string_view middle) {
    return SongBuilder().Version(0x6105).Chunk(FourCC("AAAA"), "first").Chunk(FourCC("BBBB"), middle)
        .Chunk(FourCC("CCCC"), "third").EndOfSong().Build();
  };
  const Compared result = Compare(song("middle-1"), song("middle-2"));
  ASSERT_EQ(result.Names(), std::vector<std::string>{"changed data BBBB/Data"});
  EXPECT_EQ(result.differences[0].bytesDiffer, 1u);
  // Left over chunks pair only with chunks of their id.
  const Bytes inserted = SongBuilder().Version(0x6105).Chunk(FourCC("AAAA"), "first").Chunk(FourCC("XXXX"), "new")
                             .Chunk(FourCC("BBBB"), "middle-2").Chunk(FourCC("CCCC"), "third").EndOfSong().Build();
  EXPECT_EQ(Compare(song("middle-1"), inserted).Names(),
            (std::vector<std::string>{"added chunk XXXX", "changed data BBBB/Data"}));
  // A longer payload moves what follows; those bytes are no difference.
  const Compared longer = Compare(song("middle"), song("middle, longer"));
  EXPECT_EQ(longer.Names(), (std::vector<std::string>{"changed header BBBB", "changed data BBBB/Data"}));
  EXPECT_EQ(longer.differences[1].bytesDiffer, 8u);  // the bytes past the shorter side
}

TEST(SongCompare, ATruncatedCopyAgainstTheWhole) {
  const Bytes whole = Demo();
  for (const std::size_t size : {std::size_t{0}, std::size_t{30}, whole.size() / 2, whole.size() - 1}) {
    const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
    const Compared result = Compare(whole, cut);
    EXPECT_FALSE(result.differences.empty()) << size;
    Compare(cut, whole);
  }
}

TEST(SongCompare, AnUnrelatedLongListIsPairedByPositionAndSaysSo) {
  std::mt19937 random(7);
  const auto events = [&random](std::size_t n) {
    std::vector<EventRecord> list;
    for (std::size_t i = 0; i < n; ++i) list.emplace_back(1, 2, static_cast<std::int32_t>(random()), random() % 128);
    return SongBuilder().Version(0x6105).Events(list).EndOfSong().Build();
  };
  const Bytes a = events(400);
  const Bytes b = events(420);
  const Compared limited = Compare(a, b, 50);
  EXPECT_EQ(limited.summary.alignedByPosition, std::vector<std::string>{"EVTS"});
  // Aligned up to where 50 edits reach, paired from there on.
  EXPECT_EQ(limited.summary.added - limited.summary.removed, 20u);
  EXPECT_GT(limited.summary.changed, 300u);
  const Compared aligned = Compare(a, b);
  EXPECT_TRUE(aligned.summary.alignedByPosition.empty());
}

// The alignment keeps a longest common subsequence (checked against the
// quadratic table), also where the limit cuts it short.
TEST(SongCompare, AlignmentKeepsALongestCommonSubsequence) {
  std::mt19937 random(3);
  for (int round = 0; round < 200; ++round) {
    std::vector<int> a(random() % 40), b(random() % 40);
    for (int& x : a) x = static_cast<int>(random() % 4);
    for (int& x : b) x = static_cast<int>(random() % 4);
    std::vector<std::vector<int>> table(a.size() + 1, std::vector<int>(b.size() + 1, 0));
    for (std::size_t i = a.size(); i-- > 0;)
      for (std::size_t j = b.size(); j-- > 0;)
        table[i][j] = a[i] == b[j] ? table[i + 1][j + 1] + 1 : std::max(table[i + 1][j], table[i][j + 1]);
    struct Sink {
      std::size_t kept = 0, nextA = 0, nextB = 0;
      bool ordered = true;
      void Step(std::size_t x, std::size_t y) {
        ordered = ordered && x == nextA && y == nextB;
        nextA = x + 1, nextB = y + 1;
      }
      void Keep(std::size_t x, std::size_t y) { ++kept, Step(x, y); }
      void Pair(std::size_t x, std::size_t y) { Step(x, y); }
      void Remove(std::size_t x) { ordered = ordered && x == nextA, nextA = x + 1; }
      void Add(std::size_t y) { ordered = ordered && y == nextB, nextB = y + 1; }
    };
    const auto equal = [&](std::size_t i, std::size_t j) { return a[i] == b[j]; };
    Sink whole;
    EXPECT_TRUE(content::Align(a.size(), b.size(), equal, whole, 1000));
    EXPECT_EQ(whole.kept, static_cast<std::size_t>(table[0][0]));
    Sink limited;
    content::Align(a.size(), b.size(), equal, limited, 3);
    for (const Sink* sink : {&whole, &limited}) {
      EXPECT_TRUE(sink->ordered);
      EXPECT_EQ(sink->nextA, a.size());
      EXPECT_EQ(sink->nextB, b.size());
    }
  }
}

TEST(SongCompare, TextAndJsonNameTheSameDifferencesAndTextEscapesControls) {
  DemoEdits edits;
  edits.tempo = 128.0f;
  edits.insertEvent = true;
  edits.moreSongInfo = std::string("\x01\x1b[31m");
  const auto oldSong = LoadBytes(Demo());
  const auto newSong = LoadBytes(Demo(edits));
  const RegionMap oldMap = RegionMap::Of(*oldSong);
  const RegionMap newMap = RegionMap::Of(*newSong);
  const content::ComparedFile oldFile{"take1.kvs", "loaded", oldMap.FileSize()};
  const content::ComparedFile newFile{"take2.kvs", "loaded", newMap.FileSize()};
  std::ostringstream text, json;
  SongComparison textRun(oldMap, newMap);
  content::WriteCompareText(text, textRun, oldFile, newFile);
  SongComparison jsonRun(oldMap, newMap);
  content::WriteCompareJson(json, jsonRun, 0, oldFile, newFile);

  std::vector<std::string> textPaths;
  std::istringstream textLines(text.str());
  std::string line;
  std::getline(textLines, line);
  EXPECT_EQ(line, "--- take1.kvs (loaded)");
  std::getline(textLines, line);
  while (std::getline(textLines, line) && line.rfind("compare:", 0) != 0) {
    EXPECT_EQ(line.find('\x1b'), std::string::npos);
    textPaths.push_back(line.substr(47, line.find(':', 47) - 47));
  }
  EXPECT_EQ(line.substr(0, 25), "compare: 6 differences (c");
  EXPECT_NE(text.str().find("\\x01\\x1B[31m"), std::string::npos);

  std::vector<std::string> jsonPaths;
  std::istringstream jsonLines(json.str());
  bool sawText = false;
  while (std::getline(jsonLines, line)) {
    const auto object = nlohmann::json::parse(line);
    EXPECT_EQ(object["pair"], 0);
    if (!object.contains("change")) continue;
    jsonPaths.push_back(object["path"]);
    if (object["path"] == "GLOB/SongInfo")
      sawText = object["new_value"].get<std::string>().find("\x01\x1b[31m") != std::string::npos;
  }
  EXPECT_EQ(textPaths, jsonPaths);
  EXPECT_TRUE(sawText);
}

}  // namespace
}  // namespace tarvo::testing
