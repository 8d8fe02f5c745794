#include "songfile/KvsGlobal.h"

namespace tarvo {

namespace {
TKvsWindowPosInfo WindowPosAt(const std::array<std::uint8_t, TKvsGlobal::SettingsSize>& settings,
                              std::size_t offset) {
  std::array<std::uint8_t, TKvsWindowPosInfo::RecordSize> record;
  for (std::size_t i = 0; i < record.size(); ++i) record[i] = settings[offset + i];
  return TKvsWindowPosInfo(record);
}
}  // namespace

void TKvsGlobal::SetSettings(const std::array<std::uint8_t, SettingsSize>& settings) {
  Settings = settings;
  playlistWindowPos_ = WindowPosAt(Settings, 36);
  masterWindowPos_ = WindowPosAt(Settings, 60);
}

}  // namespace tarvo
