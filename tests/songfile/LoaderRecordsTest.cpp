#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "songfile/KvsLoader.h"
#include "tests/songfile/LoaderHarness.h"
#include "songbuilder/SongBuilder.h"

namespace tarvo::testing {
namespace {

using Strings = std::vector<std::string>;

// The messages of a song after its version chunk's two lines.
Strings MessagesAfterVersion(const LoadedSong& song) {
  if (song.messages.size() < 2) return {};
  return Strings(song.messages.begin() + 2, song.messages.end());
}

TEST(LoaderRecords, EventFieldsAndLists) {
  SongBuilder built;
  built.Version(0x6105)
      .Events({EventRecord(0xFFFF, 0x1234, -96, -7, 0xDEADBEEF), EventRecord(3, 4, 5, 6, 7)})
      .Patterns({EventRecord(1, 0, 384, 12)})
      .EndOfSong();
  const auto song = LoadSong(built);
  ASSERT_EQ(song->SongEvents().size(), 2u);
  const TKvsEvent& event = song->SongEvents().at(0);
  EXPECT_EQ(event.ModuleIndex(), 0xFFFF);
  EXPECT_EQ(event.EventId(), 0x1234);
  EXPECT_EQ(event.TickTime(), -96);
  EXPECT_EQ(event.Data(), -7);
  EXPECT_EQ(event.Extra(), 0xDEADBEEFu);
  EXPECT_EQ(song->SongEvents().at(1).Extra(), 7u);
  ASSERT_EQ(song->PatternEvents().size(), 1u);
  EXPECT_EQ(song->PatternEvents().at(0).Data(), 12);
  EXPECT_EQ(song->PatternDataSize(), 16);
}

TEST(LoaderRecords, EventSizesBelowSixteenGiveNoRecords) {
  for (const std::int32_t size : {0, 15, -16, -1}) {
    SCOPED_TRACE(size);
    SongBuilder built;
    built.Version(0x6105).Events({}, size).Patterns({}, size).EndOfSong();
    const auto song = LoadSong(built);
    EXPECT_TRUE(song->SongEvents().empty());
    EXPECT_TRUE(song->PatternEvents().empty());
    EXPECT_EQ(song->EventDataSize(), size);
    EXPECT_EQ(song->PatternDataSize(), size);
    EXPECT_EQ(LastMessage(song), " Loaded Module Count: 0");
  }
}

TEST(LoaderRecords, SendFxAssignCountMakesThatManyCopies) {
  for (const int count : {0, 1, 3, 8}) {
    SCOPED_TRACE(count);
    SongBuilder built;
    const SendFxRecord record = SendFxRecord()
                                    .AssignCount(static_cast<std::uint8_t>(count))
                                    .AssignModule(0, 4)
                                    .AssignModule(1, -1)
                                    .AssignModule(7, 300)
                                    .PutU8(0, 0xAB);
    built.Version(0x6105).SendFx(record).EndOfSong();
    const auto song = LoadSong(built);
    ASSERT_EQ(song->SendFxAssigns().size(), static_cast<std::size_t>(count));
    for (const TKvsSendFxAssign& assign : song->SendFxAssigns()) {
      EXPECT_EQ(Bytes(assign.Record(), assign.Record() + TKvsSendFxAssign::RecordSize), record.bytes());
      EXPECT_EQ(assign.AssignModule(1), -1);
      EXPECT_EQ(assign.AssignModule(7), 300);
    }
  }
}

TEST(LoaderRecords, WindowStates) {
  SongBuilder built;
  built.Version(0x6105)
      .Windows({WindowRecord(-5, 10, 800, 600, WindowFlags(true, false, false, true)), WindowRecord(1, 2, 3, 4)})
      .EndOfSong();
  const auto song = LoadSong(built);
  EXPECT_EQ(song->WindowCount(), 2);
  EXPECT_EQ(song->WindowDataSize(), 44);
  ASSERT_EQ(song->WindowPosInfos().size(), 2u);
  const TKvsWindowPosInfo& window = song->WindowPosInfos().at(0);
  EXPECT_EQ(window.Left(), -5);
  EXPECT_EQ(window.Top(), 10);
  EXPECT_EQ(window.Right(), 800);
  EXPECT_EQ(window.Bottom(), 600);
  EXPECT_EQ(window.Flags(), 0x01000001u);
  EXPECT_EQ(song->WindowPosInfos().at(1).Bottom(), 4);
}

TEST(LoaderRecords, NegativeWindowCountGivesNone) {
  SongBuilder built;
  built.Version(0x6105).Windows({}, -3).EndOfSong();
  const auto song = LoadSong(built);
  EXPECT_EQ(song->WindowCount(), -3);
  EXPECT_TRUE(song->WindowPosInfos().empty());
  EXPECT_EQ(LastMessage(song), " Loaded Module Count: 0");
}

TEST(LoaderRecords, GlobalSettingsFieldsAndHeader) {
  GlobChunk glob;
  glob.SongFlags(0x0255)
      .PlSnap(1).PlHilite(2).PlSnapToGrid(3).PlZoomX(4).PlZoomY(5).PlFlags(0x13).PlPosX(7).PlPosY(8)
      .Tempo(140.5f)
      .Ppq(384)
      .LoopStart(-2)
      .LoopEnd(1536)
      .MasterVolume(256)
      .PlaylistWindowPos(WindowRecord(11, 12, 13, 14, 0x01))
      .ClipMode(2)
      .MasterWindowPos(WindowRecord(21, 22, 23, 24, 0x0100))
      .SongLength(9000)
      .TuningTableNumber(3)
      .RootKey(11)
      .Tuning(0, -1.5)
      .Tuning(127, 12700.25)
      .TuningTableName("Just")
      .TuningInUse(64)
      .Signature(16)
      // The discarded bytes must not be taken for the song info header.
      .Discarded({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})
      .ShowSongInfo(1)
      .SongInfo("Info")
      .SongInfoUrl("http://x.y/");
  SongBuilder built;
  built.Version(0x6105).Glob(glob).EndOfSong();
  const auto song = LoadSong(built);
  const TKvsGlobal& global = song->Global();
  EXPECT_EQ(global.SongFlags(), 0x0255u);
  EXPECT_EQ(global.PlSnap(), 1);
  EXPECT_EQ(global.PlHilite(), 2);
  EXPECT_EQ(global.PlSnapToGrid(), 3);
  EXPECT_EQ(global.PlZoomX(), 4);
  EXPECT_EQ(global.PlZoomY(), 5);
  EXPECT_EQ(global.PlFlags(), 0x13);
  EXPECT_EQ(global.PlPosX(), 7);
  EXPECT_EQ(global.PlPosY(), 8);
  EXPECT_FLOAT_EQ(global.Tempo(), 140.5f);
  EXPECT_EQ(global.Ppq(), 384u);
  EXPECT_EQ(global.LoopStart(), -2);
  EXPECT_EQ(global.LoopEnd(), 1536);
  EXPECT_EQ(global.MasterVolume(), 256);
  EXPECT_EQ(global.PlaylistWindowPos().Left(), 11);
  EXPECT_EQ(global.PlaylistWindowPos().Flags(), 0x01u);
  EXPECT_EQ(global.ClipMode(), 2);
  EXPECT_EQ(global.MasterWindowPos().Bottom(), 24);
  EXPECT_EQ(global.MasterWindowPos().Flags(), 0x0100u);
  EXPECT_EQ(&global.MasterWindowPos(), &global.MasterWindowPos());
  EXPECT_EQ(global.SongLength(), 9000);
  EXPECT_EQ(global.TuningTableNumber(), 3);
  EXPECT_EQ(global.RootKey(), 11);
  EXPECT_DOUBLE_EQ(global.Tuning(0), -1.5);
  EXPECT_DOUBLE_EQ(global.Tuning(127), 12700.25);
  EXPECT_EQ(global.TuningTableName(), "Just");
  EXPECT_EQ(global.TuningInUse(), 64);
  EXPECT_EQ(global.Signature(), 16);
  EXPECT_EQ(global.ShowSongInfo(), 1u);
  EXPECT_EQ(global.SongInfoLength(), 5);
  EXPECT_EQ(global.SongInfoUrlLength(), 12);
  EXPECT_EQ(song->SongInfoLength(), 5);
  EXPECT_EQ(song->SongInfoUrlLength(), 12);
  EXPECT_EQ(song->SongInfo(), "Info");
  EXPECT_EQ(song->SongInfoUrl(), "http://x.y/");
  EXPECT_EQ(MessagesAfterVersion(song),
            (Strings{Trace(12, ids::GLOB, "GLOB", static_cast<std::int32_t>(built.Mark(ids::GLOB).dataSize)),
                     " Song Info: Info", " Song Info Url: http://x.y/",
                     Trace(built.Mark(ids::EndOfSong).offset, ids::EndOfSong, "????", 0),
                     " Loaded Module Count: 0"}));
}

TEST(LoaderRecords, TuningTableNameWithoutZeroHasAll128Characters) {
  const std::string name(128, 'T');
  SongBuilder built;
  built.Version(0x6105).Glob(GlobChunk().TuningTableName(name).TuningInUse(-1)).EndOfSong();
  const auto song = LoadSong(built);
  EXPECT_EQ(song->Global().TuningTableName(), name);
  EXPECT_EQ(song->Global().TuningInUse(), -1);
}

// The texts are 8-bit bytes, kept as stored, and end at their first zero.
TEST(LoaderRecords, GlobTexts) {
  struct Case {
    const char* name;
    Bytes info;
    Bytes url;
    std::string expectedInfo;
    std::string expectedUrl;
  };
  const std::vector<Case> cases{
      {"empty", {}, {}, "", ""},
      {"latin1 and line breaks", ZeroTerminated("Caf\xE9\r\nzweite Zeile"), ZeroTerminated("http://\xFC.de"),
       "Caf\xE9\r\nzweite Zeile", "http://\xFC.de"},
      {"ends at first zero", ToBytes(std::string("ab\0cd", 5)), ToBytes("url"), "ab", "url"},
      {"no zero at all", ToBytes("plain"), ToBytes("url"), "plain", "url"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SongBuilder built;
    built.Version(0x6105).Glob(GlobChunk().SongInfoBytes(c.info).SongInfoUrlBytes(c.url)).EndOfSong();
    const auto song = LoadSong(built);
    EXPECT_EQ(song->SongInfo(), c.expectedInfo);
    EXPECT_EQ(song->SongInfoUrl(), c.expectedUrl);
    ASSERT_GE(song.messages.size(), 5u);
    EXPECT_EQ(song.messages.at(3), " Song Info: " + c.expectedInfo);
    EXPECT_EQ(song.messages.at(4), " Song Info Url: " + c.expectedUrl);
    // The walk went on right behind the texts.
    EXPECT_EQ(LastMessage(song), " Loaded Module Count: 0");
  }
}

// A stored length of 1 consumes its one byte; the text is that byte unless
// it is zero.
TEST(LoaderRecords, GlobTextOfLengthOne) {
  struct Case {
    std::uint8_t infoByte;
    std::uint8_t urlByte;
    std::string info;
    std::string url;
  };
  const std::vector<Case> cases{{'A', 'B', "A", "B"}, {0, 0, "", ""}, {0xE9, 0, "\xE9", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.info);
    SongBuilder built;
    built.Version(0x6105)
        .Glob(GlobChunk().SongInfoBytes({c.infoByte}).SongInfoUrlBytes({c.urlByte}))
        .Objects(9)
        .EndOfSong();
    const auto song = LoadSong(built);
    EXPECT_EQ(song->SongInfoLength(), 1);
    EXPECT_EQ(song->SongInfo(), c.info);
    EXPECT_EQ(song->SongInfoUrl(), c.url);
    EXPECT_EQ(song->StatedModuleCount(), 9);
    EXPECT_EQ(LastMessage(song), " Loaded Module Count: 0");
  }
}

TEST(LoaderRecords, ChannelEntryFields) {
  SongBuilder built;
  built.Version(0x6105)
      .Channels({ChannelEntry("Lead Synth")
                     .Insert1(3)
                     .Insert2(-1)
                     .Insert3(0x7FFFFFFF)
                     .Insert4(-100)
                     .Flags(0x0F)
                     .Stereo(1)
                     .OwnerModule(-2)})
      .ReturnChannels({ChannelEntry("Return 1").OwnerModule(300)})
      .EndOfSong();
  const auto song = LoadSong(built);
  EXPECT_EQ(song->ChannelCount(), 1);
  EXPECT_EQ(song->ReturnChannelCount(), 1);
  ASSERT_EQ(song->Channels().size(), 2u);
  const TKvsChannel& channel = song->Channels().at(0);
  EXPECT_EQ(channel.GetName(), "Lead Synth");
  EXPECT_EQ(channel.Insert1(), 3);
  EXPECT_EQ(channel.Insert2(), -1);
  EXPECT_EQ(channel.Insert3(), 0x7FFFFFFF);
  EXPECT_EQ(channel.Insert4(), -100);
  EXPECT_EQ(channel.Flags(), 0x0Fu);
  EXPECT_EQ(channel.Stereo(), 1);
  EXPECT_EQ(channel.OwnerModule(), -2);
  EXPECT_EQ(song->Channels().at(1).GetName(), "Return 1");
  EXPECT_EQ(song->Channels().at(1).OwnerModule(), 300);
}

// Valid entries with extra bytes, entries with a wrong tag (8 bytes only),
// and a 24-character name, mixed in one chunk: every entry must start where
// the last one ended.
TEST(LoaderRecords, ChannelEntriesConsumeTheirOwnBytes) {
  const std::string longName(24, 'N');
  SongBuilder built;
  built.Version(0x6105)
      .Channels({ChannelEntry("first").Extra(Bytes(12, 0xCC)),  // 96 bytes
                 ChannelEntry::BadTag(2005, 68),                // 8 bytes
                 ChannelEntry(longName).Insert1(5),
                 ChannelEntry::BadTag(0),
                 ChannelEntry("last").ExtraLength(0)})
      .EndOfSong();
  const auto song = LoadSong(built);
  ASSERT_EQ(song->Channels().size(), 5u);
  EXPECT_EQ(song->Channels().at(0).GetName(), "first");
  EXPECT_EQ(song->Channels().at(1).GetName(), "Chan Info Corrupted!");
  EXPECT_EQ(song->Channels().at(2).GetName(), longName);
  EXPECT_EQ(song->Channels().at(2).Insert1(), 5);
  EXPECT_EQ(song->Channels().at(3).GetName(), "Chan Info Corrupted!");
  EXPECT_EQ(song->Channels().at(4).GetName(), "last");
  EXPECT_EQ(LastMessage(song), " Loaded Module Count: 0");

  // A corrupted entry's record is zero apart from its name.
  const TKvsChannel& bad = song->Channels().at(1);
  std::array<std::uint8_t, 68> expected{};
  const std::string corrupted = "Chan Info Corrupted!";
  std::copy(corrupted.begin(), corrupted.end(), expected.begin());
  EXPECT_EQ(Bytes(bad.Record(), bad.Record() + TKvsChannel::RecordSize), Bytes(expected.begin(), expected.end()));
}

TEST(LoaderRecords, ChannelCountZeroOrNegativeGivesNone) {
  for (const std::int32_t count : {0, -1, -2004}) {
    SCOPED_TRACE(count);
    SongBuilder built;
    built.Version(0x6105).Channels({}, count).ReturnChannels({}, count).EndOfSong();
    const auto song = LoadSong(built);
    EXPECT_EQ(song->ChannelCount(), count);
    EXPECT_EQ(song->ReturnChannelCount(), count);
    EXPECT_TRUE(song->Channels().empty());
    EXPECT_EQ(LastMessage(song), " Loaded Module Count: 0");
  }
}

TEST(LoaderRecords, AudioClips) {
  AudioClipEntry first("Kick", "C:\\Samples\\kick.wav");
  first.PutU32(0, 0x11223344).PutU8(103, 0x55);
  SongBuilder built;
  built.Version(0x6105)
      .AudioClips({first, AudioClipEntry("Loop \xE4", "").FileNameBytes(ToBytes(std::string("loop.wav\0junk", 13))),
                   AudioClipEntry(std::string(20, 'C'), "x")})
      .EndOfSong();
  const auto song = LoadSong(built);
  EXPECT_EQ(MessagesAfterVersion(song),
            (Strings{Trace(12, ids::AUIO, "AUIO", 3), " Audio: 3", " Audio File: C:\\Samples\\kick.wav",
                     " Audio File: loop.wav", " Audio File: x",
                     Trace(built.Mark(ids::EndOfSong).offset, ids::EndOfSong, "????", 0),
                     " Loaded Module Count: 0"}));
  ASSERT_EQ(song->AudioClips().size(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(song->AudioClips().at(i).Index, i);
  const TKvsAudioClip& kick = song->AudioClips().at(0);
  EXPECT_EQ(kick.GetName(), "Kick");
  EXPECT_EQ(kick.FileName, "C:\\Samples\\kick.wav");
  EXPECT_EQ(Bytes(kick.Info.begin(), kick.Info.end()), first.bytes());
  EXPECT_EQ(song->AudioClips().at(1).GetName(), "Loop \xE4");
  EXPECT_EQ(song->AudioClips().at(1).FileName, "loop.wav");
  EXPECT_EQ(song->AudioClips().at(2).GetName(), std::string(20, 'C'));
}

TEST(LoaderRecords, AudioCountZeroOrNegativeWritesOnlyTheCount) {
  for (const std::int32_t count : {0, -2}) {
    SCOPED_TRACE(count);
    SongBuilder built;
    built.Version(0x6105).AudioClips({}, count).EndOfSong();
    const auto song = LoadSong(built);
    EXPECT_TRUE(song->AudioClips().empty());
    EXPECT_EQ(MessagesAfterVersion(song),
              (Strings{Trace(12, ids::AUIO, "AUIO", count), " Audio: " + std::to_string(count),
                       Trace(20, ids::EndOfSong, "????", 0), " Loaded Module Count: 0"}));
  }
}

}  // namespace
}  // namespace tarvo::testing
