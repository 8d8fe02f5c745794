#include "content/pages/MainContent.h"

#include <string>
#include <vector>

#include "content/Cells.h"
#include "content/pages/WindowPosCells.h"
#include "text/Format.h"

namespace tarvo::content {
namespace {

std::vector<Column> WindowPosColumns() {
  return {{"#", 45}, {"Left", 85}, {"Top", 85}, {"Right", 85}, {"Bottom", 85}, {"Flags", 245}};
}

}  // namespace

Page FillWindowStatePage(const Song& song) {
  const TKvsLoader& loader = *song;
  Page page;
  page.Add("EdtWindowDataSize", Format("%d bytes", {loader.WindowDataSize()}));
  page.Add("EdtWindowCount", Format("%d", {loader.WindowCount()}));
  page.Add("LstWindowPosInfo", Table(WindowPosColumns(), loader.WindowPosInfos().size(),
                                     [song](std::size_t row, std::vector<std::string>& cells) {
                                       cells.push_back(RowCaption(row));
                                       AddWindowPosCells(cells, song->WindowPosInfos()[row]);
                                     }));
  return page;
}

}  // namespace tarvo::content
