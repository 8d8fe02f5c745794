#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "content/Controls.h"
#include "content/Song.h"

// The main window's pages as plain content. Each Fill function is one group
// of FillAllViews; a page holds its controls in the order in which the
// window shows them, and controls a step leaves untouched are not in its
// page. Every list shares ownership of the song it reads.
namespace tarvo::content {

// The main window's tabs in order, with their captions as designed; fill
// group g fills tab g - 1.
inline constexpr std::array<std::string_view, 11> MainPageCaptions = {
    "Global",     "Song Info", "Modules",      "Channels",     "Audio Clips",    "SendFX Assign",
    "Song Events", "Playlist", "Window State", "Chunks",       "Loader Messages"};
// The Global page's tabs.
inline constexpr std::array<std::string_view, 3> GlobalPageCaptions = {"Song Settings", "Playlist Settings",
                                                                       "Global Window State"};

// Group 1: EdtFileVersion, the Song Settings, Playlist Settings and Global
// Window State controls, LstTuningTable.
Page FillGlobalPage(const Song& song);

// Group 2: MmoSongInfo, EdtSongInfoUrl, CbxShowSongInfo.
Page FillSongInfoPage(const Song& song);

// Group 3: EdtNumberOfModules, LstModules.
Page FillModulesPage(const Song& song);

// Group 4: EdtChannelCount, EdtReturnChannelCount, LstChannels.
Page FillChannelsPage(const Song& song);

// Group 5: EdtAudioClipCount, LstAudioClips. The file-existence test is made
// here, once.
Page FillAudioClipsPage(const Song& song);

// Group 6: EdtFXAssignDataSize, LstSendFXAssigns.
Page FillSendFxAssignPage(const Song& song);

// Group 7: EdtEventDataSize, CbxSongEventDataSet (left out when skipping),
// LstSongEvents (the first data set, or the one "Skipped %d events" row).
Page FillSongEventsPage(const Song& song, bool skipSongEventDisplay);
inline constexpr std::size_t SongEventDataSetSize = 3000;
// FillSongEventDataSets: the items for a number of song events, the first
// selected when there is one.
Combo SongEventDataSets(std::size_t eventCount);
// FillSongEventList: the rows of the data set that begins at `start`.
Table SongEventList(const Song& song, std::size_t start);

// Group 8: EdtPatternDataSize, LstPatterns.
Page FillPlaylistPage(const Song& song);

// Group 9: EdtWindowDataSize, EdtWindowCount, LstWindowPosInfo.
Page FillWindowStatePage(const Song& song);

// Group 10: LstChunks.
Page FillChunksPage(const Song& song);

inline constexpr int FillGroupCount = 10;
// Fill group `group` (1 to 10). Without a song, that group's part of
// ClearAllViews: its controls cleared (see Cleared), the song events'
// data-set choice left out, since clearing leaves it as it is.
Page FillGroup(int group, const Song& song, bool skipSongEventDisplay = false);

// A song before any load, with nothing in it. Filled from it, a group names
// every control it can set.
const Song& EmptySong();

// All ten groups in the order FillAllViews fills them (song events not
// skipped), and as ClearAllViews leaves them.
std::vector<Page> FillAllPages(const Song& song);
std::vector<Page> ClearedPages();

// The main window as created, one page per tab in tab order, after one for
// its own controls (the page controls Pages and PagesGlobal, on their first
// tabs): every page cleared, the clip count "0", no data sets, an empty
// LoaderMessages. It names every control of the window that shows a song.
struct MainTab {
  std::string_view caption;  // empty for the window's own controls
  Page page;
};
std::vector<MainTab> MainWindowDesigned();

// The window's caption: the program's name, then " - " and the file name
// (without its folder) once a song loaded. The name is as the caller gives it.
std::string MainCaption();
std::string MainCaption(std::string_view fileName);

}  // namespace tarvo::content
