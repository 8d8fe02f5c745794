#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "songbuilder/HostileSongs.h"
#include "checks/ShowEverything.h"
#include "songbuilder/SongBuilder.h"
#include "tools/kvsdump/KvsDump.h"

namespace tarvo::testing {
namespace {

using kvsdump::Outcome;

struct DumpRun {
  int status = -1;
  std::string out;
  std::string err;
};

DumpRun Dump(const std::vector<std::string>& args) {
  std::ostringstream out;
  std::ostringstream err;
  DumpRun run;
  run.status = kvsdump::RunKvsDump(args, out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

// Only a version below 0x6100 is rejected; only an unknown chunk longer
// than the data raises. Where a field moves the walk, what comes next is
// read as it falls, and may be either: then any documented outcome will do.
std::optional<Outcome> ExpectedOutcome(const HostileSong& song) {
  if (song.raises) return Outcome::Failed;
  if (song.name == "VFhd version 0x7FFFFFFF" || song.name == "VFhd version 0x7FFFFFF0") return Outcome::Loaded;
  if (song.name.starts_with("VFhd version") || song.name.starts_with("old version")) return Outcome::Rejected;
  if (song.name.starts_with("VFhd size") || song.name.starts_with("OBJS") || song.name.starts_with("VUUU size") ||
      song.name.starts_with("WINP size") || song.name.starts_with("GLOB size") || song.name.starts_with("end-of-song"))
    return Outcome::Loaded;
  return std::nullopt;
}

int ExitStatus(Outcome outcome) {
  switch (outcome) {
    case Outcome::Loaded: return kvsdump::ExitLoaded;
    case Outcome::Rejected: return kvsdump::ExitRejected;
    case Outcome::Failed: return kvsdump::ExitFailed;
  }
  return -1;
}

TEST(HostileSongs, EveryPageAndViewerShowsThem) {
  for (const HostileSong& song : HostileSongs()) {
    SCOPED_TRACE(song.name);
    const Shown shown = ShowEverything(song.bytes.data(), song.bytes.size());
    EXPECT_EQ(shown.fault, "");
    if (const std::optional<Outcome> expected = ExpectedOutcome(song)) {
      EXPECT_EQ(shown.outcome, *expected);
    }
  }
}

// Through the command line, as a user would run it: the documented exit
// status, one well-formed document, the documented error texts only.
TEST(HostileSongs, KvsdumpReportsThemAsDocumented) {
  for (const HostileSong& song : HostileSongs()) {
    SCOPED_TRACE(song.name);
    const TempSongFile file(song.bytes);
    const Outcome expected = ShowEverything(song.bytes.data(), song.bytes.size()).outcome;

    const DumpRun json = Dump({"--json", file.Path()});
    EXPECT_EQ(json.status, ExitStatus(expected));
    EXPECT_EQ(json.err, "");
    const nlohmann::json document = nlohmann::json::parse(json.out);
    const std::string error = document.at("error");
    switch (expected) {
      case Outcome::Loaded: EXPECT_EQ(error, ""); break;
      case Outcome::Rejected: EXPECT_TRUE(error.starts_with("File version ") && error.ends_with(" too old!")) << error; break;
      case Outcome::Failed: EXPECT_EQ(error, "Stream read error"); break;
    }

    const DumpRun log = Dump({file.Path()});
    EXPECT_EQ(log.status, json.status);
    EXPECT_EQ(log.err, error.empty() ? "" : error + "\n");
  }
}

// A field that only says how much data there is never moves the walk: the
// chunks after it are read as they are.
TEST(HostileSongs, UnusedSizeFieldsDoNotMoveTheWalk) {
  for (const HostileSong& song : ExtremeFieldSongs()) {
    if (!song.name.starts_with("VFhd size") && !song.name.starts_with("OBJS size") &&
        !song.name.starts_with("GLOB size") && !song.name.starts_with("VUUU size") &&
        !song.name.starts_with("WINP size") && !song.name.starts_with("CHAN entry length"))
      continue;
    SCOPED_TRACE(song.name);
    std::vector<std::string> log;
    TKvsLoader loader([&log](std::string_view message) { log.emplace_back(message); });
    std::string errorText;
    loader.LoadFromMemory(song.bytes.data(), song.bytes.size(), errorText);
    EXPECT_EQ(errorText, "");
    EXPECT_EQ(loader.SongEvents().size(), 2u);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), " Loaded Module Count: 0");
  }
}

}  // namespace
}  // namespace tarvo::testing
