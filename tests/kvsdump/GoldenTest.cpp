#include "tests/kvsdump/DumpHarness.h"
#include "songbuilder/SongBuilder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

// The whole `kvsdump --json` document of one small built song, byte for
// byte, against tests/kvsdump/golden/small_song.json. After a deliberate
// change of the output, regenerate the file with
//
//   TARVO_UPDATE_GOLDEN=1 ./kvsdump_tests --gtest_filter='KvsDumpGolden.*'
//
// and review the diff before committing it. The song is written as
// "small.kvs" into a fresh temp folder, and that folder is cut from the
// document, so it does not depend on where the test runs.
namespace tarvo::kvsdump {
namespace {

using namespace tarvo::testing;

SongBuilder SmallSong() {
  GlobChunk glob;
  glob.SongFlags(0x14)
      .Tempo(120.5f)
      .Ppq(96)
      .LoopStart(0)
      .LoopEnd(384)
      .MasterVolume(100)
      .TuningTableName("Just \xE9t\xE9")
      .TuningInUse(12)
      .Signature(16)
      .PlaylistWindowPos(WindowRecord(1, 2, 3, 4, WindowFlags(true, false, false, false)))
      .ShowSongInfo(1)
      .SongInfoBytes({'S', 'm', 'a', 'l', 'l', ' ', 0xA9, ' ', 't', 'e', 's', 't', 0})
      .SongInfoUrl("http://example.org/small");
  for (std::size_t i = 0; i < 128; ++i) glob.Tuning(i, 100.0 * static_cast<double>(i) + 0.25);

  SongBuilder song;
  song.Version(0x6105)
      .Objects(2)
      .Glob(glob)
      .Channels({ChannelEntry("Master").Stereo(1).Insert1(-1).Insert2(-1).Insert3(-1).Insert4(-1)
                     .OwnerModule(-1),
                 ChannelEntry("Piano").Insert1(-1).Insert2(-1).Insert3(-1).Insert4(-1).OwnerModule(0)
                     .Extra({9, 9})})
      .AudioClips({AudioClipEntry("Kick", "C:\\Samples\\kick.wav")})
      .Module(ModuleRecord(moduletypes::Sampler, "Piano").Chans(2).Track("Piano").Data({'a', 'b', 'c'}))
      .Module(ModuleRecord(moduletypes::VSTSynth, "Strings").Program(3).ExpandedTracks(1)
                  .AudioChanPins(2).PinStereo(0, 1).PluginText("Orchestra").Tracks({"Violin", "Cello"})
                  .Data({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}))
      .Events({EventRecord(0, 0, 0, 100), EventRecord(1, 1, 96, 64, 0xDEADBEEF)})
      .Patterns({EventRecord(0, 0, 0, 1)})
      .SendFx(SendFxRecord().AssignCount(1).AssignModule(0, 1))
      .Windows({WindowRecord(10, 20, 300, 400, WindowFlags(true, false, false, false))})
      .Chunk(FourCC("XTRA"), std::string_view("hello"))
      .EndOfSong();
  return song;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The first line where the two differ, for a readable failure.
std::string FirstDifference(const std::string& actual, const std::string& expected) {
  std::istringstream a(actual);
  std::istringstream e(expected);
  std::string lineA;
  std::string lineE;
  for (int line = 1;; ++line) {
    const bool moreA = static_cast<bool>(std::getline(a, lineA));
    const bool moreE = static_cast<bool>(std::getline(e, lineE));
    if (!moreA && !moreE) return "they differ only in the final line break";
    if (!moreA || !moreE || lineA != lineE) {
      return "line " + std::to_string(line) + ":\n  got      " + (moreA ? lineA : "(end)") +
             "\n  expected " + (moreE ? lineE : "(end)");
    }
  }
}

TEST(KvsDumpGolden, SmallSongDocument) {
  std::string folder = (std::filesystem::temp_directory_path() / "kvsdump-golden-XXXXXX").string();
  ASSERT_NE(::mkdtemp(folder.data()), nullptr);
  const std::filesystem::path song = std::filesystem::path(folder) / "small.kvs";
  SmallSong().WriteToFile(song);

  const testing::DumpRun run = testing::RunDump({"--json", song.string()});
  std::filesystem::remove_all(folder);
  ASSERT_EQ(run.status, 0) << run.err;
  ASSERT_EQ(run.err, "");

  std::string document = run.out;
  const std::string prefix = folder + "/";
  for (std::size_t at = document.find(prefix); at != std::string::npos;
       at = document.find(prefix, at)) {
    document.erase(at, prefix.size());
  }

  const std::filesystem::path golden =
      std::filesystem::path(TARVO_SOURCE_DIR) / "tests/kvsdump/golden/small_song.json";
  if (const char* update = std::getenv("TARVO_UPDATE_GOLDEN"); update != nullptr && *update != '\0') {
    std::ofstream(golden, std::ios::binary | std::ios::trunc) << document;
    GTEST_SKIP() << "wrote " << golden;
  }
  const std::string expected = ReadFile(golden);
  EXPECT_TRUE(document == expected) << FirstDifference(document, expected)
                                    << "\nsee the comment at the top of " << __FILE__;
}

}  // namespace
}  // namespace tarvo::kvsdump
