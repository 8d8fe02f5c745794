#include "content/pages/MainContent.h"

#include <string>
#include <vector>

#include "content/pages/EventRow.h"
#include "text/Format.h"

namespace tarvo::content {

Page FillPlaylistPage(const Song& song) {
  const TKvsLoader& loader = *song;
  Page page;
  page.Add("EdtPatternDataSize", Format("%d bytes", {loader.PatternDataSize()}));
  page.Add("LstPatterns", Table(EventColumns(EventList::Patterns), loader.PatternEvents().size(),
                                [song](std::size_t row, std::vector<std::string>& cells) {
                                  EventRow(*song, EventList::Patterns, row, song->PatternEvents()[row], cells);
                                }));
  return page;
}

}  // namespace tarvo::content
