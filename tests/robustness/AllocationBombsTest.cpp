#include <sys/resource.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "songbuilder/HostileSongs.h"
#include "checks/ShowEverything.h"
#include "songbuilder/TinyRecords.h"
#include "songbuilder/SongBuilder.h"
#include "tests/support/InChild.h"
#include "tools/kvsdump/KvsDump.h"

#if defined(__SANITIZE_ADDRESS__)
#define TARVO_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TARVO_ADDRESS_SANITIZER 1
#endif
#endif

namespace tarvo::testing {
namespace {

constexpr std::size_t MiB = std::size_t{1} << 20;

struct Loaded {
  std::vector<std::string> log;
  std::unique_ptr<TKvsLoader> loader;
  std::string errorText;
};

Loaded Load(const Bytes& bytes) {
  Loaded loaded;
  loaded.loader = std::make_unique<TKvsLoader>([&log = loaded.log](std::string_view m) { log.emplace_back(m); });
  loaded.loader->LoadFromMemory(bytes.data(), bytes.size(), loaded.errorText);
  return loaded;
}

Bytes ModuleWithoutEndMarker(std::size_t dataSize) {
  SongBuilder song;
  song.Version(0x6105).Module(ModuleRecord(moduletypes::Sampler, "Lost").Track("T").DataFill(dataSize, 'Z').EndMarker(false));
  return song.Build();
}

Bytes EmptyModules(std::size_t count) {
  SongBuilder song;
  song.Version(0x6105).Objects(static_cast<std::int32_t>(count));
  const ModuleRecord module(moduletypes::FirstFX, "fx");
  for (std::size_t i = 0; i < count; ++i) song.Module(module);
  song.EndOfSong();
  return song.Build();
}

Bytes Repeated(const Bytes& unit, std::size_t size) {
  Bytes bytes;
  bytes.reserve(size);
  while (bytes.size() + unit.size() <= size) bytes.insert(bytes.end(), unit.begin(), unit.end());
  return bytes;
}

Bytes ModuleEndMarkers(std::size_t size) {
  Bytes marker = ModuleEndMarker();
  marker.push_back(0);
  marker.push_back(0);
  return Repeated(marker, size);
}

// A count or size field saying "as many as can be", followed by a lot of
// data the field would claim.
std::vector<std::pair<std::string, Bytes>> CountFieldsOverLargeData(std::size_t dataSize) {
  std::vector<std::pair<std::string, Bytes>> songs;
  auto add = [&](const std::string& name, const std::function<void(SongBuilder&)>& head, std::uint8_t fill) {
    SongBuilder song;
    song.Version(0x6105);
    head(song);
    song.Fill(dataSize, fill);
    songs.emplace_back(name, song.Build());
  };
  for (const std::int32_t value : {0x7FFFFFFF, -1}) {
    const std::string v = value < 0 ? " 0xFFFFFFFF" : " 0x7FFFFFFF";
    add("EVTS size" + v, [value](SongBuilder& s) { s.Header(ids::EVTS, value); }, 1);
    add("PATC size" + v, [value](SongBuilder& s) { s.Header(ids::PATC, value); }, 1);
    add("WINP count" + v, [value](SongBuilder& s) { s.Header(ids::WINP, value).RawI32(value); }, 1);
    add("CHAN count" + v + " with bad tags", [value](SongBuilder& s) { s.Header(ids::CHAN, value); }, 0);
    add("FXRN count" + v, [value](SongBuilder& s) { s.Header(ids::FXRN, value); }, 0);
    add("AUIO count" + v, [value](SongBuilder& s) { s.Header(ids::AUIO, value); }, 0);
    add("GLOB song info length" + v,
        [value](SongBuilder& s) { s.Header(ids::GLOB, 0).Fill(1272, 0).RawU32(1).RawI32(value).RawI32(value).RawU32(0); }, 'a');
    add("module skip length" + v, [value](SongBuilder& s) { s.Header(moduletypes::FirstFX, value); }, 0);
    add("track block length" + v,
        [value](SongBuilder& s) { s.Header(moduletypes::Sampler, 0).RawU32(1).RawU32(0).RawU32(5).RawI32(value); }, 0);
    add("plug-in text length" + v, [value](SongBuilder& s) {
      s.Module(ModuleRecord(moduletypes::VSTFX, "p").PluginTextLength(value).EndMarker(false));
    }, 'p');
    add("unknown chunk size" + v, [value](SongBuilder& s) { s.Header(FourCC("XTRA"), value); }, 0);
  }
  return songs;
}

TEST(AllocationBombs, ModuleWithoutEndMarkerInALargeFile) {
  const Bytes bytes = ModuleWithoutEndMarker(32 * MiB);
  const Loaded song = Load(bytes);
  EXPECT_EQ(song.errorText, "");
  ASSERT_EQ(song.loader->Modules().size(), 1u);
  EXPECT_EQ(song.loader->Modules()[0]->ChunkIndex(), -1);
  EXPECT_TRUE(song.loader->Chunks().empty());
  // The walk ends with the module: no end-of-song message.
  EXPECT_EQ(song.log.back(), " Obj: Sampler");
}

TEST(AllocationBombs, HundredThousandModulesWithEmptyData) {
  constexpr std::size_t Count = 100000;
  const Bytes bytes = EmptyModules(Count);
  const Loaded song = Load(bytes);
  ASSERT_EQ(song.loader->Modules().size(), Count);
  ASSERT_EQ(song.loader->Chunks().size(), Count);
  EXPECT_EQ(song.loader->LoadedModuleCount(), static_cast<std::int32_t>(Count));
  EXPECT_EQ(song.loader->Modules().back()->ModuleIndex(), static_cast<std::int32_t>(Count - 1));
  EXPECT_EQ(song.loader->Chunks().back().DataSize, 0);
  const Shown shown = ShowEverything(bytes.data(), bytes.size());
  EXPECT_EQ(shown.fault, "");
}

TEST(AllocationBombs, FilesOfOnlyEndMarkerBytes) {
  {
    SCOPED_TRACE("end-of-song ids");
    const Bytes bytes(8 * MiB, 0xFF);
    const Loaded song = Load(bytes);
    EXPECT_EQ(song.log, (std::vector<std::string>{"00000000 Chunk id: FFFFFFFF (" "????" "), skipping data: -1",
                                                  " Loaded Module Count: 0"}));
  }
  {
    SCOPED_TRACE("module end markers");
    const Bytes bytes = ModuleEndMarkers(4 * MiB);
    const Loaded song = Load(bytes);
    // Each marker reads as an unknown "ZMOD" chunk of 16 bytes.
    EXPECT_EQ(song.loader->Chunks().size(), bytes.size() / 24);
    EXPECT_TRUE(song.loader->Modules().empty());
    const Shown shown = ShowEverything(bytes.data(), bytes.size());
    EXPECT_EQ(shown.fault, "");
  }
}

TEST(AllocationBombs, CountFieldsOverLargeDataMakeOnlyWhatTheDataHolds) {
  for (const auto& [name, bytes] : CountFieldsOverLargeData(2 * MiB)) {
    SCOPED_TRACE(name);
    const Shown shown = ShowEverything(bytes.data(), bytes.size());
    EXPECT_EQ(shown.fault, "");
    if (name.starts_with("unknown chunk size")) {
      EXPECT_EQ(shown.outcome, kvsdump::Outcome::Failed);
    }
  }
}

#ifndef TARVO_ADDRESS_SANITIZER

// Private writable memory of this process now, in bytes.
std::size_t DataSegment() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.starts_with("VmData:")) return std::stoull(line.substr(7)) * 1024;
  return 0;
}

