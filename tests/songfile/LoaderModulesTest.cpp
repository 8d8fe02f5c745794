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

std::string TypeName(std::uint32_t typeId) { return ModuleTypeToText(static_cast<std::int32_t>(typeId)); }

std::string Mismatch(int expected, long long found) {
  return "Module Track Count Mismatch, expecting " + std::to_string(expected) + ", but " +
         std::to_string(found) + " found!";
}

Strings TrackNames(const TKvsModule& module) {
  Strings names;
  for (std::size_t i = 0; i < module.TrackCount(); ++i) names.push_back(module.Track(i).GetName());
  return names;
}

// A song holding just this module between version and end.
SongBuilder SongWith(const ModuleRecord& module) {
  SongBuilder built;
  built.Version(0x6105).Module(module).EndOfSong();
  return built;
}

// The six kinds: class, name, generator text, channels, tracks, data chunk
// and the log.
TEST(LoaderModules, EachKind) {
  struct Case {
    ModuleRecord record;
    ModuleClass moduleClass;
    std::string name;
    std::string generator;
    std::int32_t channels;
    std::int32_t expectedTracks;
    Strings tracks;
  };
  const std::vector<Case> cases{
      {ModuleRecord(0x1000, "Piano").Chans(2).Track("Piano"), ModuleClass::Synth, "Piano", TypeName(0x1000), 2, 1,
       {"Piano"}},
      {ModuleRecord(0x1100, "Reverb").Chans(6), ModuleClass::FX, "Reverb", TypeName(0x1100), 6, 0, {}},
      {ModuleRecord(0x1003, "Strings")
           .Program(5)
           .ExpandedTracks(1)
           .AudioChanPins(3)
           .PinStereo(0, 1)
           .PinStereo(1, 0)
           .PinStereo(2, 2)
           .PluginText("My Orchestra \xE9")
           .Tracks({"Violins", "Celli"}),
       ModuleClass::VSTSynth, "Strings", "My Orchestra \xE9", 4, 2, {"Violins", "Celli"}},
      {ModuleRecord(0x1104, "Chorus").Chans(2).Program(7).PluginText("ChorusPlug"), ModuleClass::VSTFX, "Chorus",
       "ChorusPlug", 2, 0, {}},
      {ModuleRecord(0x1012, "Organ").Chans(4).ClassId(0x01234567, 0x89AB, 0xCDEF,
                                                       {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef}),
       ModuleClass::DXSynth, "Organ", "{01234567-89AB-CDEF-0123-456789ABCDEF}", 4, 0, {}},
      {ModuleRecord(0x110D, "Flanger").Chans(1).ClassId(0x0000000A, 0x000B, 0x00C0, {0, 1, 2, 3, 4, 5, 6, 0xFF}),
       ModuleClass::DXFX, "Flanger", "{0000000A-000B-00C0-0001-0203040506FF}", 1, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ModuleRecord record = c.record;
    record.Data(ToBytes("payload"));
    const SongBuilder built = SongWith(record);
    const auto song = LoadSong(built);
    ASSERT_FALSE(song.raised);
    const ChunkMark& mark = built.Mark(record.typeId());
    EXPECT_EQ(song.messages,
              (Strings{Trace(0, ids::VFhd, "VFhd", 4), " File Version: 6105", Trace(12, record.typeId(), "????", 0),
                       " Obj: " + TypeName(record.typeId()),
                       Trace(built.Mark(ids::EndOfSong).offset, ids::EndOfSong, "????", 0),
                       " Loaded Module Count: 1"}));

    ASSERT_EQ(song->Modules().size(), 1u);
    const TKvsModule& module = *song->Modules().at(0);
    EXPECT_EQ(module.Class(), c.moduleClass);
    EXPECT_EQ(module.TypeId(), static_cast<std::int32_t>(record.typeId()));
    EXPECT_EQ(module.GetName(), c.name);
    EXPECT_EQ(module.InfoName(), c.name);
    EXPECT_EQ(module.Generator(), c.generator);
    EXPECT_EQ(module.ChannelCount(), c.channels);
    EXPECT_EQ(module.ExpectedTrackCount(), c.expectedTracks);
    EXPECT_EQ(TrackNames(module), c.tracks);

    ASSERT_EQ(song->Chunks().size(), 1u);
    const TKvsChunk& data = song->Chunks().at(0);
    EXPECT_EQ(module.ChunkIndex(), 0);
    EXPECT_EQ(module.ModuleIndex(), 0);
    EXPECT_EQ(data.ChunkId, 0);
    EXPECT_EQ(data.DataSize, 7);
    EXPECT_EQ(data.Offset, static_cast<std::int64_t>(mark.dataOffset));
    EXPECT_EQ(ChunkBytes(data), ToBytes("payload"));
  }
}

TEST(LoaderModules, PluginFieldsAreReadFromTheRecord) {
  const auto synth = LoadSong(SongWith(ModuleRecord(0x1003, "S").Program(-3).ExpandedTracks(4).AudioChanPins(2)
                                           .PluginText("P")));
  const auto& vstSynth = dynamic_cast<const TKvsVSTSynth&>(*synth->Modules().at(0));
  EXPECT_EQ(vstSynth.Program(), -3);
  EXPECT_EQ(vstSynth.ExpandedTracks(), 4);
  EXPECT_EQ(vstSynth.AudioChanPins(), 2);
  EXPECT_EQ(vstSynth.PluginTextLength(), 2);

  const auto fx = LoadSong(SongWith(ModuleRecord(0x1104, "F").Program(12).Chans(3).PluginText("Plug")));
  const auto& vstFx = dynamic_cast<const TKvsVSTFX&>(*fx->Modules().at(0));
  EXPECT_EQ(vstFx.Program(), 12);
  EXPECT_EQ(vstFx.ChannelCount(), 3);
  EXPECT_EQ(vstFx.PluginTextLength(), 5);
}

TEST(LoaderModules, ClassFollowsTypeIdBoundaries) {
  struct Case {
    std::uint32_t typeId;
    ModuleClass moduleClass;
    const char* kindText;
    std::int32_t expectedTracks;
  };
  const std::vector<Case> cases{
      {0x1006, ModuleClass::Synth, "Audio", 1},   {0x1008, ModuleClass::Synth, "Midi", 1},
      {0x100F, ModuleClass::Synth, "ReWire", 1},  {0x10FF, ModuleClass::Synth, "Synth", 1},
      {0x1013, ModuleClass::Synth, "Synth", 1},   {0x1100, ModuleClass::FX, "FX", 0},
      {0x11FF, ModuleClass::FX, "FX", 0},         {0x00FFFFFF, ModuleClass::FX, "FX", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typeId);
    const auto song = LoadSong(SongWith(ModuleRecord(c.typeId, "M")));
    ASSERT_EQ(song->Modules().size(), 1u);
    const TKvsModule& module = *song->Modules().at(0);
    EXPECT_EQ(module.Class(), c.moduleClass);
    EXPECT_EQ(module.GetKindText(), c.kindText);
    EXPECT_EQ(module.ExpectedTrackCount(), c.expectedTracks);
    EXPECT_EQ(module.GetName(), "M");
  }
  const auto unknown = LoadSong(SongWith(ModuleRecord(0x1013)));
  EXPECT_EQ(unknown->Modules().at(0)->Generator(), "unknown object (1013)");
  EXPECT_EQ(unknown.messages.at(3), " Obj: unknown object (1013)");
}

// A wrong sub-record tag leaves the name a corruption text and the info all
// zero; tracks and data still follow.
TEST(LoaderModules, WrongInfoTag) {
  struct Case {
    std::uint32_t typeId;
    std::uint32_t wrongTag;
    const char* name;
    bool withTrack;
  };
  const std::vector<Case> cases{
      {0x1000, 2007, "GEN Info Corrupted!", true}, {0x1003, 2007, "GEN Info Corrupted!", true},
      {0x1012, 2006, "GEN Info Corrupted!", false}, {0x1100, 2006, "FX Info Corrupted!", false},
      {0x1104, 2006, "FX Info Corrupted!", false}, {0x110D, 0, "FX Info Corrupted!", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typeId);
    ModuleRecord record(c.typeId, "Real name");
    record.InfoTag(c.wrongTag).Data(ToBytes("abc"));
    if (c.withTrack) record.Track("T1");
    const auto song = LoadSong(SongWith(record));
    ASSERT_EQ(song->Modules().size(), 1u);
    const TKvsModule& module = *song->Modules().at(0);
    EXPECT_EQ(module.GetName(), c.name);
    EXPECT_EQ(module.Generator(), TypeName(c.typeId));
    EXPECT_EQ(module.ChannelCount(), 0);
    const Bytes info(module.InfoBytes(), module.InfoBytes() + module.InfoSize());
    EXPECT_EQ(info, Bytes(module.InfoSize(), 0));
    EXPECT_EQ(module.TrackCount(), c.withTrack ? 1u : 0u);  // expected 1 either way: no mismatch
    ASSERT_EQ(song->Chunks().size(), 1u);
    EXPECT_EQ(ChunkBytes(song->Chunks().at(0)), ToBytes("abc"));
    EXPECT_EQ(LastMessage(song), " Loaded Module Count: 1");
    for (const auto& message : song.messages) EXPECT_EQ(message.find("Mismatch"), std::string::npos);
  }
}

TEST(LoaderModules, WrongInfoTagReadsNothingMoreOfTheSubRecord) {
  // The record bytes that follow a wrong tag are module data.
  ModuleRecord record(0x1100, "FX");
  record.InfoTag(2006).InfoRecordPresent(true).Data(ToBytes("abc"));
  const auto song = LoadSong(SongWith(record));
  ASSERT_EQ(song->Chunks().size(), 1u);
  EXPECT_EQ(song->Chunks().at(0).DataSize, 72 + 3);
  EXPECT_EQ(song->Modules().at(0)->GetName(), "FX Info Corrupted!");
}

TEST(LoaderModules, TrackCountMismatch) {
  struct Case {
    const char* name;
    ModuleRecord record;
    std::vector<std::string> messages;
    std::size_t tracks;
  };
  const std::vector<Case> cases{
      {"VST synth as expected", ModuleRecord(0x1003).ExpandedTracks(2).Tracks({"a", "b", "c"}), {}, 3},
      {"VST synth one more", ModuleRecord(0x1003).ExpandedTracks(2).Tracks({"a", "b", "c", "d"}), {Mismatch(3, 4)},
       4},
      {"DX synth expects none", ModuleRecord(0x1012).Track("a"), {Mismatch(0, 1)}, 1},
      {"synth with empty block", ModuleRecord(0x1000).TrackBlock(true), {Mismatch(1, 0)}, 0},
      {"synth without block", ModuleRecord(0x1000), {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto song = LoadSong(SongWith(c.record));
    Strings expected{" Obj: " + TypeName(c.record.typeId())};
    expected.insert(expected.end(), c.messages.begin(), c.messages.end());
    ASSERT_GE(song.messages.size(), 4u + c.messages.size());
    EXPECT_EQ(Strings(song.messages.begin() + 3, song.messages.begin() + 4 + static_cast<long>(c.messages.size())),
              expected);
    ASSERT_EQ(song->Modules().size(), 1u);
    EXPECT_EQ(song->Modules().at(0)->TrackCount(), c.tracks);
    EXPECT_EQ(LastMessage(song), " Loaded Module Count: 1");
  }
}

TEST(LoaderModules, TrackBlockRemainderBelongsToModuleData) {
  // L = 130: two tracks; the 2 bytes left over start the module data.
  ModuleRecord record(0x1003, "S");
  record.ExpandedTracks(1).Tracks({"one", std::string(30, 'x')}).TrackBlockLength(130).Data({0xAA, 0xBB, 'z'});
  const auto song = LoadSong(SongWith(record));
  const TKvsModule& module = *song->Modules().at(0);
  EXPECT_EQ(TrackNames(module), (Strings{"one", std::string(30, 'x')}));
  ASSERT_EQ(song->Chunks().size(), 1u);
  EXPECT_EQ(ChunkBytes(song->Chunks().at(0)), (Bytes{0xAA, 0xBB, 'z'}));
  for (const auto& message : song.messages) EXPECT_EQ(message.find("Mismatch"), std::string::npos);
}

TEST(LoaderModules, BytesWithoutTrackTagAreModuleData) {
  const Bytes data{6, 0, 0, 0, 64, 0, 0, 0, 'r', 'e', 's', 't'};
  const auto song = LoadSong(SongWith(ModuleRecord(0x1000, "S").Data(data)));
  EXPECT_TRUE(song->Modules().at(0)->TrackCount() == 0);
  EXPECT_EQ(ChunkBytes(song->Chunks().at(0)), data);
}

TEST(LoaderModules, EffectsHaveNoTrackBlock) {
  for (const std::uint32_t typeId : {0x1100u, 0x1104u, 0x110Du}) {
    SCOPED_TRACE(typeId);
    ModuleRecord record(typeId, "E");
    record.Track("looks like a track");
    const auto song = LoadSong(SongWith(record));
    EXPECT_TRUE(song->Modules().at(0)->TrackCount() == 0);
    EXPECT_EQ(song->Chunks().at(0).DataSize, 8 + 64);
  }
}

TEST(LoaderModules, SkipBytesAreSkipped) {
  // Skipped bytes that look like a sub-record header must not be read.
  Bytes skip{0xD6, 0x07, 0, 0, 0, 0, 0, 0, 'j', 'u', 'n', 'k'};
  const SongBuilder built = SongWith(ModuleRecord(0x1000, "After skip").Skip(skip).Data(ToBytes("d")));
  const auto song = LoadSong(built);
  EXPECT_EQ(song.messages.at(2), Trace(12, 0x1000, "????", 12));
  EXPECT_EQ(song->Modules().at(0)->GetName(), "After skip");
  EXPECT_EQ(ChunkBytes(song->Chunks().at(0)), ToBytes("d"));
}

TEST(LoaderModules, DataChunksAndIndexes) {
  SongBuilder built;
  built.Version(0x6105)
      .Chunk(FourCC("UNK1"), std::string_view("u"))
      .Module(ModuleRecord(0x1000, "A").Data(ToBytes("abc")))
      .Module(ModuleRecord(0x1100, "B"))  // marker right after the parsed part: empty data
      .Chunk(FourCC("UNK2"), std::string_view("vv"))
      .Module(ModuleRecord(0x1012, "C").DataFill(1000, 0x5A))
      .EndOfSong();
  const auto song = LoadSong(built);
  ASSERT_EQ(song->Modules().size(), 3u);
  ASSERT_EQ(song->Chunks().size(), 5u);
  const std::vector<std::int32_t> chunkIndexes{1, 2, 4};
  const std::vector<std::uint32_t> typeIds{0x1000, 0x1100, 0x1012};
  const std::vector<std::int32_t> sizes{3, 0, 1000};
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const TKvsModule& module = *song->Modules().at(i);
    EXPECT_EQ(module.ChunkIndex(), chunkIndexes[i]);
    EXPECT_EQ(module.ModuleIndex(), static_cast<std::int32_t>(i));
    const TKvsChunk& chunk = song->Chunks().at(static_cast<std::size_t>(chunkIndexes[i]));
    EXPECT_EQ(chunk.ChunkId, 0);
    EXPECT_EQ(chunk.DataSize, sizes[i]);
    EXPECT_EQ(chunk.Offset, static_cast<std::int64_t>(built.Mark(typeIds[i]).dataOffset));
  }
  EXPECT_EQ(ChunkBytes(song->Chunks().at(4)), Bytes(1000, 0x5A));
  EXPECT_EQ(song->Chunks().at(3).ChunkId, static_cast<std::int32_t>(FourCC("UNK2")));
  EXPECT_EQ(LastMessage(song), " Loaded Module Count: 3");
}

// Near misses of the marker stay data; the search finds the first whole
// marker, also where a near miss overlaps it.
TEST(LoaderModules, EndMarkerSearch) {
  const Bytes marker = ModuleEndMarker();
  Bytes data{'Z', 'Z', 'M', 'O', 'D'};
  data.insert(data.end(), marker.begin(), marker.end() - 1);  // one byte short
  data.push_back('x');
  Bytes wrongLength = marker;
  wrongLength[4] = 0x11;
  data.insert(data.end(), wrongLength.begin(), wrongLength.end());
  data.insert(data.end(), {'Z', 'M', 'O'});  // runs into the real marker

  ModuleRecord record(0x1100, "FX");
  record.Data(data).MarkerTail(0xFF, 0xFE);
  const auto song = LoadSong(SongWith(record));
  ASSERT_EQ(song->Chunks().size(), 1u);
  EXPECT_EQ(ChunkBytes(song->Chunks().at(0)), data);
  EXPECT_EQ(LastMessage(song), " Loaded Module Count: 1");
}

TEST(LoaderModules, MissingEndMarkerEndsTheWalk) {
  SongBuilder built;
  built.Version(0x6105)
      .Module(ModuleRecord(0x1000, "Good").Data(ToBytes("g")))
      .Module(ModuleRecord(0x1100, "Lost").Data(ToBytes("no marker")).EndMarker(false))
      .Objects(5)
      .EndOfSong();
  const auto song = LoadSong(built);
  EXPECT_FALSE(song.raised);
  ASSERT_EQ(song->Modules().size(), 2u);
  const TKvsModule& lost = *song->Modules().at(1);
  EXPECT_EQ(lost.GetName(), "Lost");
  EXPECT_EQ(lost.ChunkIndex(), -1);
  EXPECT_EQ(lost.ModuleIndex(), 0);
  EXPECT_EQ(song->Chunks().size(), 1u);
  EXPECT_EQ(song->StatedModuleCount(), 0);
  EXPECT_EQ(LastMessage(song), " Obj: " + TypeName(0x1100));
}

TEST(LoaderModules, MarkerCutAfterItsSearchedBytes) {
  // The file ends after the 22 bytes that are searched for; the data still
  // ends where the marker begins.
  SongBuilder built;
  built.Version(0x6105).Module(ModuleRecord(0x1000, "S").Data(ToBytes("abc")).EndMarker(false)).Raw(ModuleEndMarker());
  const auto song = LoadSong(built);
  ASSERT_EQ(song->Chunks().size(), 1u);
  EXPECT_EQ(song->Chunks().at(0).DataSize, 3);
  EXPECT_EQ(ChunkBytes(song->Chunks().at(0)), ToBytes("abc"));
  EXPECT_EQ(song->Modules().at(0)->ChunkIndex(), 0);
}

TEST(LoaderModules, PluginTextEndsAtFirstZero) {
  ModuleRecord record(0x1104, "F");
  record.PluginTextBytes(ToBytes(std::string("Name\0junk", 9))).Data(ToBytes("d"));
  const auto song = LoadSong(SongWith(record));
  EXPECT_EQ(song->Modules().at(0)->Generator(), "Name");
  EXPECT_EQ(ChunkBytes(song->Chunks().at(0)), ToBytes("d"));
}

}  // namespace
}  // namespace tarvo::testing
