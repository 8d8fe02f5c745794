// The demo song: a plausible song with every chunk kind and all six module
// kinds, built from synthetic data, always the same.

#include "songbuilder/DemoSong.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarvo::testing {

namespace {



// A fixed pseudo-random sequence, so the output never changes.
class Lcg {
 public:
  std::uint32_t Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_ >> 8;
  }
  std::uint32_t Below(std::uint32_t n) { return Next() % n; }

 private:
  std::uint32_t state_ = 0x7A5F0001u;
};

// Module positions in the song; events, channels and sends refer to them.
enum ModuleIndex : std::uint16_t {
  Piano, Drums, Strings, Organ, Vocals, Reverb, Delay, Chorus, ModuleCount
};

constexpr std::int32_t Ppq = 384;
constexpr std::int32_t TicksPerBar = Ppq * 4;

GlobChunk Global(const DemoEdits& edits) {
  GlobChunk glob;
  // Bundle Zumbox samples, loop on, song mode, playlist visible.
  glob.SongFlags(0x01 | 0x04 | 0x10 | 0x40)
      .PlSnap(4)
      .PlHilite(4)
      .PlSnapToGrid(1)
      .PlZoomX(3)
      .PlZoomY(2)
      .PlFlags(0x01 | 0x10)
      .PlPosX(0)
      .PlPosY(2)
      .Tempo(140.0f)
      .Ppq(Ppq)
      .LoopStart(4 * TicksPerBar)
      .LoopEnd(12 * TicksPerBar)
      .MasterVolume(200)
      .PlaylistWindowPos(WindowRecord(40, 60, 1240, 700, WindowFlags(true, false, false, false)))
      .ClipMode(2)
      .MasterWindowPos(WindowRecord(820, 80, 1260, 520, WindowFlags(true, false, false, true)))
      .SongLength(32 * TicksPerBar)
      .TuningTableNumber(1)
      .RootKey(9)
      .TuningTableName("Stretched Equal Temperament")
      .TuningInUse(120)
      .Signature(16)
      .Discarded({0, 0, 0, 0, 1, 0, 0, 0})
      .ShowSongInfo(1)
      .SongInfo("Tarvo Analyzer demo song\r\n"
                "Built by makedemo from synthetic data.\r\n"
                "It holds every chunk kind and all six module kinds.")
      .SongInfoUrl("http://www.example.com/tarvo/demo");
  // Cents above the lowest key, stretched slightly towards the treble.
  if (edits.tempo) glob.Tempo(*edits.tempo);
  if (edits.reservedByte) glob.PutU8(DemoReservedOffset, *edits.reservedByte);
  if (!edits.moreSongInfo.empty())
    glob.SongInfo("Tarvo Analyzer demo song\r\n"
                  "Built by makedemo from synthetic data.\r\n"
                  "It holds every chunk kind and all six module kinds." + edits.moreSongInfo);
  for (std::size_t key = 0; key < 128; ++key) {
    const double fromMiddle = static_cast<double>(key) - 60.0;
    glob.Tuning(key, 100.0 * static_cast<double>(key) + 0.02 * fromMiddle * std::fabs(fromMiddle) / 12.0);
  }
  return glob;
}

std::vector<ChannelEntry> MixerChannels() {
  constexpr std::uint32_t SendLink = 0x20;
  constexpr std::uint32_t EqPostFx = 0x40;
  return {
      ChannelEntry("Master").Stereo(1).Insert1(Chorus).Insert2(-1).Insert3(-1).Insert4(-1).OwnerModule(-1),
      ChannelEntry("Piano").Stereo(1).Insert1(-1).Insert2(-1).Insert3(-1).Insert4(-1).OwnerModule(Piano),
      ChannelEntry("Drums").Stereo(1).Insert1(Delay).Insert2(-1).Insert3(-1).Insert4(-1).OwnerModule(Drums)
          .Flags(SendLink),
      ChannelEntry("Strings L/R").Stereo(1).Insert1(Reverb).Insert2(Chorus).Insert3(-1).Insert4(-1)
          .OwnerModule(Strings).Flags(SendLink | EqPostFx),
      ChannelEntry("Organ").Stereo(0).Insert1(-1).Insert2(-1).Insert3(-1).Insert4(-1).OwnerModule(Organ)
          .Flags(EqPostFx).Extra({0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80}),
      ChannelEntry("Vocals").Stereo(0).Insert1(Reverb).Insert2(Delay).Insert3(Chorus).Insert4(-1)
          .OwnerModule(Vocals),
  };
}

