#include "content/pages/MainContent.h"

#include <string>
#include <vector>

#include "content/pages/EventRow.h"
#include "text/Format.h"

namespace tarvo::content {

Page FillPlaylistPage(const TKvsLoader& loader) {
  const TKvsLoader* const song = &loader;

  Page page;
  page.Add("EdtPatternDataSize", Format("%d bytes", {loader.PatternDataSize()}));
  page.Add("LstPatterns", Table(EventColumns(EventList::Patterns), loader.PatternEvents().size(),
                                [song](std::size_t row, std::vector<std::string>& cells) {
                                  EventRow(*song, EventList::Patterns, row, song->PatternEvents()[row], cells);
                                }));
  return page;
}

Page ClearedPlaylistPage() {
  Page page;
  page.Add("EdtPatternDataSize", std::string());
  page.Add("LstPatterns", Table(EventColumns(EventList::Patterns)));
  return page;
}

}  // namespace tarvo::content
