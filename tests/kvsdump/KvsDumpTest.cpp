#include "tests/kvsdump/DumpHarness.h"
#include "content/pages/MainContent.h"
#include "content/viewers/ViewerContent.h"
#include "tests/support/InChild.h"
#include "songbuilder/SongBuilder.h"
#include "text/Latin1.h"
#include "tools/kvsdump/KvsDump.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace tarvo::kvsdump {
namespace {

using namespace tarvo::testing;
using testing::DumpRun;
using testing::KeysOf;
using testing::Lines;
using testing::ParseDocument;
using Json = nlohmann::ordered_json;
namespace fs = std::filesystem;

// The document names the controls of the content's designed layouts, in
// their order.
std::vector<std::string> NamesOf(const std::vector<content::Page>& pages) {
  std::vector<std::string> names;
  for (const content::Page& page : pages)
    for (const content::Control& control : page.controls) names.push_back(control.name);
  return names;
}

std::vector<std::string> MainKeys() {
  std::vector<content::Page> pages;
  for (content::MainTab& tab : content::MainWindowDesigned()) pages.push_back(std::move(tab.page));
  return NamesOf(pages);
}

SongBuilder RejectedSong() {
  SongBuilder song;
  song.Version(0x6000).Objects(1).EndOfSong();
  return song;
}

// An unknown chunk that says it is longer than the file: the loader raises
// "Stream read error" after it has written messages.
SongBuilder BrokenOffSong() {
  SongBuilder song;
  song.Version(0x6105).Objects(0).Chunk(FourCC("XTRA"), std::string_view("abc"), 100);
  return song;
}

Json DumpJson(const std::string& path, int expectedStatus) {
  const DumpRun run = testing::RunDump({"--json", path});
  EXPECT_EQ(run.status, expectedStatus) << run.err;
  EXPECT_EQ(run.err, "");
  return ParseDocument(run.out);
}

// ---------------------------------------------------------------------------
// Arguments

TEST(KvsDumpArguments, UsageErrorsExit64WithUsageOnStandardError) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{}, {"--json"}, {"--bogus", "song.kvs"}, {"a.kvs", "b.kvs"},
        {"-x"}}) {
    const DumpRun run = testing::RunDump(args);
    EXPECT_EQ(run.status, ExitUsage) << ::testing::PrintToString(args);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("Usage: kvsdump [--json] FILE\n"), std::string::npos) << run.err;
  }
}

