#include "content/pages/MainContent.h"

#include <string>

namespace tarvo::content {

Page FillSongInfoPage(const Song& song) {
  const TKvsLoader& loader = *song;
  Page page;
  page.Add("MmoSongInfo", loader.SongInfo());
  page.Add("EdtSongInfoUrl", loader.SongInfoUrl());
  page.Add("CbxShowSongInfo", loader.Global().ShowSongInfo() != 0);
  return page;
}

}  // namespace tarvo::content
