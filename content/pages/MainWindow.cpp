#include "content/pages/MainContent.h"

#include <memory>
#include <stdexcept>

namespace tarvo::content {

Page FillGroup(int group, const Song& song, bool skipSongEventDisplay) {
  // Cleared from the filled layout, so no group can clear other controls
  // than it fills.
  if (song == nullptr) return Cleared(FillGroup(group, EmptySong(), true));
  switch (group) {
    case 1:
      return FillGlobalPage(song);
    case 2:
      return FillSongInfoPage(song);
    case 3:
      return FillModulesPage(song);
    case 4:
      return FillChannelsPage(song);
    case 5:
      return FillAudioClipsPage(song);
    case 6:
      return FillSendFxAssignPage(song);
    case 7:
      return FillSongEventsPage(song, skipSongEventDisplay);
    case 8:
      return FillPlaylistPage(song);
    case 9:
      return FillWindowStatePage(song);
    case 10:
      return FillChunksPage(song);
    default:
      throw std::out_of_range("no fill group " + std::to_string(group));
  }
}

const Song& EmptySong() {
  static const Song empty = std::make_shared<const TKvsLoader>();
  return empty;
}

std::vector<Page> FillAllPages(const Song& song) {
  std::vector<Page> pages;
  pages.reserve(FillGroupCount);
  for (int group = 1; group <= FillGroupCount; ++group) pages.push_back(FillGroup(group, song));
  return pages;
}

std::vector<Page> ClearedPages() { return FillAllPages(nullptr); }

std::vector<MainTab> MainWindowDesigned() {
  std::vector<MainTab> tabs;
  tabs.reserve(MainPageCaptions.size() + 1);
  Page window;
  window.Add("Pages", std::string(MainPageCaptions.front()));
  window.Add("PagesGlobal", std::string(GlobalPageCaptions.front()));
  tabs.push_back({{}, std::move(window)});
  for (int group = 1; group <= FillGroupCount; ++group) {
    Page page = Cleared(FillGroup(group, EmptySong()));
    for (Control& control : page.controls)
      if (control.name == "EdtAudioClipCount") control.value = std::string("0");
    tabs.push_back({MainPageCaptions[static_cast<std::size_t>(group - 1)], std::move(page)});
  }
  Page log;
  log.Add("LoaderMessages", Lines{});
  tabs.push_back({MainPageCaptions.back(), std::move(log)});
  return tabs;
}

std::string MainCaption() { return "Tarvo Analyzer"; }

std::string MainCaption(std::string_view fileName) { return MainCaption() + " - " + std::string(fileName); }

}  // namespace tarvo::content
