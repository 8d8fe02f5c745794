#pragma once

// Broken song files, built with the song builder: every size, count and
// length field at its extremes, and the shapes that damaged or foreign files
// take. The robustness tests, the GUI test on hostile files and the fuzz
// seeds all use this one list. Header only, so that any test program can
// include it without a library of its own.

#include <cstdint>
#include <functional>
#include <iterator>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "songbuilder/SongBuilder.h"

namespace tarvo::testing {

struct HostileSong {
  std::string name;
  Bytes bytes;
  // Whether the load raises "Stream read error" (an unknown chunk longer
  // than the data); every other song loads or is rejected.
  bool raises = false;
};

// The values every size, count and length field is tried with.
inline const std::vector<std::pair<const char*, std::int32_t>>& ExtremeValues() {
  static const std::vector<std::pair<const char*, std::int32_t>> values{
      {"0x7FFFFFFF", 0x7FFFFFFF},
      {"0xFFFFFFFF", -1},
      {"0x80000000", INT32_MIN},
      {"-16", -16},
      {"0x7FFFFFF0", 0x7FFFFFF0},
  };
  return values;
}

namespace hostile {

// A little of everything, so that a field that moves the read position
// lands somewhere with structure.
inline SongBuilder& Tail(SongBuilder& song) {
  return song.Events({EventRecord(0, 0x1000, 0, 1), EventRecord(1, 0x3000, 96, 2)})
      .Channels({ChannelEntry("After").OwnerModule(0)})
      .Chunk(FourCC("XTRA"), std::string_view("tail"), 4)
      .EndOfSong();
}

inline Bytes Song(const std::function<void(SongBuilder&)>& body) {
  SongBuilder song;
  song.Version(0x6105).Objects(2);
  body(song);
  return Tail(song).Build();
}

inline GlobChunk SmallGlob() {
  GlobChunk glob;
  glob.Tempo(120.0f).Ppq(96).TuningTableName("T").SongInfo("info").SongInfoUrl("url");
  return glob;
}

inline const std::vector<std::uint32_t>& ModuleTypes() {
  static const std::vector<std::uint32_t> types{moduletypes::Sampler, moduletypes::FirstFX,
                                                moduletypes::VSTFX,   moduletypes::VSTSynth,
                                                moduletypes::DXSynth, moduletypes::DXFX};
  return types;
}

inline ModuleRecord PlainModule(std::uint32_t type) {
  ModuleRecord module(type, "M");
  if (IsGeneratorKind(module.kind())) module.Track("T");
  if (HasPluginText(module.kind())) module.PluginText("plug");
  return module.Data({1, 2, 3});
}

}  // namespace hostile

// Every field that holds a size, count or length, at every extreme value.
inline std::vector<HostileSong> ExtremeFieldSongs() {
  using namespace hostile;
  struct Field {
    std::string name;
    std::function<void(SongBuilder&, std::int32_t)> add;
    bool raises = false;
  };
  std::vector<Field> fields{
      {"VFhd size", [](SongBuilder& s, std::int32_t v) { s.Version(0x6105, v); }},
      {"VFhd version", [](SongBuilder& s, std::int32_t v) { s.Version(v); }},
      {"OBJS size", [](SongBuilder& s, std::int32_t v) { s.Objects(1, v); }},
      {"OBJS count", [](SongBuilder& s, std::int32_t v) { s.Objects(v); }},
      {"EVTS size", [](SongBuilder& s, std::int32_t v) { s.Events({EventRecord(0, 1, 2, 3)}, v); }},
      {"PATC size", [](SongBuilder& s, std::int32_t v) { s.Patterns({EventRecord(0, 1, 2, 3)}, v); }},
      {"VUUU size", [](SongBuilder& s, std::int32_t v) { s.SendFx(SendFxRecord().AssignCount(2), v); }},
      {"WINP size", [](SongBuilder& s, std::int32_t v) { s.Windows({WindowRecord(1, 2, 3, 4)}, {}, v); }},
      {"WINP count", [](SongBuilder& s, std::int32_t v) { s.Windows({WindowRecord(1, 2, 3, 4)}, v); }},
      {"GLOB size", [](SongBuilder& s, std::int32_t v) { s.Glob(SmallGlob(), v); }},
      {"GLOB song info length", [](SongBuilder& s, std::int32_t v) { s.Glob(SmallGlob().SongInfoLength(v)); }},
      {"GLOB song info url length",
       [](SongBuilder& s, std::int32_t v) { s.Glob(SmallGlob().SongInfoUrlLength(v)); }},
      {"CHAN count", [](SongBuilder& s, std::int32_t v) { s.Channels({ChannelEntry("A"), ChannelEntry("B")}, v); }},
      {"CHAN entry length",
       [](SongBuilder& s, std::int32_t v) { s.Channels({ChannelEntry("A").Length(static_cast<std::uint32_t>(v))}); }},
      {"CHAN bad-tag entry length",
       [](SongBuilder& s, std::int32_t v) { s.Channels({ChannelEntry::BadTag(7, static_cast<std::uint32_t>(v))}); }},
      {"CHAN extra length",
       [](SongBuilder& s, std::int32_t v) { s.Channels({ChannelEntry("A").Extra({1, 2}).ExtraLength(v)}); }},
      {"FXRN count", [](SongBuilder& s, std::int32_t v) { s.ReturnChannels({ChannelEntry("R")}, v); }},
      {"FXRN extra length",
       [](SongBuilder& s, std::int32_t v) { s.ReturnChannels({ChannelEntry("R").ExtraLength(v)}); }},
      {"AUIO count", [](SongBuilder& s, std::int32_t v) { s.AudioClips({AudioClipEntry("c", "c.wav")}, v); }},
      {"AUIO name length",
       [](SongBuilder& s, std::int32_t v) { s.AudioClips({AudioClipEntry("c", "c.wav").NameLength(v)}); }},
      {"unknown chunk size", [](SongBuilder& s, std::int32_t v) { s.Chunk(FourCC("XTRA"), std::string_view("abc"), v); },
       true},
      {"end-of-song size", [](SongBuilder& s, std::int32_t v) { s.EndOfSong(v); }},
  };
  for (const std::uint32_t type : ModuleTypes()) {
    const std::string kind = "module " + std::to_string(type);
    fields.push_back({kind + " skip length", [type](SongBuilder& s, std::int32_t v) {
                        s.Module(PlainModule(type).Skip({9, 9, 9, 9}).SkipLength(v));
                      }});
    fields.push_back({kind + " info length", [type](SongBuilder& s, std::int32_t v) {
                        s.Module(PlainModule(type).InfoLength(static_cast<std::uint32_t>(v)));
                      }});
    const ModuleRecord probe(type);
    if (IsGeneratorKind(probe.kind())) {
      fields.push_back({kind + " track block length", [type](SongBuilder& s, std::int32_t v) {
                          s.Module(PlainModule(type).TrackBlockLength(v));
                        }});
    }
    if (HasPluginText(probe.kind())) {
      fields.push_back({kind + " plug-in text length", [type](SongBuilder& s, std::int32_t v) {
                          s.Module(PlainModule(type).PluginTextLength(v));
                        }});
    }
  }
  fields.push_back({"VSTSynth expanded tracks", [](SongBuilder& s, std::int32_t v) {
                      s.Module(hostile::PlainModule(moduletypes::VSTSynth).ExpandedTracks(v));
                    }});
  fields.push_back({"VSTSynth audio channel pins", [](SongBuilder& s, std::int32_t v) {
                      s.Module(hostile::PlainModule(moduletypes::VSTSynth).AudioChanPins(v).PinStereo(127, 1));
                    }});
  fields.push_back({"FX channel count", [](SongBuilder& s, std::int32_t v) {
                      s.Module(hostile::PlainModule(moduletypes::FirstFX).Chans(v));
                    }});

  std::vector<HostileSong> songs;
  for (const Field& field : fields) {
    for (const auto& extreme : ExtremeValues()) {
      const std::int32_t value = extreme.second;
      songs.push_back({field.name + " " + extreme.first, Song([&](SongBuilder& s) { field.add(s, value); }),
                       field.raises});
    }
  }
  return songs;
}

// Damaged and foreign shapes, each small.
inline std::vector<HostileSong> BrokenShapeSongs() {
  using namespace hostile;
  std::vector<HostileSong> songs;
  auto add = [&songs](std::string name, Bytes bytes, bool raises = false) {
    songs.push_back({std::move(name), std::move(bytes), raises});
  };

  add("empty file", {});
  add("seven bytes", Bytes(7, 0x41));
  add("only end-of-song ids", Bytes(4096, 0xFF));
  {
    Bytes markers;
    for (int i = 0; i < 200; ++i) {
      const Bytes marker = ModuleEndMarker();
      markers.insert(markers.end(), marker.begin(), marker.end());
      markers.push_back(0);
      markers.push_back(0);
    }
    add("only module end markers", markers);
  }
  add("old version then everything", [] {
    SongBuilder s = EveryChunkSong();
    SongBuilder old;
    old.Version(0x60FF).Raw(s.Build());
    return old.Build();
  }());
  {
    const Bytes every = EveryChunkSong().Build();
    for (const std::size_t cut : {9u, 20u, 100u, 1290u, 1300u}) {
      if (cut < every.size()) add("every chunk cut at " + std::to_string(cut), Bytes(every.begin(), every.begin() + static_cast<long>(cut)));
    }
    add("every chunk without its last byte", Bytes(every.begin(), every.end() - 1));
  }
  for (const std::uint32_t type : ModuleTypes()) {
    const std::string kind = "module " + std::to_string(type);
    add(kind + " without end marker", Song([type](SongBuilder& s) { s.Module(PlainModule(type).EndMarker(false)); }));
    add(kind + " with the wrong info tag",
        Song([type](SongBuilder& s) { s.Module(PlainModule(type).InfoTag(1).InfoRecordPresent(true)); }));
    add(kind + " header at the end of the data", [type] {
      SongBuilder s;
      s.Version(0x6105).Header(type, 0);
      return s.Build();
    }());
    add(kind + " cut inside its info record", [type] {
      const Bytes whole = Song([type](SongBuilder& s) { s.Module(PlainModule(type)); });
      SongBuilder head;
      head.Version(0x6105).Objects(2);
      const std::size_t at = head.Size() + 40;
      return Bytes(whole.begin(), whole.begin() + static_cast<long>(at));
    }());
  }
  add("module data full of false marker starts", Song([](SongBuilder& s) {
        Bytes data;
        const Bytes marker = ModuleEndMarker();
        for (std::size_t n = 1; n < marker.size(); ++n) data.insert(data.end(), marker.begin(), marker.begin() + static_cast<long>(n));
        s.Module(hostile::PlainModule(moduletypes::FirstFX).Data(data));
      }));
  add("module ids at the range ends", Song([](SongBuilder& s) {
        s.Module(ModuleRecord(0x00001000, "first")).Module(ModuleRecord(0x00FFFFFF, "last"));
        s.Chunk(0x00000FFF, std::string_view("below")).Chunk(0x01000000, std::string_view("above"));
      }));
  add("many bad channel tags", Song([](SongBuilder& s) {
        std::vector<ChannelEntry> entries;
        for (std::uint32_t i = 0; i < 300; ++i) entries.push_back(ChannelEntry::BadTag(i == 2004 ? 1 : i));
        s.Channels(entries, 0x7FFFFFFF);
      }));
  add("channels owned by every module", Song([](SongBuilder& s) {
        for (int i = 0; i < 4; ++i) s.Module(ModuleRecord(moduletypes::FirstFX, "fx"));
        std::vector<ChannelEntry> entries;
        for (std::int16_t i = -2; i < 6; ++i) entries.push_back(ChannelEntry("C").OwnerModule(i).Insert1(i).Insert4(0x7FFFFFFF));
        s.Channels(entries);
      }));
  add("send fx assign count 255", Song([](SongBuilder& s) {
        s.SendFx(SendFxRecord().AssignCount(255).AssignModule(7, -1).AssignModule(0, 0x7FFF));
      }));
  add("GLOB text lengths of 1", Song([](SongBuilder& s) {
        s.Glob(SmallGlob().SongInfoBytes({'x'}).SongInfoLength(1).SongInfoUrlBytes({0}).SongInfoUrlLength(1));
      }));
  add("GLOB cut short", [] {
    SongBuilder s;
    s.Version(0x6105).Header(ids::GLOB, 0).Fill(700, 0x7F);
    return s.Build();
  }());
  add("GLOB with odd numbers", Song([](SongBuilder& s) {
        GlobChunk glob = SmallGlob();
        glob.Tempo(std::numeric_limits<float>::quiet_NaN()).RootKey(-5).ClipMode(INT32_MIN).TuningInUse(-1)
            .Ppq(0xFFFFFFFF).SongLength(0).LoopEnd(INT32_MIN).Tuning(0, 1e308).Tuning(1, -1e308)
            .Tuning(2, std::numeric_limits<double>::infinity()).Tuning(3, -0.0).Tuning(4, 5e-324);
        for (std::size_t i = 0; i < 128; ++i) glob.PutU8(1120 + i, static_cast<std::uint8_t>(0x80 + i));
        s.Glob(glob.SongInfoBytes(Bytes(300, 0xE9)).SongInfoUrlBytes({0xFF, 0xFE, 0x00, 0x41}));
      }));
  add("events of every odd value", Song([](SongBuilder& s) {
        std::vector<EventRecord> events;
        for (const std::uint16_t id : {0, 0xFFF, 0x1000, 0x1006, 0x1007, 0x501D, 0x501E, 0xFFFF}) {
          events.push_back(EventRecord(0xFFFF, id, INT32_MIN, INT32_MIN, 0xFFFFFFFF));
          events.push_back(EventRecord(0, id, -1, 0x7FFFFFFF, 0));
        }
        s.Events(events, static_cast<std::int32_t>(16 * events.size() + 15)).Patterns(events);
      }));
  add("more than one data set of events and chunk data", Song([](SongBuilder& s) {
        std::vector<EventRecord> events(3001, EventRecord(1, 0x3000, 2, 3));
        s.Events(events).Chunk(FourCC("BIGD"), Bytes(32000 * 2 + 17, 0xAB));
        s.Module(hostile::PlainModule(moduletypes::FirstFX).DataFill(32001, 0x5A));
      }));
  add("audio clip names without zero", Song([](SongBuilder& s) {
        s.AudioClips({AudioClipEntry("c", "").FileNameBytes(Bytes(50, 0xC3)),
                      AudioClipEntry("", "").FileNameBytes({'/', 0}), AudioClipEntry("x", "").FileNameBytes({})});
      }));
  add("every chunk twice", [] {
    const Bytes every = EveryChunkSong().Build();
    Bytes twice(every.begin(), every.end() - 8);
    twice.insert(twice.end(), every.begin(), every.end());
    return twice;
  }());
  add("chunk ids of every kind of text", Song([](SongBuilder& s) {
        for (const std::uint32_t id : {0x00000000u, 0x20202020u, 0x7F7F7F7Fu, 0x80808080u, 0x1F414141u, 0x41414180u,
                                       FourCC("vfhd"), FourCC("GLOb"), 0xFFFFFFFEu})
          s.Chunk(id, Bytes{1});
      }));
  return songs;
}

// Every small hostile song.
inline std::vector<HostileSong> HostileSongs() {
  std::vector<HostileSong> songs = ExtremeFieldSongs();
  std::vector<HostileSong> shapes = BrokenShapeSongs();
  songs.insert(songs.end(), std::make_move_iterator(shapes.begin()), std::make_move_iterator(shapes.end()));
  return songs;
}

}  // namespace tarvo::testing