std::vector<ChannelEntry> ReturnChannels() {
  return {
      ChannelEntry("Reverb Return").Stereo(1).Insert1(Reverb).Insert2(-1).Insert3(-1).Insert4(-1).OwnerModule(-1),
      ChannelEntry("Delay Return").Stereo(1).Insert1(Delay).Insert2(-1).Insert3(-1).Insert4(-1).OwnerModule(-1),
  };
}

std::vector<AudioClipEntry> Clips() {
  // The first name is this song itself, so one clip exists when the program
  // runs from the repository; the others are missing on purpose.
  return {
      AudioClipEntry("Demo Song", "examples/demo.kvs"),
      AudioClipEntry("Vocal Take 3", "C:\\Audio\\Takes\\vocal_take_03.wav"),
      AudioClipEntry("Drum Loop 140", "samples/drumloop_140bpm.wav"),
  };
}

// A decaying sine, as sample data looks.
Bytes Waveform(std::size_t n) {
  Bytes data(n);
  for (std::size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i);
    const double sample = std::sin(t * 0.05) * std::exp(-t / 20000.0);
    data[i] = static_cast<std::uint8_t>(128.0 + 100.0 * sample);
  }
  return data;
}

Bytes Pattern(std::size_t n, std::uint32_t seed) {
  Bytes data(n);
  for (std::size_t i = 0; i < n; ++i) data[i] = static_cast<std::uint8_t>((i * seed + (i >> 4)) & 0xFF);
  return data;
}

std::vector<ModuleRecord> Modules() {
  std::vector<ModuleRecord> modules;
  // Built-in sampler; its data is long enough for two data sets in the
  // chunk viewer.
  modules.push_back(ModuleRecord(0x1000, "Grand Piano").Chans(2).Skip({0, 0, 0, 0}).Track("Piano")
                        .Data(Waveform(40000)));
  modules.push_back(ModuleRecord(0x1007, "Zumbox Drums").Chans(2).Track("Drums").Data(Pattern(600, 7)));
  modules.push_back(ModuleRecord(0x1003, "Strings")
                        .Program(12)
                        .ExpandedTracks(2)
                        .AudioChanPins(3)
                        .PinStereo(0, 1)
                        .PinStereo(1, 1)
                        .PinStereo(2, 0)
                        .PluginText("Synthetic Strings Ensemble")
                        .Tracks({"Strings High", "Strings Low", "Strings FX"})
                        .Data(Pattern(2048, 13)));
  modules.push_back(ModuleRecord(0x1012, "Drawbar Organ")
                        .Chans(2)
                        .ClassId(0x5E4C3A21, 0x7B1D, 0x4C2E, {0x9F, 0x10, 0xA2, 0xB3, 0xC4, 0xD5, 0xE6, 0xF7})
                        .Data(Pattern(256, 29)));
  modules.push_back(ModuleRecord(0x1006, "Lead Vocals").Chans(1).Track("Vocals").Data(Pattern(96, 3)));
  modules.push_back(ModuleRecord(0x1111, "Room Reverb").Chans(2).Data(Pattern(128, 5)));
  modules.push_back(
      ModuleRecord(0x1104, "Tape Delay").Chans(2).Program(2).PluginText("Tape Echo Deluxe").Data(Pattern(512, 11)));
  modules.push_back(ModuleRecord(0x110D, "Chorus")
                        .Chans(2)
                        .ClassId(0x0A1B2C3D, 0x4E5F, 0x6071, {0x82, 0x93, 0xA4, 0xB5, 0xC6, 0xD7, 0xE8, 0xF9})
                        .Data(Pattern(64, 17)));
  return modules;
}

// Named event ids of the song events.
namespace events {
constexpr std::uint16_t Tempo = 0x1000;
constexpr std::uint16_t Volume = 0x1002;
constexpr std::uint16_t Pan = 0x1006;
constexpr std::uint16_t LoopOn = 0x1101;
constexpr std::uint16_t NoteOn = 0x3000;
constexpr std::uint16_t NoteOff = 0x3001;
constexpr std::uint16_t PitchBend = 0x3005;
constexpr std::uint16_t PatChange = 0x3007;
constexpr std::uint16_t ChVolume = 0x5000;
constexpr std::uint16_t ChPan = 0x5001;
constexpr std::uint16_t ChFx1Amt = 0x5002;
}  // namespace events

