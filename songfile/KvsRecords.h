#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "songfile/LittleEndian.h"
#include "text/Latin1.h"

namespace tarvo {

// Song and pattern event, 16 bytes:
//   0 u16 ModuleIndex, 2 u16 EventId, 4 i32 TickTime, 8 i32 Data, 12 u32 Extra
class TKvsEvent {
 public:
  static constexpr std::size_t RecordSize = 16;
  explicit TKvsEvent(const std::array<std::uint8_t, RecordSize>& record) : Record(record) {}

  std::uint16_t ModuleIndex() const { return le::U16(&Record[0]); }
  std::uint16_t EventId() const { return le::U16(&Record[2]); }
  std::int32_t TickTime() const { return le::I32(&Record[4]); }
  std::int32_t Data() const { return le::I32(&Record[8]); }
  std::uint32_t Extra() const { return le::U32(&Record[12]); }

  std::array<std::uint8_t, RecordSize> Record;
};

// Window state, 20 bytes: 0 i32 Left, 4 Top, 8 Right, 12 Bottom, 16 u32 Flags
class TKvsWindowPosInfo {
 public:
  static constexpr std::size_t RecordSize = 20;
  TKvsWindowPosInfo() : Record{} {}
  explicit TKvsWindowPosInfo(const std::array<std::uint8_t, RecordSize>& record) : Record(record) {}

  std::int32_t Left() const { return le::I32(&Record[0]); }
  std::int32_t Top() const { return le::I32(&Record[4]); }
  std::int32_t Right() const { return le::I32(&Record[8]); }
  std::int32_t Bottom() const { return le::I32(&Record[12]); }
  std::uint32_t Flags() const { return le::U32(&Record[16]); }

  std::array<std::uint8_t, RecordSize> Record;
};

// Channel record, 68 bytes: 0 name[24], 24 i32 Insert1, 28 i32 Insert2,
// 36 u32 Flags, 40 i32 Stereo, 56 i32 Insert3, 60 i32 Insert4,
// 64 i16 OwnerModule
// A view of the record: a file can hold a channel entry every 8 bytes, so
// the record is read in place. It must outlive the channel.
class TKvsChannel {
 public:
  static constexpr std::size_t RecordSize = 68;
  static constexpr std::size_t NameSize = 24;
  explicit TKvsChannel(const std::uint8_t* record) : record_(record) {}

  const std::uint8_t* Record() const { return record_; }
  std::string GetName() const { return FixedText(&record_[0], NameSize); }
  std::int32_t Insert1() const { return le::I32(&record_[24]); }
  std::int32_t Insert2() const { return le::I32(&record_[28]); }
  std::uint32_t Flags() const { return le::U32(&record_[36]); }
  std::int32_t Stereo() const { return le::I32(&record_[40]); }
  std::int32_t Insert3() const { return le::I32(&record_[56]); }
  std::int32_t Insert4() const { return le::I32(&record_[60]); }
  std::int16_t OwnerModule() const { return le::I16(&record_[64]); }

 private:
  const std::uint8_t* record_;
};

// Audio clip record, 104 bytes: 40 ClipName[20]; the rest is kept whole.
class TKvsAudioClip {
 public:
  static constexpr std::size_t RecordSize = 104;
  TKvsAudioClip(std::int32_t index, std::string fileName,
                const std::array<std::uint8_t, RecordSize>& record)
      : Info(record), Index(index), FileName(std::move(fileName)) {}

  std::string GetName() const { return FixedText(&Info[40], 20); }

  std::array<std::uint8_t, RecordSize> Info;
  std::int32_t Index;
  std::string FileName;  // 8-bit, as stored, up to its first zero byte
};

// Send-FX assignment record, 20 bytes: 2 u8 AssignCount,
// 4 8 x i16 AssignModules. Every object made from one record views the
// same bytes, which must outlive it; the object at list position i stands
// for entry i.
class TKvsSendFxAssign {
 public:
  static constexpr std::size_t RecordSize = 20;
  static constexpr int MaxAssigns = 8;
  explicit TKvsSendFxAssign(const std::uint8_t* record) : record_(record) {}

  const std::uint8_t* Record() const { return record_; }
  std::uint8_t AssignCount() const { return record_[2]; }
  // Entry i of AssignModules, 0 <= i < 8.
  std::int16_t AssignModule(int i) const { return le::I16(&record_[4 + 2 * i]); }

 private:
  const std::uint8_t* record_;
};

// Playlist track, 64 bytes: 0 name[30]; the rest is not interpreted.
class TKvsTrack {
 public:
  static constexpr std::size_t RecordSize = 64;
  TKvsTrack() : Data{} {}

  std::string GetName() const { return FixedText(&Data[0], 30); }

  std::array<std::uint8_t, RecordSize> Data;
};

}  // namespace tarvo
