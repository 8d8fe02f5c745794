#include "content/pages/MainContent.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "content/pages/EventRow.h"
#include "text/Format.h"

namespace tarvo::content {

Page FillSongEventsPage(const Song& song, bool skipSongEventDisplay) {
  const TKvsLoader& loader = *song;
  const auto eventCount = static_cast<std::uint64_t>(loader.SongEvents().size());

  Page page;
  page.Add("EdtEventDataSize", Format("%d bytes", {loader.EventDataSize()}));
  if (skipSongEventDisplay) {
    // The one row stands in for every event; the data-set choice stays as it was.
    page.Add("LstSongEvents", FixedTable(EventColumns(EventList::SongEvents),
                                         {{"0", Format("Skipped %d events", {eventCount})}}));
    return page;
  }
  page.Add("CbxSongEventDataSet", SongEventDataSets(loader.SongEvents().size()));
  page.Add("LstSongEvents", SongEventList(song, 0));
  return page;
}

Combo SongEventDataSets(std::size_t eventCount) {
  Combo combo;
  const std::size_t full = eventCount / SongEventDataSetSize;
  combo.items.reserve(full + 1);
  for (std::size_t k = 0; k < full; ++k) {
    const auto first = static_cast<std::uint64_t>(k * SongEventDataSetSize);
    combo.items.push_back(Format("%d-%d", {first, first + (SongEventDataSetSize - 1)}));
  }
  if (eventCount % SongEventDataSetSize > 0) {
    const auto first = static_cast<std::uint64_t>(full * SongEventDataSetSize);
    combo.items.push_back(Format("%d-%d", {first, static_cast<std::uint64_t>(eventCount - 1)}));
  }
  if (!combo.items.empty()) combo.selected = 0;
  return combo;
}

Table SongEventList(const Song& song, std::size_t start) {
  const std::size_t eventCount = song->SongEvents().size();
  // A start past the last event gives an empty list.
  const std::size_t rowCount = start < eventCount ? std::min(SongEventDataSetSize, eventCount - start) : 0;
  return Table(EventColumns(EventList::SongEvents), rowCount,
               [song, start](std::size_t row, std::vector<std::string>& cells) {
                 const std::size_t index = start + row;
                 EventRow(*song, EventList::SongEvents, index, song->SongEvents()[index], cells);
               });
}

}  // namespace tarvo::content
