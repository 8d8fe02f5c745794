#include "bench/BenchSongs.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace tarvo::bench {

namespace {

using namespace tarvo::testing;

constexpr std::uint8_t MarkerFirstByte = 'Z';

std::uint64_t SplitMix64(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// A fixed pseudo-random sequence for the small structures.
class Lcg {
 public:
  explicit Lcg(std::uint32_t seed) : state_(seed) {}
  std::uint32_t Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_ >> 8;
  }
  std::uint32_t Below(std::uint32_t n) { return Next() % n; }

 private:
  std::uint32_t state_;
};

std::string Numbered(const char* prefix, std::uint32_t n) {
  char text[48];
  std::snprintf(text, sizeof text, "%s %06u", prefix, n);
  return text;
}

// The module kinds in turn, so every page and viewer sees each of them.
constexpr std::array<std::uint32_t, 6> KindCycle = {
    moduletypes::Sampler, 0x1101, moduletypes::VSTSynth, moduletypes::VSTFX, moduletypes::DXSynth, moduletypes::DXFX};

ModuleRecord SmallModule(std::uint32_t index, Bytes data) {
  const std::uint32_t typeId = KindCycle[index % KindCycle.size()];
  ModuleRecord module(typeId, Numbered(IsGeneratorKind(KindOfModule(typeId)) ? "Gen" : "FX", index));
  if (KindOfModule(typeId) != ModuleKind::VSTSynth) module.Chans(2);
  switch (KindOfModule(typeId)) {
    case ModuleKind::Synth:
      module.Track(Numbered("Track", index));
      break;
    case ModuleKind::VSTSynth:
      module.Program(static_cast<std::int32_t>(index % 128))
          .ExpandedTracks(1)
          .AudioChanPins(2)
          .PinStereo(0, 1)
          .PluginText(Numbered("Synth Plug", index % 50))
          .Tracks({Numbered("Track", index), Numbered("Track", index + 1)});
      break;
    case ModuleKind::VSTFX:
      module.Program(static_cast<std::int32_t>(index % 128)).PluginText(Numbered("FX Plug", index % 50));
      break;
    case ModuleKind::DXSynth:
    case ModuleKind::DXFX:
      module.ClassId(0x01234567u + index, 0x89AB, 0xCDEF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF});
      break;
    case ModuleKind::FX:
      break;
  }
  module.Data(std::move(data));
  return module;
}

GlobChunk Global() {
  GlobChunk glob;
  glob.SongFlags(0x54)
      .Tempo(128.0f)
      .Ppq(96)
      .LoopStart(0)
      .LoopEnd(384 * 64)
      .MasterVolume(200)
      .TuningTableName("Equal")
      .TuningInUse(128)
      .Signature(16)
      .ShowSongInfo(1)
      .SongInfo("Synthetic benchmark song")
      .SongInfoUrl("http://example.org/bench");
  for (std::size_t i = 0; i < 128; ++i) glob.Tuning(i, 100.0 * static_cast<double>(i));
  return glob;
}

std::vector<ChannelEntry> MixerChannels(std::uint32_t count, std::uint32_t modules) {
  std::vector<ChannelEntry> channels;
  channels.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    const auto owner = static_cast<std::int32_t>(modules > 0 ? i % modules : 0);
    channels.push_back(ChannelEntry(Numbered("Chan", i))
                           .Insert1(owner)
                           .Insert2(-1)
                           .Insert3(modules > 0 ? static_cast<std::int32_t>((i * 7) % modules) : -1)
                           .Insert4(-1)
                           .Flags(i & 0xFFu)
                           .Stereo(static_cast<std::int32_t>(i & 1u))
                           .OwnerModule(static_cast<std::int16_t>(owner & 0x7FFF)));
  }
  return channels;
}

// The event ids the song uses: named ones and a few the program does not know.
constexpr std::array<std::uint16_t, 14> EventIdCycle = {0x3000, 0x3001, 0x3002, 0x3003, 0x3004, 0x3005, 0x3006,
                                                        0x3007, 0x3008, 0x3009, 0x300A, 0x300B, 0x0042, 0x7FFF};

