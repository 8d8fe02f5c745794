#include <sys/stat.h>

#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "songfile/KvsLoader.h"
#include "songfile/ModuleTypes.h"
#include "tests/songfile/LoaderHarness.h"
#include "tests/support/InChild.h"
#include "songbuilder/SongBuilder.h"

namespace tarvo::testing {
namespace {

using Strings = std::vector<std::string>;

std::string Obj(std::uint32_t typeId) {
  return " Obj: " + ModuleTypeToText(static_cast<std::int32_t>(typeId));
}

TEST(LoaderWalk, EmptyFileGivesNothing) {
  const auto song = LoadSong(Bytes{});
  EXPECT_TRUE(song.messages.empty());
  EXPECT_EQ(song.errorText, "");
  EXPECT_FALSE(song.raised);
  EXPECT_EQ(song->FileVersion(), 0);
  EXPECT_TRUE(song->Modules().empty());
  EXPECT_TRUE(song->Chunks().empty());
  EXPECT_EQ(song->LoadedModuleCount(), 0);
}

TEST(LoaderWalk, FewerThanEightBytesHoldNoChunk) {
  // Seven bytes of what would be a valid version chunk header.
  const auto song = LoadSong(SongBuilder().Raw("VFhd\x04\x00\x00"));
  EXPECT_TRUE(song.messages.empty());
  EXPECT_FALSE(song.raised);
}

TEST(LoaderWalk, MinimalSong) {
  const auto song = LoadSong(MinimalSong());
  EXPECT_EQ(song.messages, (Strings{Trace(0, ids::VFhd, "VFhd", 4), " File Version: 6105",
                                    Trace(12, ids::EndOfSong, "????", 0), " Loaded Module Count: 0"}));
  EXPECT_EQ(song.errorText, "");
  EXPECT_EQ(song->FileVersion(), 0x6105);
}

// Views of a song read its bytes for as long as they live, so a loader
// never takes a second song; the refused one changes nothing. An empty file
// is a song too.
TEST(LoaderWalk, SecondLoadIsRefusedAndChangesNothing) {
  for (const Bytes& first : {MinimalSong().Build(), Bytes{}}) {
    TKvsLoader loader;
    std::string errorText;
    loader.LoadFromMemory(first.data(), first.size(), errorText);
    const Bytes second = EveryChunkSong().Build();
    EXPECT_THROW(loader.LoadFromMemory(second.data(), second.size(), errorText), std::logic_error);
    EXPECT_EQ(loader.StreamSize(), first.size());
    EXPECT_TRUE(loader.Modules().empty());
  }
}

// The whole log of a song with every chunk kind, in order: trace offsets
// before or after the payload by kind, and every finding.
TEST(LoaderWalk, EveryChunkSongLog) {
  const SongBuilder built = EveryChunkSong();
  const auto song = LoadSong(built);
  ASSERT_FALSE(song.raised);
  ASSERT_EQ(song.errorText, "");

  auto before = [&](std::uint32_t id, const char* text, std::int32_t size, std::size_t n = 0) {
    return Trace(built.Mark(id, n).offset, id, text, size);
  };
  auto after = [&](std::uint32_t id, const char* text, std::int32_t size) {
    return Trace(built.Mark(id).offset + static_cast<std::uint64_t>(size), id, text, size);
  };
  const std::int32_t globSize = static_cast<std::int32_t>(built.Mark(ids::GLOB).end - built.Mark(ids::GLOB).offset - 8);
  const Strings expected{
      before(ids::VFhd, "VFhd", 4),
      " File Version: 6105",
      before(ids::OBJS, "OBJS", 4),
      " Number of Modules: 6",
      before(ids::GLOB, "GLOB", globSize),
      " Song Info: Every chunk",
      " Song Info Url: http://example.org/",
      before(ids::CHAN, "CHAN", 2),
      before(ids::FXRN, "FXRN", 1),
      before(ids::AUIO, "AUIO", 2),
      " Audio: 2",
      " Audio File: kick.wav",
      " Audio File: snare.wav",
      before(moduletypes::Sampler, "????", 2),
      Obj(moduletypes::Sampler),
      before(0x1101, "????", 0),
      Obj(0x1101),
      before(moduletypes::VSTSynth, "????", 0),
      Obj(moduletypes::VSTSynth),
      before(moduletypes::VSTFX, "????", 0),
      Obj(moduletypes::VSTFX),
      before(moduletypes::DXSynth, "????", 0),
      Obj(moduletypes::DXSynth),
      before(moduletypes::DXFX, "????", 0),
      Obj(moduletypes::DXFX),
      after(ids::EVTS, "EVTS", 48),
      after(ids::PATC, "PATC", 32),
      after(ids::VUUU, "VUUU", 20),
      after(ids::WINP, "WINP", 44),
      after(FourCC("XTRA"), "XTRA", 5),
      before(ids::EndOfSong, "????", 0),
      " Loaded Module Count: 6",
  };
  EXPECT_EQ(song.messages, expected);
}

TEST(LoaderWalk, EveryChunkSongModel) {
  const SongBuilder built = EveryChunkSong();
  const auto song = LoadSong(built);
  const TKvsLoader& loader = *song;

  EXPECT_EQ(loader.FileVersion(), 0x6105);
  EXPECT_EQ(loader.StatedModuleCount(), 6);
  EXPECT_EQ(loader.LoadedModuleCount(), 6);
  EXPECT_FLOAT_EQ(loader.Global().Tempo(), 140.0f);
  EXPECT_EQ(loader.Global().Ppq(), 384u);
  EXPECT_EQ(loader.SongInfo(), "Every chunk");
  EXPECT_EQ(loader.SongInfoUrl(), "http://example.org/");
  EXPECT_EQ(loader.ChannelCount(), 2);
  EXPECT_EQ(loader.ReturnChannelCount(), 1);
  ASSERT_EQ(loader.Channels().size(), 3u);
  EXPECT_EQ(loader.Channels().at(2).GetName(), "Reverb Return");
  ASSERT_EQ(loader.AudioClips().size(), 2u);
  EXPECT_EQ(loader.SongEvents().size(), 3u);
  EXPECT_EQ(loader.PatternEvents().size(), 2u);
  EXPECT_EQ(loader.SendFxAssigns().size(), 2u);
  EXPECT_EQ(loader.WindowPosInfos().size(), 2u);
  EXPECT_EQ(loader.WindowCount(), 2);
  EXPECT_EQ(loader.EventDataSize(), 48);
  EXPECT_EQ(loader.PatternDataSize(), 32);
  EXPECT_EQ(loader.FXAssignDataSize(), 20);
  EXPECT_EQ(loader.WindowDataSize(), 44);

  const std::vector<std::string> names{"Piano", "Delay", "Strings", "Chorus", "Organ", "Flanger"};
  ASSERT_EQ(loader.Modules().size(), names.size());
  // Module data chunks come first in Chunks, then the unknown chunk.
  ASSERT_EQ(loader.Chunks().size(), 7u);
  for (std::size_t i = 0; i < names.size(); ++i) {
    const TKvsModule& module = *loader.Modules().at(i);
    EXPECT_EQ(module.GetName(), names[i]);
    EXPECT_EQ(module.ChunkIndex(), static_cast<std::int32_t>(i));
    EXPECT_EQ(module.ModuleIndex(), static_cast<std::int32_t>(i));
    EXPECT_EQ(loader.Chunks().at(i).ChunkId, 0);
  }
  EXPECT_EQ(loader.Chunks().at(6).ChunkId, static_cast<std::int32_t>(FourCC("XTRA")));
  EXPECT_EQ(ChunkBytes(loader.Chunks().at(6)), ToBytes("hello"));
  EXPECT_EQ(loader.StreamSize(), built.Size());
}

// Where each chunk kind writes its trace line: before its payload (offset of
// the header) or after it (header offset plus the payload consumed). The end
// trace then shows that the next header was read right behind the payload.
TEST(LoaderWalk, TraceOffsetPerChunkKind) {
  struct Case {
    const char* name;
    std::function<void(SongBuilder&)> add;
    std::uint32_t id;
    const char* idText;
    std::int32_t sizeField;
    bool traceAfterPayload;
  };
  const std::vector<Case> cases{
      {"VFhd", [](SongBuilder& s) { s.Version(0x6200, 77); }, ids::VFhd, "VFhd", 77, false},
      {"OBJS", [](SongBuilder& s) { s.Objects(3, -2); }, ids::OBJS, "OBJS", -2, false},
      {"GLOB", [](SongBuilder& s) { s.Glob(GlobChunk().SongInfo("x"), 5); }, ids::GLOB, "GLOB", 5, false},
      {"CHAN", [](SongBuilder& s) { s.Channels({ChannelEntry("A")}); }, ids::CHAN, "CHAN", 1, false},
      {"FXRN", [](SongBuilder& s) { s.ReturnChannels({ChannelEntry("A")}); }, ids::FXRN, "FXRN", 1, false},
      {"AUIO", [](SongBuilder& s) { s.AudioClips({}); }, ids::AUIO, "AUIO", 0, false},
      {"module", [](SongBuilder& s) { s.Module(ModuleRecord(0x1100).Skip({9, 9, 9})); }, 0x1100, "????", 3,
       false},
      {"EVTS", [](SongBuilder& s) { s.Events({EventRecord(), EventRecord()}, 40); }, ids::EVTS, "EVTS", 40,
       true},
      {"PATC", [](SongBuilder& s) { s.Patterns({EventRecord()}); }, ids::PATC, "PATC", 16, true},
      {"VUUU", [](SongBuilder& s) { s.SendFx(SendFxRecord(), 4); }, ids::VUUU, "VUUU", 4, true},
      {"WINP", [](SongBuilder& s) { s.Windows({WindowRecord()}, {}, 1000); }, ids::WINP, "WINP", 1000, true},
      {"unknown", [](SongBuilder& s) { s.Chunk(FourCC("abcd"), std::string_view("12345")); }, FourCC("abcd"),
       "abcd", 5, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SongBuilder built;
    built.Version(0x6105);
    c.add(built);
    built.EndOfSong();
    const ChunkMark& mark = built.Marks()[1];
    const ChunkMark& end = built.Mark(ids::EndOfSong);

    const auto song = LoadSong(built);
    ASSERT_FALSE(song.raised);
    const std::uint64_t traceOffset = c.traceAfterPayload ? end.offset - 8 : mark.offset;
    const std::string trace = Trace(traceOffset, c.id, c.idText, c.sizeField);
    const std::string endTrace = Trace(end.offset, ids::EndOfSong, "????", 0);
    ASSERT_GE(song.messages.size(), 5u);
    EXPECT_EQ(song.messages.at(2), trace);
    EXPECT_EQ(LastMessages(song, 2).at(0), endTrace);
  }
}

TEST(LoaderWalk, EventsSizeFortyYieldsTwoRecordsAndRestIsNextHeader) {
  SongBuilder built;
  built.Version(0x6105);
  // Size 40: two records, then 8 bytes that the walk reads as a header.
  built.Events({EventRecord(1, 2, 3, 4, 5), EventRecord(6, 7, 8, 9, 10)}, 40);
  const std::uint64_t hiddenHeader = built.Size();
  built.Header(FourCC("HIDE"), 0).EndOfSong();

  const auto song = LoadSong(built);
  ASSERT_EQ(song->SongEvents().size(), 2u);
  EXPECT_EQ(song->EventDataSize(), 40);
  ASSERT_EQ(song->Chunks().size(), 1u);
  EXPECT_EQ(song->Chunks().at(0).ChunkId, static_cast<std::int32_t>(FourCC("HIDE")));
  EXPECT_EQ(song.messages.at(2), Trace(hiddenHeader - 8, ids::EVTS, "EVTS", 40));
  EXPECT_EQ(song.messages.at(3), Trace(hiddenHeader, FourCC("HIDE"), "HIDE", 0));
}

TEST(LoaderWalk, SizeFieldDoesNotMoveKnownChunks) {
  SongBuilder built;
  built.Version(0x6105, 1000).Objects(4, -50).SendFx(SendFxRecord().AssignCount(1), 999).EndOfSong();
  const auto song = LoadSong(built);
  EXPECT_EQ(song->FileVersion(), 0x6105);
  EXPECT_EQ(song->StatedModuleCount(), 4);
  EXPECT_EQ(song->FXAssignDataSize(), 999);
  EXPECT_EQ(song->SendFxAssigns().size(), 1u);
  EXPECT_EQ(LastMessage(song), " Loaded Module Count: 0");
}

// Which ids are module records, of which kind, and which are unknown chunks.
TEST(LoaderWalk, ClassifiesIdsByRange) {
  struct Case {
    std::uint32_t id;
    bool module;
  };
  const std::vector<Case> cases{
      {0x00000FFF, false}, {0x00001000, true}, {0x000010FF, true}, {0x00001100, true},
      {0x0000100F, true},  {0x00FFFFFF, true}, {0x01000000, false}, {0x00000000, false},
      {FourCC("vFhd"), false}, {FourCC("Glob"), false}, {0xFFFFFFFE, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    SongBuilder built;
    built.Version(0x6105);
    if (c.module)
      built.Module(ModuleRecord(c.id));
    else
      built.Chunk(c.id, std::string_view("abcd"));
    built.EndOfSong();
    const auto song = LoadSong(built);
    ASSERT_FALSE(song.raised);
    EXPECT_EQ(song->Modules().size(), c.module ? 1u : 0u);
    ASSERT_EQ(song->Chunks().size(), 1u);
    EXPECT_EQ(song->Chunks().at(0).ChunkId, c.module ? 0 : static_cast<std::int32_t>(c.id));
    EXPECT_EQ(LastMessage(song), c.module ? " Loaded Module Count: 1" : " Loaded Module Count: 0");
  }
}

TEST(LoaderWalk, IdTextInTraceNeedsFourPrintableBytes) {
  struct Case {
    std::uint32_t id;
    const char* text;
  };
  const std::vector<Case> cases{
      {FourCC("a b~"), "a b~"},
      {0x7F414141, "AAA\x7F"},   // 127 counts as a character
      {0x80414141, "????"},      // 128 does not
      {0x1F414141, "????"},      // nor does one below 32, and the rest is not shown
      {0x00000000, "????"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    SongBuilder built;
    built.Chunk(c.id, Bytes{});
    const auto song = LoadSong(built);
    ASSERT_EQ(song.messages.size(), 1u);
    EXPECT_EQ(song.messages.at(0), Trace(0, c.id, c.text, 0));
  }
}

TEST(LoaderWalk, RepeatedChunksKeepLastScalarAndGrowLists) {
  SongBuilder built;
  built.Version(0x6105)
      .Objects(1)
      .Objects(7)
      .Events({EventRecord(0, 1, 0, 0)})
      .Events({EventRecord(0, 2, 0, 0), EventRecord(0, 3, 0, 0)})
      .Channels({ChannelEntry("one")})
      .Channels({ChannelEntry("two"), ChannelEntry("three")})
      .Version(0x6200)
      .EndOfSong();
  const auto song = LoadSong(built);
  EXPECT_EQ(song->StatedModuleCount(), 7);
  EXPECT_EQ(song->EventDataSize(), 32);
  ASSERT_EQ(song->SongEvents().size(), 3u);
  EXPECT_EQ(song->SongEvents().at(2).EventId(), 3);
  EXPECT_EQ(song->ChannelCount(), 2);
  ASSERT_EQ(song->Channels().size(), 3u);
  EXPECT_EQ(song->Channels().at(0).GetName(), "one");
  EXPECT_EQ(song->FileVersion(), 0x6200);
}

TEST(LoaderWalk, NothingIsReadAfterEndOfSong) {
  SongBuilder built;
  built.Version(0x6105).Module(ModuleRecord(0x1000)).EndOfSong(99).Objects(5).Module(ModuleRecord(0x1000));
  const auto song = LoadSong(built);
  EXPECT_EQ(song->StatedModuleCount(), 0);
  EXPECT_EQ(song->Modules().size(), 1u);
  EXPECT_EQ(song->LoadedModuleCount(), 1);
  EXPECT_EQ(LastMessage(song), " Loaded Module Count: 1");
  EXPECT_EQ(LastMessages(song, 2).at(0),
            Trace(built.Mark(ids::EndOfSong).offset, ids::EndOfSong, "????", 99));
}

TEST(LoaderWalk, WithoutEndOfSongModulesAreNotCounted) {
  SongBuilder built;
  built.Version(0x6105).Module(ModuleRecord(0x1000)).Module(ModuleRecord(0x1100));
  const auto song = LoadSong(built);
  EXPECT_EQ(song->Modules().size(), 2u);
  EXPECT_EQ(song->LoadedModuleCount(), 0);
  for (const auto& message : song.messages) EXPECT_EQ(message.find("Loaded Module Count"), std::string::npos);
}

TEST(LoaderWalk, FileWithoutVersionIsWalkedWithoutCheck) {
  SongBuilder built;
  built.Objects(2).Events({EventRecord()}).EndOfSong();
  const auto song = LoadSong(built);
  EXPECT_EQ(song.errorText, "");
  EXPECT_EQ(song->FileVersion(), 0);
  EXPECT_EQ(song->StatedModuleCount(), 2);
  EXPECT_EQ(song->SongEvents().size(), 1u);
  EXPECT_EQ(LastMessage(song), " Loaded Module Count: 0");
}

TEST(LoaderWalk, VersionGate) {
  struct Case {
    std::int32_t version;
    const char* versionText;
    bool accepted;
  };
  const std::vector<Case> cases{
      {0x60FF, "60FF", false},
      {0x6100, "6100", true},
      {0x6101, "6101", true},
      {0x7FFFFFFF, "7FFFFFFF", true},
      {-1, "FFFFFFFF", false},  // negative, so too old
      {0, "0", false},          // a stored zero is checked; only a missing chunk is not
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.versionText);
    SongBuilder built;
    built.Version(c.version).Objects(3).Events({EventRecord()}).Module(ModuleRecord(0x1000)).EndOfSong();
    const auto song = LoadSong(built);
    EXPECT_FALSE(song.raised);
    EXPECT_EQ(song->FileVersion(), c.version);
    const std::string versionLine = std::string(" File Version: ") + c.versionText;
    if (c.accepted) {
      EXPECT_EQ(song.errorText, "");
      EXPECT_EQ(song->StatedModuleCount(), 3);
      EXPECT_EQ(LastMessage(song), " Loaded Module Count: 1");
    } else {
      EXPECT_EQ(song.errorText, std::string("File version ") + c.versionText + " too old!");
      EXPECT_EQ(song.messages,
                (Strings{Trace(0, ids::VFhd, "VFhd", 4), versionLine, "File version too old to be analyzed."}));
      // Nothing after the version chunk was read.
      EXPECT_EQ(song->StatedModuleCount(), 0);
      EXPECT_TRUE(song->SongEvents().empty());
      EXPECT_TRUE(song->Modules().empty());
      EXPECT_TRUE(song->Chunks().empty());
    }
  }
}

TEST(LoaderWalk, UnknownChunkIsKeptWhole) {
  SongBuilder built;
  built.Version(0x6105).Chunk(FourCC("DATA"), ToBytes(std::string("a\0b\xff", 4))).Chunk(FourCC("NONE"), Bytes{})
      .EndOfSong();
  const auto song = LoadSong(built);
  ASSERT_EQ(song->Chunks().size(), 2u);
  const TKvsChunk& data = song->Chunks().at(0);
  EXPECT_EQ(data.ChunkId, static_cast<std::int32_t>(FourCC("DATA")));
  EXPECT_EQ(data.DataSize, 4);
  EXPECT_EQ(data.Offset, static_cast<std::int64_t>(built.Mark(FourCC("DATA")).dataOffset));
  EXPECT_EQ(ChunkBytes(data), ToBytes(std::string("a\0b\xff", 4)));
  // Size 0: empty data, and the walk goes on.
  const TKvsChunk& none = song->Chunks().at(1);
  EXPECT_EQ(none.DataSize, 0);
  EXPECT_EQ(none.Data.Size(), 0);
  EXPECT_EQ(none.Offset, static_cast<std::int64_t>(built.Mark(FourCC("NONE")).dataOffset));
  EXPECT_EQ(LastMessage(song), " Loaded Module Count: 0");
}

TEST(LoaderWalk, UnknownChunkPastTheEndRaisesStreamReadError) {
  for (const std::int32_t size : {6, -1, 0x7FFFFFFF}) {
    SCOPED_TRACE(size);
    SongBuilder built;
    built.Version(0x6105).Chunk(FourCC("GOOD"), std::string_view("ok")).Header(FourCC("LONG"), size).Raw("12345");
    const auto song = LoadSong(built);
    ASSERT_TRUE(song.raised);
    EXPECT_EQ(*song.raised, "Stream read error");
    // What came before stays; the failing chunk wrote no trace.
    EXPECT_EQ(song.messages, (Strings{Trace(0, ids::VFhd, "VFhd", 4), " File Version: 6105",
                                      Trace(12 + 2, FourCC("GOOD"), "GOOD", 2)}));
    ASSERT_EQ(song->Chunks().size(), 1u);
    EXPECT_EQ(song->FileVersion(), 0x6105);
  }
}

TEST(LoaderWalk, UnknownChunkExactlyToTheEndLoads) {
  SongBuilder built;
  built.Version(0x6105).Chunk(FourCC("LAST"), std::string_view("12345"));
  const auto song = LoadSong(built);
  EXPECT_FALSE(song.raised);
  ASSERT_EQ(song->Chunks().size(), 1u);
  EXPECT_EQ(ChunkBytes(song->Chunks().at(0)), ToBytes("12345"));
}

TEST(LoaderWalk, LoadFromFileReadsTheSameAsFromMemory) {
  const SongBuilder built = EveryChunkSong();
  const TempSongFile file(built);
  const auto fromFile = LoadSongFile(file.Path());
  const auto fromMemory = LoadSong(built);
  EXPECT_FALSE(fromFile.raised);
  EXPECT_EQ(fromFile.messages, fromMemory.messages);
  EXPECT_EQ(fromFile->StreamSize(), built.Size());
  ASSERT_EQ(fromFile->Chunks().size(), fromMemory->Chunks().size());
  EXPECT_EQ(ChunkBytes(fromFile->Chunks().at(2)), ChunkBytes(fromMemory->Chunks().at(2)));
}

TEST(LoaderWalk, MissingFileRaisesCannotOpen) {
  std::string path;
  {
    const TempSongFile file(Bytes{});
    path = file.Path();
  }  // removed here
  const auto song = LoadSongFile(path);
  ASSERT_TRUE(song.raised);
  EXPECT_EQ(*song.raised, "Cannot open file " + path);
  EXPECT_TRUE(song.messages.empty());
  EXPECT_EQ(song.errorText, "");
}

// Opening a named pipe that nobody writes to would wait for a writer.
TEST(LoaderWalk, PipeWithoutWriterRaisesCannotOpen) {
  const TempSongFile file(Bytes{});
  std::remove(file.Path().c_str());
  ASSERT_EQ(::mkfifo(file.Path().c_str(), 0600), 0);
  EXPECT_TRUE(PassesInChild([&file] {
    const auto song = LoadSongFile(file.Path());
    return song.raised && *song.raised == "Cannot open file " + file.Path() && song.messages.empty();
  }));
}

TEST(LoaderWalk, EmptyFileOnDiskGivesNothing) {
  const TempSongFile file(Bytes{});
  const auto song = LoadSongFile(file.Path());
  EXPECT_FALSE(song.raised);
  EXPECT_TRUE(song.messages.empty());
}

#ifdef TARVO_SOURCE_DIR
// The demo song in the repository must stay a clean load: regenerate it with
// makedemo when the builder changes.
TEST(LoaderWalk, DemoSongLoadsCleanly) {
  const auto song = LoadSongFile(std::string(TARVO_SOURCE_DIR) + "/examples/demo.kvs");
  ASSERT_FALSE(song.raised) << *song.raised;
  EXPECT_EQ(song.errorText, "");
  EXPECT_EQ(LastMessage(song), " Loaded Module Count: 8");
  for (const auto& message : song.messages) EXPECT_EQ(message.find("Mismatch"), std::string::npos) << message;
  ASSERT_EQ(song->Modules().size(), 8u);
  for (const auto& module : song->Modules()) {
    EXPECT_GE(module->ChunkIndex(), 0) << module->GetName();
    EXPECT_EQ(module->GetName().find("Corrupted"), std::string::npos);
  }
}
#endif

}  // namespace
}  // namespace tarvo::testing
