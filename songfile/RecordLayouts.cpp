#include "songfile/RecordLayouts.h"

namespace tarvo::layouts {

namespace {

using K = TKvsRegionKind;
using V = TKvsValueFormat;

template <std::size_t N>
constexpr std::array<std::uint64_t, RegionKindCount> KindBytes(const TKvsFieldLayout (&fields)[N]) {
  std::array<std::uint64_t, RegionKindCount> bytes{};
  for (const TKvsFieldLayout& field : fields)
    bytes[static_cast<std::size_t>(field.kind)] += std::uint64_t{field.size} * field.count;
  return bytes;
}

// Whether the fields tile [0, size) in order: checked at compile time.
template <std::size_t N>
constexpr bool Tiles(const TKvsFieldLayout (&fields)[N], std::size_t size) {
  std::size_t end = 0;
  for (const TKvsFieldLayout& field : fields) {
    if (field.offset != end || field.size == 0 || field.count == 0) return false;
    end = field.offset + std::size_t{field.size} * field.count;
  }
  return end == size;
}

#define TARVO_LAYOUT(NAME, GROUP, SIZE, FIELDS)                               \
  static_assert(Tiles(FIELDS, SIZE), #NAME " fields must tile the record"); \
  const TKvsRecordLayout NAME = {GROUP, SIZE, FIELDS, KindBytes(FIELDS)}

constexpr TKvsFieldLayout EventFields[] = {
    {0, 2, K::Field, V::U16, "ModuleIndex"}, {2, 2, K::Field, V::U16, "EventId"},
    {4, 4, K::Field, V::I32, "TickTime"},    {8, 4, K::Field, V::I32, "Data"},
    {12, 4, K::Field, V::U32, "Extra"},
};

constexpr TKvsFieldLayout WindowPosFields[] = {
    {0, 4, K::Field, V::I32, "Left"},   {4, 4, K::Field, V::I32, "Top"},   {8, 4, K::Field, V::I32, "Right"},
    {12, 4, K::Field, V::I32, "Bottom"}, {16, 4, K::Field, V::U32, "Flags"},
};

constexpr TKvsFieldLayout SendFxFields[] = {
    {0, 2, K::Reserved, V::None, "Reserved+0"},
    {2, 1, K::Field, V::U8, "AssignCount"},
    {3, 1, K::Reserved, V::None, "Reserved+3"},
    {4, 2, K::Field, V::I16, "AssignModules", 8},
};

// The two window records inside the settings are fields of their own, so
// that each value has a path.
constexpr TKvsFieldLayout SettingsFields[] = {
    {0, 4, K::Field, V::U32, "SongFlags"},
    {4, 1, K::Field, V::U8, "PlSnap"},
    {5, 1, K::Field, V::U8, "PlHilite"},
    {6, 1, K::Field, V::U8, "PlSnapToGrid"},
    {7, 1, K::Field, V::U8, "PlZoomX"},
    {8, 1, K::Field, V::U8, "PlZoomY"},
    {9, 1, K::Field, V::U8, "PlFlags"},
    {10, 1, K::Field, V::U8, "PlPosX"},
    {11, 1, K::Field, V::U8, "PlPosY"},
    {12, 4, K::Field, V::F32, "Tempo"},
    {16, 4, K::Field, V::U32, "Ppq"},
    {20, 4, K::Field, V::I32, "LoopStart"},
    {24, 4, K::Field, V::I32, "LoopEnd"},
    {28, 4, K::Field, V::I32, "MasterVolume"},
    {32, 4, K::Reserved, V::None, "Reserved+32"},
    {36, 4, K::Field, V::I32, "PlaylistWindowPos/Left"},
    {40, 4, K::Field, V::I32, "PlaylistWindowPos/Top"},
    {44, 4, K::Field, V::I32, "PlaylistWindowPos/Right"},
    {48, 4, K::Field, V::I32, "PlaylistWindowPos/Bottom"},
    {52, 4, K::Field, V::U32, "PlaylistWindowPos/Flags"},
    {56, 4, K::Field, V::I32, "ClipMode"},
    {60, 4, K::Field, V::I32, "MasterWindowPos/Left"},
    {64, 4, K::Field, V::I32, "MasterWindowPos/Top"},
    {68, 4, K::Field, V::I32, "MasterWindowPos/Right"},
    {72, 4, K::Field, V::I32, "MasterWindowPos/Bottom"},
    {76, 4, K::Field, V::U32, "MasterWindowPos/Flags"},
    {80, 4, K::Field, V::I32, "SongLength"},
    {84, 4, K::Field, V::I32, "TuningTableNumber"},
    {88, 4, K::Field, V::I32, "RootKey"},
    {92, 4, K::Reserved, V::None, "Reserved+92"},
    {96, 8, K::Field, V::F64, "Tuning", 128},
    {1120, 128, K::Field, V::Text, "TuningTableName"},
    {1248, 4, K::Field, V::I32, "TuningInUse"},
    {1252, 4, K::Reserved, V::None, "Reserved+1252"},
    {1256, 4, K::Field, V::I32, "Signature"},
    {1260, 4, K::Reserved, V::None, "Reserved+1260"},
};

constexpr TKvsFieldLayout SongInfoHeaderFields[] = {
    {0, 4, K::Field, V::U32, "ShowSongInfo"},
    {4, 4, K::Field, V::I32, "SongInfoLength"},
    {8, 4, K::Field, V::I32, "SongInfoUrlLength"},
    {12, 4, K::Reserved, V::None, "Reserved+12"},
};

constexpr TKvsFieldLayout ChannelFields[] = {
    {0, 24, K::Field, V::Text, "ChannelName"},
    {24, 4, K::Field, V::I32, "Insert1"},
    {28, 4, K::Field, V::I32, "Insert2"},
    {32, 4, K::Reserved, V::None, "Reserved+32"},
    {36, 4, K::Field, V::U32, "Flags"},
    {40, 4, K::Field, V::I32, "Stereo"},
    {44, 12, K::Reserved, V::None, "Reserved+44"},
    {56, 4, K::Field, V::I32, "Insert3"},
    {60, 4, K::Field, V::I32, "Insert4"},
    {64, 2, K::Field, V::I16, "OwnerModule"},
    {66, 2, K::Reserved, V::None, "Reserved+66"},
};

constexpr TKvsFieldLayout AudioClipFields[] = {
    {0, 40, K::Reserved, V::None, "Reserved+0"},
    {40, 20, K::Field, V::Text, "ClipName"},
    {60, 44, K::Reserved, V::None, "Reserved+60"},
};

constexpr TKvsFieldLayout TrackFields[] = {
    {0, 30, K::Field, V::Text, "Name"},
    {30, 34, K::Reserved, V::None, "Reserved+30"},
};

constexpr TKvsFieldLayout SynthInfoFields[] = {
    {0, 4, K::Reserved, V::None, "Reserved+0"},
    {4, 40, K::Field, V::Text, "InfoName"},
    {44, 130, K::Reserved, V::None, "Reserved+44"},
    {174, 1, K::Field, V::U8, "Chans"},
    {175, 37, K::Reserved, V::None, "Reserved+175"},
};

constexpr TKvsFieldLayout FXInfoFields[] = {
    {0, 4, K::Reserved, V::None, "Reserved+0"},
    {4, 40, K::Field, V::Text, "InfoName"},
    {44, 4, K::Field, V::I32, "Chans"},
    {48, 24, K::Reserved, V::None, "Reserved+48"},
};

constexpr TKvsFieldLayout VSTFXInfoFields[] = {
    {0, 4, K::Reserved, V::None, "Reserved+0"},
    {4, 40, K::Field, V::Text, "InfoName"},
    {44, 4, K::Field, V::I32, "Chans"},
    {48, 4, K::Reserved, V::None, "Reserved+48"},
    {52, 4, K::Field, V::I32, "Program"},
    {56, 4, K::Field, V::I32, "PluginTextLength"},
    {60, 8, K::Reserved, V::None, "Reserved+60"},
};

constexpr TKvsFieldLayout VSTSynthInfoFields[] = {
    {0, 4, K::Reserved, V::None, "Reserved+0"},
    {4, 40, K::Field, V::Text, "InfoName"},
    {44, 16, K::Reserved, V::None, "Reserved+44"},
    {60, 4, K::Field, V::I32, "Program"},
    {64, 4, K::Field, V::I32, "PluginTextLength"},
    {68, 4, K::Field, V::I32, "ExpandedTracks"},
    {72, 4, K::Field, V::I32, "AudioChanPins"},
    {76, 1, K::Field, V::U8, "PinStereo", 128},
};

constexpr TKvsFieldLayout DXInfoFields[] = {
    {0, 4, K::Reserved, V::None, "Reserved+0"},
    {4, 40, K::Field, V::Text, "InfoName"},
    {44, 4, K::Field, V::I32, "Chans"},
    {48, 8, K::Reserved, V::None, "Reserved+48"},
    {56, 16, K::Field, V::Guid, "ClassId"},
};

}  // namespace

TARVO_LAYOUT(Event, nullptr, 16, EventFields);
TARVO_LAYOUT(WindowPos, nullptr, 20, WindowPosFields);
TARVO_LAYOUT(SendFxAssign, nullptr, 20, SendFxFields);
TARVO_LAYOUT(Settings, "Settings", 1264, SettingsFields);
TARVO_LAYOUT(SongInfoHeader, "SongInfoHeader", 16, SongInfoHeaderFields);
TARVO_LAYOUT(Channel, nullptr, 68, ChannelFields);
TARVO_LAYOUT(AudioClip, nullptr, 104, AudioClipFields);
TARVO_LAYOUT(Track, "Tracks", 64, TrackFields);
TARVO_LAYOUT(SynthInfo, "Info", 212, SynthInfoFields);
TARVO_LAYOUT(FXInfo, "Info", 72, FXInfoFields);
TARVO_LAYOUT(VSTFXInfo, "Info", 68, VSTFXInfoFields);
TARVO_LAYOUT(VSTSynthInfo, "Info", 204, VSTSynthInfoFields);
TARVO_LAYOUT(DXInfo, "Info", 72, DXInfoFields);

#undef TARVO_LAYOUT

}  // namespace tarvo::layouts