std::vector<EventRecord> SongEvents(const DemoEdits& edits) {
  Lcg random;
  std::vector<EventRecord> list;
  list.emplace_back(0, events::Tempo, 0, 140);
  list.emplace_back(0, events::LoopOn, 0, 1);
  list.emplace_back(Piano, events::Volume, 0, 100);
  list.emplace_back(Strings, events::Pan, 0, -20);
  // Notes on the generators, one to three per beat.
  const std::uint16_t players[] = {Piano, Drums, Strings, Organ};
  for (std::int32_t beat = 0; beat < 96; ++beat) {
    const std::int32_t tick = beat * Ppq;
    const std::uint32_t notes = 1 + random.Below(3);
    for (std::uint32_t n = 0; n < notes; ++n) {
      const std::uint16_t module = players[random.Below(4)];
      const auto key = static_cast<std::int32_t>(36 + random.Below(48));
      const std::uint32_t velocity = 64 + random.Below(64);
      list.emplace_back(module, events::NoteOn, tick, key, velocity);
      list.emplace_back(module, events::NoteOff, tick + Ppq / 2, key, 0);
    }
    if (beat % 8 == 4) list.emplace_back(Strings, events::PitchBend, tick, static_cast<std::int32_t>(random.Below(16384)));
    if (beat % 16 == 0) list.emplace_back(0, events::ChVolume, tick, static_cast<std::int32_t>(160 + random.Below(96)), 3);
    if (beat % 16 == 8) list.emplace_back(0, events::ChPan, tick, static_cast<std::int32_t>(random.Below(128)) - 64, 5);
    if (beat % 24 == 12) list.emplace_back(Reverb, events::ChFx1Amt, tick, static_cast<std::int32_t>(random.Below(256)), 3);
    if (beat % 32 == 31) list.emplace_back(Organ, 12, tick, static_cast<std::int32_t>(random.Below(128)));  // a parameter
  }
  if (edits.insertEvent) {
    const auto middle = list.begin() + static_cast<std::ptrdiff_t>(list.size() / 2);
    list.insert(middle, EventRecord(Piano, events::NoteOn, 48 * Ppq, 60, 100));
  }
  // One id without a name, as newer songs may hold.
  list.emplace_back(Vocals, 0x300E, 95 * Ppq, 0);
  return list;
}

std::vector<EventRecord> PatternEvents() {
  std::vector<EventRecord> list;
  for (std::int32_t bar = 0; bar < 24; ++bar) {
    list.emplace_back(Drums, events::PatChange, bar * TicksPerBar, bar % 4);
    if (bar % 2 == 0) list.emplace_back(Piano, events::PatChange, bar * TicksPerBar, 8 + bar / 2);
    if (bar % 8 == 0) list.emplace_back(Strings, events::PatChange, bar * TicksPerBar, 21);
  }
  return list;
}

std::vector<WindowRecord> Windows() {
  return {
      WindowRecord(0, 0, 1280, 720, WindowFlags(true, false, false, true)),
      WindowRecord(100, 120, 640, 480, WindowFlags(true, false, false, false)),
      WindowRecord(300, 200, 700, 560, WindowFlags(true, true, false, false)),
      WindowRecord(-1, -1, -1, -1, 0),
  };
}

// A chunk the loader does not know, kept whole.
Bytes Snapshot() {
  Bytes data;
  const std::string text = "SNAPSHOT v2: mixer state A";
  data.assign(text.begin(), text.end());
  for (std::uint8_t i = 0; i < 22; ++i) data.push_back(static_cast<std::uint8_t>(i * 11));
  return data;
}

}  // namespace

SongBuilder DemoSong(const DemoEdits& edits) {
  SongBuilder song;
  song.Version(0x6105).Objects(ModuleCount).Glob(Global(edits)).Channels(MixerChannels())
      .ReturnChannels(ReturnChannels()).AudioClips(Clips());
  for (const ModuleRecord& module : Modules()) song.Module(module);
  song.Events(SongEvents(edits))
      .Patterns(PatternEvents())
      .SendFx(SendFxRecord().AssignCount(2).AssignModule(0, Reverb).AssignModule(1, Delay))
      .Windows(Windows())
      .Chunk(FourCC("SNAP"), Snapshot())
      .EndOfSong();
  return song;
}

}  // namespace tarvo::testing