// Event records written straight into one payload: millions of them never
// exist as separate records.
Bytes EventPayload(std::uint32_t count, std::uint32_t modules, bool patterns, std::uint32_t seed) {
  Bytes payload;
  payload.reserve(static_cast<std::size_t>(count) * 16);
  Lcg random(seed);
  for (std::uint32_t i = 0; i < count; ++i) {
    // One in 64 events names a module past the last one.
    const auto module = static_cast<std::uint16_t>(random.Below(64) == 0 ? modules + 3 : i % modules);
    const std::uint16_t eventId = EventIdCycle[random.Below(EventIdCycle.size())];
    const auto tick = static_cast<std::int32_t>(i * 24u);
    const auto data =
        patterns ? static_cast<std::int32_t>(random.Below(1000)) : static_cast<std::int32_t>(random.Next());
    const EventRecord record(module, eventId, tick, data, random.Next());
    payload.insert(payload.end(), record.bytes().begin(), record.bytes().end());
  }
  return payload;
}

SongBuilder BigData(const ScenarioShape& shape) {
  SongBuilder song;
  song.Version(0x6105).Objects(shape.dataModules).Glob(Global()).Channels(MixerChannels(8, 8));
  for (int m = 0; m < shape.dataModules; ++m) {
    const auto index = static_cast<std::uint32_t>(m);
    const std::uint64_t size = shape.moduleDataSize;
    ModuleRecord module = SmallModule(index, {});
    module.DataGenerated(size, [index, size](std::uint64_t offset, std::uint8_t* out, std::size_t n) {
      BigModuleData(index, size, offset, out, n);
    });
    song.Module(module);
  }
  song.Events({EventRecord(0, 0x3000, 0, 100), EventRecord(1, 0x3001, 96, 64)})
      .Patterns({EventRecord(0, 0x3007, 0, 1)})
      .Windows({WindowRecord(10, 20, 300, 400, WindowFlags(true, false, false, false))})
      .EndOfSong();
  return song;
}

SongBuilder ManyEvents(const ScenarioShape& shape) {
  constexpr std::uint32_t Modules = 16;
  SongBuilder song;
  song.Version(0x6105).Objects(Modules).Glob(Global()).Channels(MixerChannels(16, Modules));
  for (std::uint32_t m = 0; m < Modules; ++m) {
    Bytes data(64);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i + m);
    song.Module(SmallModule(m, std::move(data)));
  }
  song.Chunk(ids::EVTS, EventPayload(shape.songEvents, Modules, false, 0xE7E7))
      .Chunk(ids::PATC, EventPayload(shape.patternEvents, Modules, true, 0xAA55))
      .SendFx(SendFxRecord().AssignCount(2).AssignModule(0, 1).AssignModule(1, 3))
      .Windows({WindowRecord(10, 20, 300, 400, WindowFlags(true, false, false, false)),
                WindowRecord(0, 0, 640, 480, WindowFlags(true, true, false, true))})
      .EndOfSong();
  return song;
}

