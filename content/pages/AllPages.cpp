#include "content/pages/MainContent.h"

namespace tarvo::content {

std::vector<Page> FillAllPages(const TKvsLoader& loader) {
  std::vector<Page> pages;
  pages.reserve(10);
  pages.push_back(FillGlobalPage(loader));
  pages.push_back(FillSongInfoPage(loader));
  pages.push_back(FillModulesPage(loader));
  pages.push_back(FillChannelsPage(loader));
  pages.push_back(FillAudioClipsPage(loader));
  pages.push_back(FillSendFxAssignPage(loader));
  pages.push_back(FillSongEventsPage(loader, false));
  pages.push_back(FillPlaylistPage(loader));
  pages.push_back(FillWindowStatePage(loader));
  pages.push_back(FillChunksPage(loader));
  return pages;
}

std::vector<Page> ClearedPages() {
  std::vector<Page> pages;
  pages.reserve(10);
  pages.push_back(ClearedSongInfoPage());
  pages.push_back(ClearedGlobalPage());
  pages.push_back(ClearedModulesPage());
  pages.push_back(ClearedChannelsPage());
  pages.push_back(ClearedAudioClipsPage());
  pages.push_back(ClearedSendFxAssignPage());
  pages.push_back(ClearedSongEventsPage());
  pages.push_back(ClearedPlaylistPage());
  pages.push_back(ClearedWindowStatePage());
  pages.push_back(ClearedChunksPage());
  return pages;
}

}  // namespace tarvo::content
