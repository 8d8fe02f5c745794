#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "songfile/KvsRecords.h"
#include "songfile/LittleEndian.h"
#include "text/Latin1.h"

namespace tarvo {

// The "GLOB" chunk's song info header (16 bytes: 0 u32 ShowSongInfo,
// 4 i32 SongInfoLength, 8 i32 SongInfoUrlLength) and its 1264-byte
// settings block, whose fields are read at their offsets below.
class TKvsGlobal {
 public:
  static constexpr std::size_t HeaderSize = 16;
  static constexpr std::size_t SettingsSize = 1264;
  static constexpr int TuningSize = 128;

  TKvsGlobal() : Header{}, Settings{} {}

  void SetSettings(const std::array<std::uint8_t, SettingsSize>& settings);

  std::uint32_t ShowSongInfo() const { return le::U32(&Header[0]); }
  std::int32_t SongInfoLength() const { return le::I32(&Header[4]); }
  std::int32_t SongInfoUrlLength() const { return le::I32(&Header[8]); }

  std::uint32_t SongFlags() const { return le::U32(&Settings[0]); }
  std::uint8_t PlSnap() const { return Settings[4]; }
  std::uint8_t PlHilite() const { return Settings[5]; }
  std::uint8_t PlSnapToGrid() const { return Settings[6]; }
  std::uint8_t PlZoomX() const { return Settings[7]; }
  std::uint8_t PlZoomY() const { return Settings[8]; }
  std::uint8_t PlFlags() const { return Settings[9]; }
  std::uint8_t PlPosX() const { return Settings[10]; }
  std::uint8_t PlPosY() const { return Settings[11]; }
  float Tempo() const { return le::F32(&Settings[12]); }
  std::uint32_t Ppq() const { return le::U32(&Settings[16]); }
  std::int32_t LoopStart() const { return le::I32(&Settings[20]); }
  std::int32_t LoopEnd() const { return le::I32(&Settings[24]); }
  std::int32_t MasterVolume() const { return le::I32(&Settings[28]); }
  std::int32_t ClipMode() const { return le::I32(&Settings[56]); }
  std::int32_t SongLength() const { return le::I32(&Settings[80]); }
  std::int32_t TuningTableNumber() const { return le::I32(&Settings[84]); }
  std::int32_t RootKey() const { return le::I32(&Settings[88]); }
  double Tuning(int i) const { return le::F64(&Settings[96 + 8 * i]); }  // 0 <= i < 128
  std::string TuningTableName() const { return FixedText(&Settings[1120], 128); }
  std::int32_t TuningInUse() const { return le::I32(&Settings[1248]); }
  std::int32_t Signature() const { return le::I32(&Settings[1256]); }

  // The window state records at offsets 36 and 60 of the settings; the same
  // objects on every access.
  const TKvsWindowPosInfo& PlaylistWindowPos() const { return playlistWindowPos_; }
  const TKvsWindowPosInfo& MasterWindowPos() const { return masterWindowPos_; }

  std::array<std::uint8_t, HeaderSize> Header;
  std::array<std::uint8_t, SettingsSize> Settings;

 private:
  TKvsWindowPosInfo playlistWindowPos_;
  TKvsWindowPosInfo masterWindowPos_;
};

}  // namespace tarvo
