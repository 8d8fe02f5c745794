#pragma once

// Songs made of nothing but the smallest record of one kind, repeated up to
// a size: the files that cost the most model and log per byte. The memory
// tests and the memory benchmark use this one list. Header only, like
// HostileSongs.h.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "songbuilder/SongBuilder.h"

namespace tarvo::testing {

enum class TinyRecord {
  UnknownChunks,   // 8 bytes: an empty chunk of an unknown id
  CorruptModules,  // 40 bytes: a module with the wrong info tag and no data
  SendFxAssigns,   // 28 bytes: "VUUU" with an assign count of 255 (eight objects)
  BadTagChannels,  // 8 bytes: one "CHAN" of channel entries with another tag
  OneEventChunks,  // 24 bytes: "EVTS" with one event
  WindowStates,    // 20 bytes: one "WINP" of window state records
  AudioClips,      // 108 bytes: one "AUIO" of clips without file names
  ModuleTracks,    // 64 bytes: one generator of empty playlist tracks
};

inline const std::vector<TinyRecord>& AllTinyRecords() {
  static const std::vector<TinyRecord> all{TinyRecord::UnknownChunks,  TinyRecord::CorruptModules,
                                           TinyRecord::SendFxAssigns,  TinyRecord::BadTagChannels,
                                           TinyRecord::OneEventChunks, TinyRecord::WindowStates,
                                           TinyRecord::AudioClips,     TinyRecord::ModuleTracks};
  return all;
}

inline const char* TinyRecordName(TinyRecord kind) {
  switch (kind) {
    case TinyRecord::UnknownChunks: return "unknown-chunks";
    case TinyRecord::CorruptModules: return "corrupt-modules";
    case TinyRecord::SendFxAssigns: return "sendfx-assigns";
    case TinyRecord::BadTagChannels: return "bad-tag-channels";
    case TinyRecord::OneEventChunks: return "one-event-chunks";
    case TinyRecord::WindowStates: return "window-states";
    case TinyRecord::AudioClips: return "audio-clips";
    case TinyRecord::ModuleTracks: return "module-tracks";
  }
  return "?";
}

// A song of about `size` bytes of `kind`'s records.
inline Bytes TinyRecordSong(TinyRecord kind, std::size_t size) {
  SongBuilder head;
  head.Version(0x6105);
  SongBuilder unitSong;
  std::size_t headerBytes = head.Size();
  std::size_t unitSize = 0;
  switch (kind) {
    case TinyRecord::UnknownChunks:
      unitSong.Header(FourCC("XTRA"), 0);
      break;
    case TinyRecord::CorruptModules:
      unitSong.Module(ModuleRecord(moduletypes::FirstFX).InfoTag(0));
      break;
    case TinyRecord::SendFxAssigns:
      unitSong.SendFx(SendFxRecord().AssignCount(255));
      break;
    case TinyRecord::OneEventChunks:
      unitSong.Events({EventRecord().TickTime(1)});
      break;
    case TinyRecord::BadTagChannels:
      unitSize = 8;
      break;
    case TinyRecord::WindowStates:
      unitSize = 20;
      break;
    case TinyRecord::AudioClips:
      unitSize = 108;
      break;
    case TinyRecord::ModuleTracks:
      unitSize = 64;
      break;
  }
  if (unitSize == 0) {
    Bytes bytes = head.Build();
    const Bytes unit = unitSong.Build();
    bytes.reserve(size);
    while (bytes.size() + unit.size() <= size) bytes.insert(bytes.end(), unit.begin(), unit.end());
    return bytes;
  }
  // One chunk whose count covers the rest; zero bytes make each record.
  const auto count = static_cast<std::int32_t>((size - headerBytes - 16) / unitSize);
  switch (kind) {
    case TinyRecord::BadTagChannels:
      head.Header(ids::CHAN, count);
      break;
    case TinyRecord::WindowStates:
      head.Header(ids::WINP, count * 20 + 4).RawI32(count);
      break;
    case TinyRecord::AudioClips:
      head.Header(ids::AUIO, count);
      break;
    default:
      // A built-in generator, its info record, then a track block of every
      // track the rest of the file holds.
      head.Module(ModuleRecord(moduletypes::Sampler)
                      .TrackBlock(true)
                      .TrackBlockLength(count * 64)
                      .EndMarker(false));
      break;
  }
  head.Fill(static_cast<std::uint64_t>(count) * unitSize, 0);
  return head.Build();
}

}  // namespace tarvo::testing
