#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "content/Controls.h"
#include "songfile/KvsLoader.h"

// One row of the song event list and of the pattern list. Both lists share
// the row; they differ in the "Data" cell and in that column's width.
namespace tarvo::content {

enum class EventList {
  SongEvents,  // "Data" as the raw 32-bit word
  Patterns,    // "Data" as the playlist pattern it names
};

std::vector<Column> EventColumns(EventList list);

// Fills `cells` with the caption `index`, then "Module #", "Event Id",
// "Tick Time", "Data" and "Extra" of `event`.
void EventRow(const TKvsLoader& loader, EventList list, std::size_t index, const TKvsEvent& event,
              std::vector<std::string>& cells);

}  // namespace tarvo::content