SongBuilder ManyModules(const ScenarioShape& shape) {
  SongBuilder song;
  song.Version(0x6105)
      .Objects(static_cast<std::int32_t>(shape.smallModules))
      .Glob(Global())
      .Channels(MixerChannels(shape.channels, shape.smallModules))
      .ReturnChannels(MixerChannels(16, shape.smallModules));
  Lcg random(0x5EED);
  for (std::uint32_t m = 0; m < shape.smallModules; ++m) {
    Bytes data(16 + random.Below(240));
    for (auto& byte : data) {
      byte = static_cast<std::uint8_t>(random.Next());
      if (byte == MarkerFirstByte) byte = 'z';
    }
    song.Module(SmallModule(m, std::move(data)));
  }
  song.Chunk(ids::EVTS, EventPayload(10'000, shape.smallModules, false, 0x1234))
      .Chunk(ids::PATC, EventPayload(1'000, shape.smallModules, true, 0x4321))
      .EndOfSong();
  return song;
}

}  // namespace

SongBuilder CollectionSong(std::uint32_t index, std::uint64_t size) {
  // About half module data, a quarter song events, the rest the fixed
  // chunks and pattern events: the map's work is mostly the events.
  constexpr std::uint32_t Modules = 8;
  SongBuilder song;
  song.Version(index % 5 == 0 ? 0x6100 : 0x6105)
      .Objects(Modules)
      .Glob(Global())
      .Channels(MixerChannels(16, Modules));
  const std::uint64_t dataSize = size / 2 / Modules;
  for (std::uint32_t m = 0; m < Modules; ++m) {
    const std::uint32_t module = index * Modules + m;
    ModuleRecord record = SmallModule(module, {});
    record.DataGenerated(dataSize, [module, dataSize](std::uint64_t offset, std::uint8_t* out, std::size_t n) {
      BigModuleData(module, dataSize, offset, out, n);
    });
    song.Module(record);
  }
  song.Chunk(ids::EVTS, EventPayload(static_cast<std::uint32_t>(size / 4 / 16), Modules, false, index))
      .Windows({WindowRecord(10, 20, 300, 400, WindowFlags(true, false, false, false))});
  // Pattern events fill the rest, less the two headers still to come.
  const std::uint64_t rest = size > song.Size() + 16 ? size - song.Size() - 16 : 0;
  song.Chunk(ids::PATC, EventPayload(static_cast<std::uint32_t>(rest / 16), Modules, true, ~index)).EndOfSong();
  return song;
}

ScenarioShape ShapeOf(std::string_view suffix) {
  ScenarioShape shape;
  if (suffix == QuarterSuffix) {
    shape.songEvents /= 4;
    shape.patternEvents /= 4;
  }
  return shape;
}

std::string_view ScenarioName(Scenario scenario) {
  switch (scenario) {
    case Scenario::BigData:
      return "big-data";
    case Scenario::ManyEvents:
      return "many-events";
    case Scenario::ManyModules:
      return "many-modules";
  }
  return "?";
}

Scenario ScenarioFromName(std::string_view name) {
  for (const Scenario s : {Scenario::BigData, Scenario::ManyEvents, Scenario::ManyModules})
    if (ScenarioName(s) == name) return s;
  throw std::invalid_argument("unknown scenario " + std::string(name));
}

SongBuilder BuildScenario(Scenario scenario, const ScenarioShape& shape) {
  switch (scenario) {
    case Scenario::BigData:
      return BigData(shape);
    case Scenario::ManyEvents:
      return ManyEvents(shape);
    case Scenario::ManyModules:
      return ManyModules(shape);
  }
  throw std::invalid_argument("unknown scenario");
}

std::filesystem::path BenchDirectory() {
  const char* const dir = std::getenv("TARVO_BENCH_DIR");
  std::filesystem::path path = dir != nullptr && *dir != '\0' ? dir : "/tmp/tarvo-bench";
  std::filesystem::create_directories(path);
  return path;
}

std::filesystem::path ScenarioPath(Scenario scenario, std::string_view suffix) {
  return BenchDirectory() / (std::string(ScenarioName(scenario)) + std::string(suffix) + ".kvs");
}

std::uint64_t EnsureSongFile(const SongBuilder& song, const std::filesystem::path& path) {
  std::error_code error;
  const auto existing = std::filesystem::file_size(path, error);
  if (!error && existing == song.Size()) return song.Size();
  // Written under another name first, so a run stopped halfway never leaves
  // a file that looks complete.
  std::filesystem::path part = path;
  part += ".part";
  song.WriteToFile(part);
  std::filesystem::rename(part, path);
  return song.Size();
}

void BigModuleData(std::uint32_t module, std::uint64_t dataSize, std::uint64_t offset, std::uint8_t* out,
                   std::size_t n) {
  const std::uint64_t seed = SplitMix64(0xB16DA7A0ull + module);
  std::uint64_t word = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint64_t p = offset + i;
    if (i == 0 || (p & 7u) == 0) word = SplitMix64(seed ^ (p >> 3));
    std::uint8_t byte = static_cast<std::uint8_t>(word >> (8 * (p & 7u)));
    if (byte == MarkerFirstByte) byte = 'z';
    out[i] = byte;
  }
  // A few false starts: the marker's first four bytes alone, its first 11,
  // and all but its last compared byte. Each ends in a byte that can never
  // complete the marker.
  static const std::string falseStarts[] = {
      std::string("ZMOD") + 'x',
      std::string("ZMOD\x10\0\0\0End", 11) + 'x',
      std::string("ZMOD\x10\0\0\0EndTarvoModul", 21) + 'x',
  };
  if (dataSize < 256) return;
  const std::uint64_t at[] = {dataSize / 4 + 17, dataSize / 2 + 5, dataSize - 64};
  for (std::size_t k = 0; k < 3; ++k) {
    const std::string& text = falseStarts[k];
    for (std::size_t j = 0; j < text.size(); ++j) {
      const std::uint64_t p = at[k] + j;
      if (p >= offset && p < offset + n) out[p - offset] = static_cast<std::uint8_t>(text[j]);
    }
  }
}

}  // namespace tarvo::bench