TEST(KvsDumpArguments, HelpGoesToStandardOutput) {
  for (const char* help : {"--help", "-h"}) {
    const DumpRun run = testing::RunDump({help});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_NE(run.out.find("Usage: kvsdump [--json] FILE\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("--json"), std::string::npos);
  }
}

// ---------------------------------------------------------------------------
// Log mode

TEST(KvsDumpLog, LoadedSongPrintsEveryMessageAndExits0) {
  const TempSongFile file(EveryChunkSong());
  const DumpRun run = testing::RunDump({file.Path()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  ASSERT_FALSE(run.out.empty());
  EXPECT_EQ(run.out.back(), '\n');
  const std::vector<std::string> lines = Lines(run.out);
  EXPECT_EQ(lines.front(), "00000000 Chunk id: 64684656 (VFhd), skipping data: 4");
  EXPECT_EQ(lines[1], " File Version: 6105");

  // The same messages as the JSON log, in the same order.
  const Json document = DumpJson(file.Path(), 0);
  EXPECT_EQ(document["log"].get<std::vector<std::string>>(), lines);
}

TEST(KvsDumpLog, RejectedSongKeepsItsMessagesAndExits2) {
  const TempSongFile file(RejectedSong());
  const DumpRun run = testing::RunDump({file.Path()});
  EXPECT_EQ(run.status, ExitRejected);
  EXPECT_EQ(run.out,
            "00000000 Chunk id: 64684656 (VFhd), skipping data: 4\n"
            " File Version: 6000\n"
            "File version too old to be analyzed.\n");
  EXPECT_EQ(run.err, "File version 6000 too old!\n");
}

TEST(KvsDumpLog, MissingFileExits1WithTheOpenError) {
  const std::string path = "/nonexistent-folder/song.kvs";
  const DumpRun run = testing::RunDump({path});
  EXPECT_EQ(run.status, ExitFailed);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "Cannot open file " + path + "\n");
}

TEST(KvsDumpLog, PipeWithoutWriterExits1AtOnce) {
  const TempSongFile file(Bytes{});
  std::remove(file.Path().c_str());
  ASSERT_EQ(::mkfifo(file.Path().c_str(), 0600), 0);
  EXPECT_TRUE(PassesInChild([&file] {
    const DumpRun run = testing::RunDump({file.Path()});
    return run.status == ExitFailed && run.out.empty() && run.err == "Cannot open file " + file.Path() + "\n";
  }));
}

// What is no regular file is never opened (opening some devices has
// effects): a link named .kvs to a node of our own, watched for opens.
TEST(KvsDumpLog, WhatIsNoRegularFileIsNeverOpened) {
  const fs::path folder = fs::temp_directory_path() / ("kvsdump-node-" + std::to_string(::getpid()));
  fs::create_directory(folder);
  const fs::path node = folder / "null";
  // The null device where this process may make one, else a named pipe.
  if (::mknod(node.c_str(), S_IFCHR | 0600, ::makedev(1, 3)) != 0) {
    ASSERT_EQ(::mkfifo(node.c_str(), 0600), 0);
  }
  const fs::path link = folder / "device.kvs";
  fs::create_symlink(node, link);
  const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(::inotify_add_watch(watch, node.c_str(), IN_OPEN), 0);
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {link.string()}, {"--map", link.string()}, {"--census", link.string()}}) {
    const DumpRun run = testing::RunDump(args);
    EXPECT_EQ(run.status, ExitFailed);
    EXPECT_NE((run.out + run.err).find("Cannot open file " + link.string()), std::string::npos) << run.out << run.err;
  }
  char events[4096];
  EXPECT_LT(::read(watch, events, sizeof events), 0) << "the node was opened";
  ::close(watch);
  fs::remove_all(folder);
}

TEST(KvsDumpLog, MessagesBeforeARaisedErrorStayPrinted) {
  const TempSongFile file(BrokenOffSong());
  const DumpRun run = testing::RunDump({file.Path()});
  EXPECT_EQ(run.status, ExitFailed);
  EXPECT_EQ(run.err, "Stream read error\n");
  EXPECT_EQ(run.out,
            "00000000 Chunk id: 64684656 (VFhd), skipping data: 4\n"
            " File Version: 6105\n"
            "0000000C Chunk id: 534A424F (OBJS), skipping data: 4\n"
            " Number of Modules: 0\n");
}

TEST(KvsDumpLog, Latin1BytesComeOutAsUtf8) {
  GlobChunk glob;
  glob.SongInfoBytes({'C', 'a', 'f', 0xE9, 0}).SongInfoUrl("http://x/");
  SongBuilder song;
  song.Version(0x6105).Glob(glob).EndOfSong();
  const TempSongFile file(song);
  const DumpRun run = testing::RunDump({file.Path()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("\n Song Info: Caf\xC3\xA9\n"), std::string::npos) << run.out;
}

// No song text can retitle or colour the terminal or split a message; the
// JSON log keeps the text as it is.
TEST(KvsDumpLog, ControlCharactersAreWrittenAsHexEscapes) {
  const std::string info("\x1B]0;t\x07\x1B[31mr\r\nn\x7F\x9B\x9F\t\xA0\xE9", 21);
  GlobChunk glob;
  glob.SongInfo(info).SongInfoUrl("u");
  SongBuilder song;
  song.Version(0x6105).Glob(glob).EndOfSong();
  const TempSongFile file(song);
  const DumpRun run = testing::RunDump({file.Path()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("\n Song Info: \\x1B]0;t\\x07\\x1B[31mr\\x0D\\x0An\\x7F\\x9B\\x9F\t\xC2\xA0\xC3\xA9\n"),
            std::string::npos)
      << run.out;
  const auto log = DumpJson(file.Path(), 0)["log"].get<std::vector<std::string>>();
  EXPECT_NE(std::find(log.begin(), log.end(), " Song Info: " + Latin1ToUtf8(info)), log.end());

  const DumpRun missing = testing::RunDump({"/nonexistent/\x1B[2J\xC2\x9B.kvs"});
  EXPECT_EQ(missing.err, "Cannot open file /nonexistent/\\x1B[2J\\x9B.kvs\n");
}

// A full disk or a closed output must not pass for a complete dump.
TEST(KvsDumpLog, OutputThatCannotBeWrittenIsAnError) {
  const TempSongFile file(EveryChunkSong());
  const std::vector<std::vector<std::string>> runs = {{file.Path()}, {"--json", file.Path()}, {"--help"}, {"--version"}};
  for (const std::vector<std::string>& args : runs) {
    SCOPED_TRACE(args.front());
    std::ostream broken(nullptr);
    std::ostringstream err;
    EXPECT_EQ(RunKvsDump(args, broken, err), ExitOutputError);
    EXPECT_EQ(err.str(), "kvsdump: cannot write the output\n");
  }
}

// ---------------------------------------------------------------------------
// JSON document

TEST(KvsDumpJson, LoadedSongShowsEveryControlInOrder) {
  const TempSongFile file(EveryChunkSong());
  const Json document = DumpJson(file.Path(), 0);

  EXPECT_EQ(KeysOf(document), (std::vector<std::string>{"file", "caption", "outcome", "error", "log",
                                                        "main", "modules", "chunks"}));
  EXPECT_EQ(document["file"], file.Path());
  EXPECT_EQ(document["caption"],
            "Tarvo Analyzer - " + std::filesystem::path(file.Path()).filename().string());
  EXPECT_EQ(document["outcome"], "loaded");
  EXPECT_EQ(document["error"], "");

  const Json& main = document["main"];
  EXPECT_EQ(KeysOf(main), MainKeys());
  EXPECT_EQ(main["LoaderMessages"], document["log"]);
  EXPECT_EQ(main["Pages"], "Global");
  EXPECT_EQ(main["PagesGlobal"], "Song Settings");
  EXPECT_EQ(main["LstModules"].size(), 6u);

  ASSERT_EQ(document["modules"].size(), 6u);
  const std::vector<std::string> moduleKeys = NamesOf({content::ModuleViewerDesigned()});
  for (const Json& module : document["modules"]) EXPECT_EQ(KeysOf(module), moduleKeys);
  EXPECT_EQ(document["modules"][2]["Pages"], "VSTSynth");
  ASSERT_EQ(document["chunks"].size(), main["LstChunks"].size());
  ASSERT_FALSE(document["chunks"].empty());
  const std::vector<std::string> chunkKeys = NamesOf({content::DataViewerDesigned()});
  for (const Json& chunk : document["chunks"]) EXPECT_EQ(KeysOf(chunk), chunkKeys);
}

TEST(KvsDumpJson, SongEventsShowTheFirstDataSet) {
  std::vector<EventRecord> events;
  for (int i = 0; i < 3001; ++i) events.emplace_back(0, 0, i, i);
  SongBuilder song;
  song.Version(0x6105).Events(events).EndOfSong();
  const TempSongFile file(song);
  const Json document = DumpJson(file.Path(), 0);
  const Json& main = document["main"];
  EXPECT_EQ(main["LstSongEvents"].size(), 3000u);
  EXPECT_EQ(main["CbxSongEventDataSet"]["items"].size(), 2u);
  EXPECT_EQ(main["CbxSongEventDataSet"]["selected"], 0);
}

// After a load that did not succeed every page shows what clearing left:
// only the log and the fresh window's active pages have content.
void ExpectClearedMainWindow(const Json& document) {
  const Json& main = document["main"];
  EXPECT_EQ(KeysOf(main), MainKeys());
  for (const auto& [name, value] : main.items()) {
    if (name == "Pages") {
      EXPECT_EQ(value, "Global");
    } else if (name == "PagesGlobal") {
      EXPECT_EQ(value, "Song Settings");
    } else if (name == "LoaderMessages") {
      EXPECT_EQ(value, document["log"]);
    } else if (name == "CbxSongEventDataSet") {
      EXPECT_EQ(value.dump(), R"({"items":[],"selected":-1})");
    } else if (value.is_string()) {
      EXPECT_EQ(value, "") << name;
    } else if (value.is_boolean()) {
      EXPECT_EQ(value, false) << name;
    } else {
      EXPECT_TRUE(value.is_array() && value.empty()) << name << ": " << value.dump();
    }
  }
  EXPECT_EQ(document["caption"], "Tarvo Analyzer");
  EXPECT_EQ(document["modules"], Json::array());
  EXPECT_EQ(document["chunks"], Json::array());
}

TEST(KvsDumpJson, RejectedSongShowsClearedPages) {
  const TempSongFile file(RejectedSong());
  const Json document = DumpJson(file.Path(), ExitRejected);
  EXPECT_EQ(document["outcome"], "rejected");
  EXPECT_EQ(document["error"], "File version 6000 too old!");
  EXPECT_EQ(document["log"].back(), "File version too old to be analyzed.");
  ExpectClearedMainWindow(document);
}

TEST(KvsDumpJson, FailedLoadShowsClearedPagesAndItsLog) {
  const TempSongFile file(BrokenOffSong());
  const Json document = DumpJson(file.Path(), ExitFailed);
  EXPECT_EQ(document["outcome"], "failed");
  EXPECT_EQ(document["error"], "Stream read error");
  EXPECT_EQ(document["log"].size(), 4u);
  ExpectClearedMainWindow(document);

  const Json missing = DumpJson("/nonexistent-folder/song.kvs", ExitFailed);
  EXPECT_EQ(missing["error"], "Cannot open file /nonexistent-folder/song.kvs");
  EXPECT_EQ(missing["log"], Json::array());
  ExpectClearedMainWindow(missing);
}

// A file name that is not UTF-8 still gives a valid document; its bytes
// read as ISO-8859-1.
TEST(KvsDumpJson, FileNameThatIsNotUtf8) {
  const TempSongFile source(MinimalSong());
  const std::string path = source.Path() + "-caf\xE9.kvs";
  std::filesystem::copy_file(source.Path(), path);
  const DumpRun run = testing::RunDump({"--json", path});
  std::filesystem::remove(path);
  ASSERT_EQ(run.status, 0) << run.err;
  const Json document = ParseDocument(run.out);
  EXPECT_EQ(document["file"], source.Path() + "-caf\xC3\xA9.kvs");
  EXPECT_EQ(document["caption"],
            "Tarvo Analyzer - " + std::filesystem::path(source.Path()).filename().string() +
                "-caf\xC3\xA9.kvs");

  const DumpRun missing = testing::RunDump({"--json", "/nonexistent/caf\xE9.kvs"});
  EXPECT_EQ(missing.status, ExitFailed);
  EXPECT_EQ(ParseDocument(missing.out)["error"], "Cannot open file /nonexistent/caf\xC3\xA9.kvs");
}

// A row carries the cells it has: an audio clip whose file exists has no
// "File missing!" cell, so its row is one cell shorter than the list.
TEST(KvsDumpJson, RowsAreNeverPadded) {
  const TempSongFile existing(MinimalSong());
  SongBuilder song;
  song.Version(0x6105)
      .AudioClips({AudioClipEntry("Here", existing.Path()),
                   AudioClipEntry("Gone", "/nonexistent-folder/gone.wav")})
      .EndOfSong();
  const TempSongFile file(song);
  const Json document = DumpJson(file.Path(), 0);
  const Json& clips = document["main"]["LstAudioClips"];
  ASSERT_EQ(clips.size(), 2u);
  EXPECT_EQ(clips[0], Json::array({"0", "Here", existing.Path()}));
  EXPECT_EQ(clips[1], Json::array({"1", "Gone", "/nonexistent-folder/gone.wav", "File missing!"}));
}

}  // namespace
}  // namespace tarvo::kvsdump
