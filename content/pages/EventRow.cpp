#include "content/pages/EventRow.h"

#include <cstdint>

#include "content/Cells.h"
#include "text/Format.h"
#include "vocabulary/EventIds.h"
#include "vocabulary/FlagTexts.h"

namespace tarvo::content {

std::vector<Column> EventColumns(EventList list) {
  const int dataWidth = list == EventList::SongEvents ? 75 : 65;
  return {{"#", -1}, {"Module #", 120}, {"Event Id", 130}, {"Tick Time", 130}, {"Data", dataWidth}, {"Extra", 90}};
}

void EventRow(const TKvsLoader& loader, EventList list, std::size_t index, const TKvsEvent& event,
              std::vector<std::string>& cells) {
  cells.clear();
  cells.push_back(RowCaption(index));
  // The index is unsigned 16-bit in the record: 0xFFFF is module 65535, never "n/a".
  cells.push_back(ModuleRefText(loader, static_cast<std::int32_t>(event.ModuleIndex())));
  cells.push_back(Format("%s (0x%4.4x)", {EventIdToText(event.EventId()), event.EventId()}));
  cells.push_back(Format("%0:d (0x%0:x)", {event.TickTime()}));
  if (list == EventList::SongEvents) {
    cells.push_back(Format("0x%8.8x", {event.Data()}));
  } else {
    cells.push_back(Format("%s (%d)", {PatternIndexToText(event.Data()), event.Data()}));
  }
  cells.push_back(Format("0x%8.8x", {event.Extra()}));
}

}  // namespace tarvo::content
