#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "songfile/KvsLoader.h"
#include "songfile/KvsModules.h"
#include "songfile/ModuleTypes.h"
#include "tests/songfile/LoaderHarness.h"
#include "songbuilder/SongBuilder.h"

namespace tarvo::testing {
namespace {

using Strings = std::vector<std::string>;

Bytes Prefix(const Bytes& bytes, std::size_t n) { return Bytes(bytes.begin(), bytes.begin() + static_cast<long>(n)); }

bool Contains(const Strings& messages, const std::string& message) {
  return std::find(messages.begin(), messages.end(), message) != messages.end();
}

// Counted records at the end of the data: a record whose first byte is there
// is made from the bytes there, the rest zero; the next one is not made.
TEST(LoaderRobustness, CountedRecordsNeverComeFromNothing) {
  struct Case {
    const char* name;
    std::function<void(SongBuilder&)> add;
    std::function<void(const LoadedSong&)> check;
  };
  const std::vector<Case> cases{
      {"song events",
       [](SongBuilder& s) {
         const Bytes second = EventRecord(0x0102, 0x0304, 7, 8, 9).bytes();
         s.Header(ids::EVTS, 64).Raw(EventRecord(1, 2, 3, 4, 5).bytes()).Raw(Prefix(second, 4));
       },
       [](const LoadedSong& song) {
         ASSERT_EQ(song->SongEvents().size(), 2u);
         EXPECT_EQ(song->SongEvents().at(1).ModuleIndex(), 0x0102);
         EXPECT_EQ(song->SongEvents().at(1).EventId(), 0x0304);
         EXPECT_EQ(song->SongEvents().at(1).TickTime(), 0);
         EXPECT_EQ(song->SongEvents().at(1).Extra(), 0u);
         EXPECT_EQ(song->EventDataSize(), 64);
       }},
      {"song events ending on a record boundary",
       [](SongBuilder& s) { s.Header(ids::EVTS, 64).Raw(Bytes(32, 1)); },
       [](const LoadedSong& song) { EXPECT_EQ(song->SongEvents().size(), 2u); }},
      {"pattern events",
       [](SongBuilder& s) { s.Header(ids::PATC, 48).Raw(Bytes(17, 2)); },
       [](const LoadedSong& song) {
         ASSERT_EQ(song->PatternEvents().size(), 2u);
         EXPECT_EQ(song->PatternEvents().at(1).ModuleIndex(), 0x0002);
       }},
      {"window states",
       [](SongBuilder& s) {
         s.Header(ids::WINP, 1000).RawI32(5).Raw(WindowRecord(1, 2, 3, 4, 5).bytes())
             .Raw(Prefix(WindowRecord(6, 7, 8, 9, 10).bytes(), 10));
       },
       [](const LoadedSong& song) {
         EXPECT_EQ(song->WindowCount(), 5);
         ASSERT_EQ(song->WindowPosInfos().size(), 2u);
         const TKvsWindowPosInfo& cut = song->WindowPosInfos().at(1);
         EXPECT_EQ(cut.Left(), 6);
         EXPECT_EQ(cut.Top(), 7);
         EXPECT_EQ(cut.Right(), 8);  // its two low bytes are there
         EXPECT_EQ(cut.Bottom(), 0);
       }},
      {"channel entries",
       [](SongBuilder& s) {
         Bytes entries;
         ChannelEntry("whole").WriteTo(entries);
         Bytes cut;
         ChannelEntry("abcdefghij").WriteTo(cut);
         s.Header(ids::CHAN, 4).Raw(entries).Raw(Prefix(cut, 8 + 10));
       },
       [](const LoadedSong& song) {
         EXPECT_EQ(song->ChannelCount(), 4);
         ASSERT_EQ(song->Channels().size(), 2u);
         EXPECT_EQ(song->Channels().at(1).GetName(), "abcdefghij");
         EXPECT_EQ(song->Channels().at(1).Insert1(), 0);
       }},
      {"audio clips",
       [](SongBuilder& s) {
         Bytes entries;
         AudioClipEntry("whole", "whole.wav").WriteTo(entries);
         Bytes cut;
         AudioClipEntry("ClipNameXX", "cut.wav").WriteTo(cut);
         s.Header(ids::AUIO, 3).Raw(entries).Raw(Prefix(cut, 50));
       },
       [](const LoadedSong& song) {
         ASSERT_EQ(song->AudioClips().size(), 2u);
         EXPECT_EQ(song->AudioClips().at(1).GetName(), "ClipNameXX");
         EXPECT_EQ(song->AudioClips().at(1).FileName, "");
         EXPECT_EQ(song->AudioClips().at(1).Index, 1);
         EXPECT_EQ(LastMessages(song, 3),
                   (Strings{" Audio: 3", " Audio File: whole.wav", " Audio File: "}));
       }},
      {"playlist tracks",
       [](SongBuilder& s) {
         ModuleRecord module(0x1000, "S");
         module.Track("whole").TrackBlockLength(64 * 5).EndMarker(false);
         s.Module(module).Raw(Prefix(TrackRecord("partial").bytes(), 10));
       },
       [](const LoadedSong& song) {
         ASSERT_EQ(song->Modules().size(), 1u);
         const TKvsModule& module = *song->Modules().at(0);
         ASSERT_EQ(module.TrackCount(), 2u);
         EXPECT_EQ(module.Track(1).GetName(), "partial");
         EXPECT_EQ(module.ChunkIndex(), -1);
         EXPECT_EQ(LastMessage(song), "Module Track Count Mismatch, expecting 1, but 5 found!");
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SongBuilder built;
    built.Version(0x6105);
    c.add(built);
    const auto song = LoadSong(built);
    EXPECT_FALSE(song.raised);
    EXPECT_EQ(song.errorText, "");
    c.check(song);
  }
}

// Counts far beyond the data neither allocate for them nor loop over them.
TEST(LoaderRobustness, HugeCountsStopAtTheEndOfTheData) {
  struct Case {
    const char* name;
    std::function<void(SongBuilder&)> add;
    std::function<void(const LoadedSong&)> check;
  };
  const std::vector<Case> cases{
      {"events", [](SongBuilder& s) { s.Header(ids::EVTS, 0x7FFFFFF0).Raw(Bytes(20, 0)); },
       [](const LoadedSong& song) { EXPECT_EQ(song->SongEvents().size(), 2u); }},
      {"windows", [](SongBuilder& s) { s.Header(ids::WINP, 4).RawI32(0x7FFFFFFF).Raw(Bytes(20, 0)); },
       [](const LoadedSong& song) { EXPECT_EQ(song->WindowPosInfos().size(), 1u); }},
      {"channels", [](SongBuilder& s) { s.Header(ids::CHAN, 0x7FFFFFFF).Raw(Bytes(8, 0)); },
       [](const LoadedSong& song) {
         // Tag 0: one corrupted entry of 8 bytes, then nothing.
         ASSERT_EQ(song->Channels().size(), 1u);
         EXPECT_EQ(song->Channels().at(0).GetName(), "Chan Info Corrupted!");
       }},
      {"audio clips", [](SongBuilder& s) { s.Header(ids::AUIO, 0x7FFFFFFF); },
       [](const LoadedSong& song) {
         EXPECT_TRUE(song->AudioClips().empty());
         EXPECT_EQ(LastMessage(song), " Audio: 2147483647");
       }},
      {"track block of length -64",
       [](SongBuilder& s) {
         s.Module(ModuleRecord(0x1000, "S").TrackBlock(true).TrackBlockLength(-64).Data(Bytes(100, 7)));
       },
       [](const LoadedSong& song) {
         // Taken as unsigned: 67108863 tracks wanted; the data holds the
         // module data and its marker, 124 bytes, so two tracks.
         ASSERT_EQ(song->Modules().size(), 1u);
         EXPECT_EQ(song->Modules().at(0)->TrackCount(), 2u);
         EXPECT_TRUE(Contains(song.messages, "Module Track Count Mismatch, expecting 1, but 67108863 found!"));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SongBuilder built;
    built.Version(0x6105);
    c.add(built);
    const auto song = LoadSong(built);
    EXPECT_FALSE(song.raised);
    c.check(song);
  }
}

// Length-prefixed texts take at most what remains; a negative length takes
// nothing and the walk goes on right behind it.
TEST(LoaderRobustness, TextLengths) {
  {
    SCOPED_TRACE("song info longer than the data");
    SongBuilder built;
    built.Version(0x6105).Glob(GlobChunk().SongInfoBytes(ToBytes("Only ten b")).SongInfoLength(1000));
    const auto song = LoadSong(built);
    EXPECT_EQ(song->SongInfo(), "Only ten b");
    EXPECT_EQ(song->SongInfoUrl(), "");
    EXPECT_EQ(LastMessages(song, 2),
              (Strings{" Song Info: Only ten b", " Song Info Url: "}));
  }
  {
    SCOPED_TRACE("negative song info length");
    SongBuilder built;
    built.Version(0x6105).Glob(GlobChunk().SongInfoLength(-5).SongInfoUrl("http://a")).Objects(3).EndOfSong();
    const auto song = LoadSong(built);
    EXPECT_EQ(song->SongInfoLength(), -5);
    EXPECT_EQ(song->SongInfo(), "");
    EXPECT_EQ(song->SongInfoUrl(), "http://a");
    EXPECT_EQ(song->StatedModuleCount(), 3);
  }
  {
    SCOPED_TRACE("audio file names");
    SongBuilder built;
    built.Version(0x6105)
        .AudioClips({AudioClipEntry("neg", "").NameLength(-4), AudioClipEntry("next", "next.wav"),
                     AudioClipEntry("long", "").FileNameBytes(ToBytes("tail.wav")).NameLength(1000)});
    const auto song = LoadSong(built);
    ASSERT_EQ(song->AudioClips().size(), 3u);
    EXPECT_EQ(song->AudioClips().at(0).FileName, "");
    EXPECT_EQ(song->AudioClips().at(1).GetName(), "next");
    EXPECT_EQ(song->AudioClips().at(1).FileName, "next.wav");
    EXPECT_EQ(song->AudioClips().at(2).FileName, "tail.wav");
  }
  {
    SCOPED_TRACE("negative plug-in text length");
    const auto song = LoadSong(SongBuilder().Version(0x6105).Module(
        ModuleRecord(0x1104, "F").PluginTextLength(-5).Data(ToBytes("data"))).EndOfSong());
    EXPECT_EQ(song->Modules().at(0)->GetName(), "F");
    EXPECT_EQ(song->Modules().at(0)->Generator(), "");
    ASSERT_EQ(song->Chunks().size(), 1u);
    EXPECT_EQ(ChunkBytes(song->Chunks().at(0)), ToBytes("data"));
  }
  {
    SCOPED_TRACE("plug-in text longer than the data");
    const auto song = LoadSong(SongBuilder().Version(0x6105).Module(
        ModuleRecord(0x1003, "S").PluginTextBytes(ToBytes("Plug")).PluginTextLength(1000).EndMarker(false)));
    ASSERT_EQ(song->Modules().size(), 1u);
    EXPECT_EQ(song->Modules().at(0)->Generator(), "Plug");
    EXPECT_EQ(song->Modules().at(0)->ChunkIndex(), -1);
  }
}

TEST(LoaderRobustness, NegativeSkipAndExtraLengthsCountAsZero) {
  SongBuilder built;
  built.Version(0x6105)
      .Channels({ChannelEntry("one").ExtraLength(-12), ChannelEntry("two").ExtraLength(-1)})
      .Module(ModuleRecord(0x1000, "after -8").SkipLength(-8).Data(ToBytes("d")))
      .Module(ModuleRecord(0x1100, "after min").SkipLength(INT32_MIN))
      .EndOfSong();
  const auto song = LoadSong(built);
  ASSERT_EQ(song->Channels().size(), 2u);
  EXPECT_EQ(song->Channels().at(1).GetName(), "two");
  ASSERT_EQ(song->Modules().size(), 2u);
  EXPECT_EQ(song->Modules().at(0)->GetName(), "after -8");
  EXPECT_EQ(song->Modules().at(1)->GetName(), "after min");
  EXPECT_TRUE(Contains(song.messages, Trace(built.Mark(0x1000).offset, 0x1000, "????", -8)));
  EXPECT_EQ(ChunkBytes(song->Chunks().at(0)), ToBytes("d"));
  EXPECT_EQ(LastMessage(song), " Loaded Module Count: 2");
}

TEST(LoaderRobustness, AssignCountAboveEightMakesEight) {
  for (const int count : {9, 200, 255}) {
    SCOPED_TRACE(count);
    const auto song = LoadSong(
        SongBuilder().Version(0x6105).SendFx(SendFxRecord().AssignCount(static_cast<std::uint8_t>(count))).EndOfSong());
    EXPECT_EQ(song->SendFxAssigns().size(), 8u);
  }
}

TEST(LoaderRobustness, AudioChanPinsAreBoundedTo128) {
  struct Case {
    std::int32_t pins;
    std::function<std::uint8_t(std::size_t)> stereo;
    std::int32_t channels;
  };
  const std::vector<Case> cases{
      {129, [](std::size_t) { return std::uint8_t{1}; }, 256},
      {0x7FFFFFFF, [](std::size_t pin) { return static_cast<std::uint8_t>(pin % 2); }, 192},
      {128, [](std::size_t) { return std::uint8_t{1}; }, 256},
      {0, [](std::size_t) { return std::uint8_t{1}; }, 0},
      {-5, [](std::size_t) { return std::uint8_t{1}; }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pins);
    ModuleRecord record(0x1003, "S");
    record.AudioChanPins(c.pins);
    for (std::size_t pin = 0; pin < 128; ++pin) record.PinStereo(pin, c.stereo(pin));
    const auto song = LoadSong(SongBuilder().Version(0x6105).Module(record).EndOfSong());
    const auto& synth = dynamic_cast<const TKvsVSTSynth&>(*song->Modules().at(0));
    EXPECT_EQ(synth.ChannelCount(), c.channels);
    EXPECT_EQ(synth.AudioChanPins(), c.pins);
  }
}

TEST(LoaderRobustness, CutShortFixedRecords) {
  {
    SCOPED_TRACE("version of two bytes");
    const auto song = LoadSong(SongBuilder().Header(ids::VFhd, 4).Raw(Bytes{0x05, 0x61}));
    EXPECT_EQ(song->FileVersion(), 0x6105);
    EXPECT_EQ(song.errorText, "");
    EXPECT_EQ(song.messages, (Strings{Trace(0, ids::VFhd, "VFhd", 4), " File Version: 6105"}));
  }
  {
    SCOPED_TRACE("version of one byte");
    const auto song = LoadSong(SongBuilder().Header(ids::VFhd, 4).Raw(Bytes{0x05}));
    EXPECT_EQ(song.errorText, "File version 5 too old!");
  }
  {
    SCOPED_TRACE("module header alone");
    const auto song = LoadSong(SongBuilder().Version(0x6105).Header(0x1000, 0));
    ASSERT_EQ(song->Modules().size(), 1u);
    EXPECT_EQ(song->Modules().at(0)->GetName(), "GEN Info Corrupted!");
    EXPECT_EQ(song->Modules().at(0)->ChunkIndex(), -1);
    EXPECT_EQ(LastMessage(song), " Obj: " + ModuleTypeToText(0x1000));
  }
  {
    SCOPED_TRACE("info record cut short");
    const Bytes whole = ModuleRecord(0x1000, "Partial").Chans(2).Head();
    const auto song = LoadSong(SongBuilder().Version(0x6105).Raw(Prefix(whole, 8 + 8 + 50)));
    ASSERT_EQ(song->Modules().size(), 1u);
    EXPECT_EQ(song->Modules().at(0)->GetName(), "Partial");
    EXPECT_EQ(song->Modules().at(0)->ChannelCount(), 0);
    EXPECT_TRUE(song->Chunks().empty());
  }
  {
    SCOPED_TRACE("glob cut in its settings");
    const Bytes payload = GlobChunk().Tempo(99.0f).SongInfo("never read").Payload();
    const auto song = LoadSong(SongBuilder().Version(0x6105).Header(ids::GLOB, 0).Raw(Prefix(payload, 16)));
    EXPECT_FLOAT_EQ(song->Global().Tempo(), 99.0f);
    EXPECT_EQ(song->Global().Ppq(), 0u);
    EXPECT_EQ(LastMessages(song, 2), (Strings{" Song Info: ", " Song Info Url: "}));
  }
}

// Every prefix of the every-chunk song loads: no crash, the documented
// error only where an unknown chunk's payload is cut, the log of the whole
// chunks before the cut unchanged, and no record made from nothing.
TEST(LoaderRobustness, EveryPrefixLoads) {
  const SongBuilder built = EveryChunkSong();
  const Bytes bytes = built.Build();
  const auto full = LoadSong(bytes);
  ASSERT_FALSE(full.raised);

  const ChunkMark& xtra = built.Mark(FourCC("XTRA"));
  const ChunkMark& evts = built.Mark(ids::EVTS);
  std::vector<std::uint64_t> moduleHeaders;
  for (const ChunkMark& mark : built.Marks())
    if (mark.id >= 0x1000 && mark.id <= 0xFFFFFF) moduleHeaders.push_back(mark.offset + 8);

  // The log of the song cut after each whole chunk.
  std::vector<std::pair<std::uint64_t, Strings>> wholeChunks{{0, {}}};
  for (const ChunkMark& mark : built.Marks()) {
    const auto song = LoadSong(Prefix(bytes, mark.end));
    ASSERT_LE(song.messages.size(), full.messages.size());
    ASSERT_TRUE(std::equal(song.messages.begin(), song.messages.end(), full.messages.begin()))
        << "cut after the chunk at " << mark.offset;
    wholeChunks.emplace_back(mark.end, song.messages);
  }

  for (std::size_t length = 0; length <= bytes.size(); ++length) {
    SCOPED_TRACE(length);
    const auto song = LoadSong(Prefix(bytes, length));
    const bool cutInUnknownPayload = length >= xtra.offset + 8 && length < xtra.end;
    if (cutInUnknownPayload) {
      ASSERT_TRUE(song.raised);
      EXPECT_EQ(*song.raised, "Stream read error");
    } else {
      ASSERT_FALSE(song.raised) << *song.raised;
    }
    // A version cut to no bytes reads as 0, to one byte as 5.
    const char* const expectedError = length == 8 ? "File version 0 too old!" : length == 9 ? "File version 5 too old!" : "";
    EXPECT_EQ(song.errorText, expectedError);

    const auto& before = *std::prev(std::upper_bound(
        wholeChunks.begin(), wholeChunks.end(), length,
        [](std::uint64_t n, const std::pair<std::uint64_t, Strings>& chunk) { return n < chunk.first; }));
    ASSERT_GE(song.messages.size(), before.second.size());
    EXPECT_TRUE(std::equal(before.second.begin(), before.second.end(), song.messages.begin()));

    std::size_t events = 0;
    if (length > evts.dataOffset) events = std::min<std::uint64_t>(3, (length - evts.dataOffset + 15) / 16);
    EXPECT_EQ(song->SongEvents().size(), events);
    const auto modules = static_cast<std::size_t>(
        std::count_if(moduleHeaders.begin(), moduleHeaders.end(), [&](std::uint64_t h) { return h <= length; }));
    EXPECT_EQ(song->Modules().size(), modules);
    if (HasFailure()) break;  // one broken prefix tells enough
  }
  EXPECT_EQ(LoadSong(bytes).messages, full.messages);
}

TEST(LoaderRobustness, LongModuleDataLetsTheUserInterfaceRun) {
  // 3 MiB of data with many near misses of the marker.
  const Bytes marker = ModuleEndMarker();
  ModuleRecord record(0x1100, "Long");
  record.DataGenerated(3u << 20, [&marker](std::uint64_t offset, std::uint8_t* out, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) out[i] = marker[(offset + i) % 21];
  });
  const auto song = LoadSong(SongBuilder().Version(0x6105).Module(record).EndOfSong());
  ASSERT_EQ(song->Chunks().size(), 1u);
  EXPECT_EQ(song->Chunks().at(0).DataSize, 3 << 20);
  EXPECT_GE(song.pendingEventCalls, 1);
  EXPECT_EQ(LastMessage(song), " Loaded Module Count: 1");
}

}  // namespace
}  // namespace tarvo::testing