// Runs `work` in a child whose heap may grow by no more than 4 times
// `fileBytes` plus 64 MiB; true when it got by and `work` said so. Bounded
// by processor time, generously: a busy machine must not fail a test of
// memory.
bool WithinMemoryBound(std::size_t fileBytes, const std::function<bool()>& work) {
  const std::size_t allowed = DataSegment() + 4 * fileBytes + 64 * MiB;
  return PassesInChildWithinCpu(
      [&] {
        const rlimit limit{allowed, allowed};
        ::setrlimit(RLIMIT_DATA, &limit);
        return work();
      },
      600);
}

bool ShowsWithinMemoryBound(const Bytes& bytes) {
  return WithinMemoryBound(bytes.size(), [&bytes] {
    return ShowEverything(bytes.data(), bytes.size()).fault.empty();
  });
}

// Whatever the size and count fields say, loading and showing a file needs
// memory in proportion to the file only.
TEST(AllocationBombs, PeakMemoryStaysWithinFourTimesTheFileSize) {
  for (const HostileSong& song : HostileSongs()) {
    SCOPED_TRACE(song.name);
    EXPECT_TRUE(ShowsWithinMemoryBound(song.bytes));
  }
  // A megabyte of data behind each field: with that much, an allocation
  // by what the field says would show, and nothing else comes near.
  for (const auto& [name, bytes] : CountFieldsOverLargeData(1 * MiB)) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(ShowsWithinMemoryBound(bytes));
  }
  EXPECT_TRUE(ShowsWithinMemoryBound(ModuleWithoutEndMarker(32 * MiB)));
  EXPECT_TRUE(ShowsWithinMemoryBound(EmptyModules(100000)));
  EXPECT_TRUE(ShowsWithinMemoryBound(Bytes(8 * MiB, 0xFF)));
  EXPECT_TRUE(ShowsWithinMemoryBound(ModuleEndMarkers(1 * MiB)));
}

// Files of nothing but the smallest records of a kind: the model views the
// file's bytes and the log keeps near-identical lines in a few bytes, so
// even these stay within the bound. Large enough that one model object or
// one log line as text per record would break it.
TEST(AllocationBombs, SongsOfOnlyTheSmallestRecordsStayWithinTheBound) {
  for (const TinyRecord kind : AllTinyRecords()) {
    SCOPED_TRACE(TinyRecordName(kind));
    EXPECT_TRUE(ShowsWithinMemoryBound(TinyRecordSong(kind, 16 * MiB)));
  }
}

// kvsdump --diff holds both songs and walks their logs in step: within the
// bound of the two files together, on the songs with the most log lines
// per byte.
TEST(AllocationBombs, DiffOfTwoSongsStaysWithinTheBoundOfBoth) {
  Bytes bytes = TinyRecordSong(TinyRecord::UnknownChunks, 8 * MiB);
  const TempSongFile before(bytes);
  bytes[bytes.size() - 8] ^= 0x20;  // the last chunk's id: a few differences
  const TempSongFile after(bytes);
  const std::size_t both = 2 * bytes.size();
  Bytes().swap(bytes);
  EXPECT_TRUE(WithinMemoryBound(both, [&] {
    NullBuffer discard;
    std::ostream out(&discard);
    std::ostringstream err;
    return kvsdump::RunKvsDump({"--diff", before.Path(), after.Path()}, out, err) ==
           kvsdump::ExitDifferent;
  }));
}

#endif

}  // namespace
}  // namespace tarvo::testing
