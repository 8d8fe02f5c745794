#include "content/pages/MainContent.h"

#include <string>

namespace tarvo::content {

Page FillSongInfoPage(const TKvsLoader& loader) {
  Page page;
  page.Add("MmoSongInfo", loader.SongInfo());
  page.Add("EdtSongInfoUrl", loader.SongInfoUrl());
  page.Add("CbxShowSongInfo", loader.Global().ShowSongInfo() != 0);
  return page;
}

Page ClearedSongInfoPage() {
  Page page;
  page.Add("MmoSongInfo", std::string());
  page.Add("EdtSongInfoUrl", std::string());
  page.Add("CbxShowSongInfo", false);
  return page;
}

}  // namespace tarvo::content
