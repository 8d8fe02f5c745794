#include "content/pages/MainContent.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "content/Cells.h"
#include "content/pages/WindowPosCells.h"
#include "text/Format.h"

namespace tarvo::content {
namespace {

// SongFlags bits
constexpr std::uint32_t BundleZumboxFlag = 1u << 0;
constexpr std::uint32_t BundleSamplerFlag = 1u << 1;
constexpr std::uint32_t LoopOnFlag = 1u << 2;
constexpr std::uint32_t SongModeFlag = 1u << 4;
constexpr std::uint32_t PlaylistVisibleFlag = 1u << 6;
constexpr std::uint32_t GlobalVolumeDeactiveFlag = 1u << 9;

// PlFlags bits
constexpr std::uint8_t DragModuleEventsFlag = 1u << 0;
constexpr std::uint8_t DragMixerEventsFlag = 1u << 1;
constexpr std::uint8_t ShowNotesFlag = 1u << 4;

constexpr std::array<const char*, 12> RootKeyNames = {"C",  "C#", "D",  "D#", "E",  "F",
                                                      "F#", "G",  "G#", "A",  "A#", "B"};

std::vector<Column> TuningColumns() { return {{"#", 30}, {"Tuning", 80}, {"", 100}}; }

std::vector<Column> GWindowPosColumns() {
  return {{"#", 30}, {"Window", 80}, {"Left", 85}, {"Top", 85}, {"Right", 85}, {"Bottom", 85}, {"Flags", 230}};
}

std::string SongLengthText(const TKvsGlobal& global) {
  // A song without a stored length plays to its loop end.
  const std::int32_t shown = global.SongLength() != 0 ? global.SongLength() : global.LoopEnd();
  return Format("%d (real %d)", {shown, global.SongLength()});
}

std::string ClipModeText(std::int32_t clipMode) {
  switch (clipMode) {
    case 0:
      return "Digital clipping";
    case 2:
      return "No clipping";
    default:
      return Format("%d", {clipMode});
  }
}

std::string RootKeyText(std::int32_t rootKey) {
  // Keys outside the octave show as the first key.
  if (rootKey < 0 || rootKey >= static_cast<std::int32_t>(RootKeyNames.size())) rootKey = 0;
  return RootKeyNames[static_cast<std::size_t>(rootKey)];
}

Table TuningTable(const Song& song) {
  return Table(TuningColumns(), TKvsGlobal::TuningSize, [song](std::size_t row, std::vector<std::string>& cells) {
    const TKvsGlobal& global = song->Global();
    const int entry = static_cast<int>(row);
    cells.push_back(RowCaption(row));
    cells.push_back(Format("%f", {global.Tuning(entry)}));
    cells.push_back(entry < global.TuningInUse() ? std::string() : std::string("not in use"));
  });
}

Table GWindowPosTable(const Song& song) {
  return Table(GWindowPosColumns(), 2, [song](std::size_t row, std::vector<std::string>& cells) {
    const TKvsGlobal& global = song->Global();
    cells.push_back(RowCaption(row));
    if (row == 0) {
      cells.push_back("Playlist");
      AddWindowPosCells(cells, global.PlaylistWindowPos());
    } else {
      cells.push_back("Master");
      AddWindowPosCells(cells, global.MasterWindowPos());
    }
  });
}

}  // namespace

Page FillGlobalPage(const Song& song) {
  const TKvsLoader& loader = *song;
  const TKvsGlobal& global = loader.Global();
  const std::uint32_t songFlags = global.SongFlags();
  const std::uint8_t plFlags = global.PlFlags();
  const std::uint32_t ppq = global.Ppq();

  Page page;
  page.Add("EdtFileVersion", Format("%x", {loader.FileVersion()}));
  page.Add("EdtTempo", Format("%f", {global.Tempo()}));
  page.Add("EdtPPQ", Format("%d (%d)", {ppq >> 2, static_cast<std::int32_t>(ppq)}));
  page.Add("EdtLoopStartEnd", Format("%d - %d", {global.LoopStart(), global.LoopEnd()}));
  page.Add("CbxLoopOn", (songFlags & LoopOnFlag) != 0);
  page.Add("EdtSongLength", SongLengthText(global));
  page.Add("EdtPlayMode", std::string((songFlags & SongModeFlag) != 0 ? "Song" : "Pattern"));
  page.Add("EdtMasterVolume", Format("%d", {global.MasterVolume()}));
  page.Add("EdtClipMode", ClipModeText(global.ClipMode()));
  page.Add("CbxGlobalVolumeDeactive", (songFlags & GlobalVolumeDeactiveFlag) != 0);
  page.Add("CbxBundleSampler", (songFlags & BundleSamplerFlag) != 0);
  page.Add("CbxBundleZumbox", (songFlags & BundleZumboxFlag) != 0);
  page.Add("EdtTuningTableName", Format("%d: %s", {global.TuningTableNumber(), global.TuningTableName()}));
  page.Add("EdtRootKey", RootKeyText(global.RootKey()));
  page.Add("LstTuningTable", TuningTable(song));
  page.Add("CbxPlVisible", (songFlags & PlaylistVisibleFlag) != 0);
  page.Add("CbxDragModuleEvents", (plFlags & DragModuleEventsFlag) != 0);
  page.Add("CbxDragMixerEvents", (plFlags & DragMixerEventsFlag) != 0);
  page.Add("EdtPlSnap", Format("%d", {global.PlSnap()}));
  page.Add("EdtPlHilite", Format("%d", {global.PlHilite()}));
  page.Add("CbxSnapToGrid", global.PlSnapToGrid() != 0);
  page.Add("CbxShowNotes", (plFlags & ShowNotesFlag) != 0);
  page.Add("EdtSignature", Format("%d", {global.Signature()}));
  page.Add("EdtPlZoom", Format("%d, %d", {global.PlZoomX(), global.PlZoomY()}));
  page.Add("EdtPlPosition", Format("%d, %d", {global.PlPosX(), global.PlPosY()}));
  page.Add("EdtPlFlags", Format("0x%2.2x", {plFlags}));
  page.Add("LstGWindowPosInfo", GWindowPosTable(song));
  return page;
}

}  // namespace tarvo::content
