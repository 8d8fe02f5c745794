#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "content/Controls.h"
#include "songfile/KvsLoader.h"

// The main window's pages as plain content. Each Fill function is one group
// of FillAllViews; each Cleared function is that page's part of
// ClearAllViews (edit boxes and memos empty, check boxes unticked, lists
// without rows but with their columns). A page holds its controls in the
// order in which the window shows them; controls a step leaves untouched are
// not in its page. Tables read the loader when asked for rows: the loader
// must outlive them.
namespace tarvo::content {

// Group 1: EdtFileVersion, the Song Settings, Playlist Settings and Global
// Window State controls, LstTuningTable.
Page FillGlobalPage(const TKvsLoader& loader);
Page ClearedGlobalPage();

// Group 2: MmoSongInfo, EdtSongInfoUrl, CbxShowSongInfo.
Page FillSongInfoPage(const TKvsLoader& loader);
Page ClearedSongInfoPage();

// Group 3: EdtNumberOfModules, LstModules.
Page FillModulesPage(const TKvsLoader& loader);
Page ClearedModulesPage();

// Group 4: EdtChannelCount, EdtReturnChannelCount, LstChannels.
Page FillChannelsPage(const TKvsLoader& loader);
Page ClearedChannelsPage();

// Group 5: EdtAudioClipCount, LstAudioClips. The file-existence test is made
// here, once.
Page FillAudioClipsPage(const TKvsLoader& loader);
Page ClearedAudioClipsPage();

// Group 6: EdtFXAssignDataSize, LstSendFXAssigns.
Page FillSendFxAssignPage(const TKvsLoader& loader);
Page ClearedSendFxAssignPage();

// Group 7: EdtEventDataSize, CbxSongEventDataSet (left out when skipping),
// LstSongEvents (the first data set, or the one "Skipped %d events" row).
Page FillSongEventsPage(const TKvsLoader& loader, bool skipSongEventDisplay);
// EdtEventDataSize and LstSongEvents only: clearing leaves the data-set
// choice as it is.
Page ClearedSongEventsPage();
inline constexpr std::size_t SongEventDataSetSize = 3000;
// FillSongEventDataSets: the items for a number of song events, the first
// selected when there is one.
Combo SongEventDataSets(std::size_t eventCount);
// FillSongEventList: the rows of the data set that begins at `start`.
Table SongEventList(const TKvsLoader& loader, std::size_t start);

// Group 8: EdtPatternDataSize, LstPatterns.
Page FillPlaylistPage(const TKvsLoader& loader);
Page ClearedPlaylistPage();

// Group 9: EdtWindowDataSize, EdtWindowCount, LstWindowPosInfo.
Page FillWindowStatePage(const TKvsLoader& loader);
Page ClearedWindowStatePage();

// Group 10: LstChunks.
Page FillChunksPage(const TKvsLoader& loader);
Page ClearedChunksPage();

// The window's caption: the program's name, then " - " and the file name
// (without its folder) once a song loaded. The name is as the caller gives it.
std::string MainCaption();
std::string MainCaption(std::string_view fileName);

// All ten groups in the order FillAllViews fills them (song events not
// skipped), and all pages as ClearAllViews leaves them, in its order.
std::vector<Page> FillAllPages(const TKvsLoader& loader);
std::vector<Page> ClearedPages();

}  // namespace tarvo::content
