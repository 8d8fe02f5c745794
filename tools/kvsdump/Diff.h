#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "content/Controls.h"
#include "tools/kvsdump/SongView.h"

// kvsdump --diff: what two songs show, compared control by control. Rows,
// items and lines are matched by position (the row's index is its
// identity), viewers by their position in the Modules and Chunks lists, and
// a chunk's data byte by byte.
namespace tarvo::kvsdump {

enum class Change { Changed, Added, Removed };

struct Place {
  enum class Part { Main, Module, Chunk };
  Part part = Part::Main;
  std::size_t viewer = 0;    // the module's or chunk's position
  std::string_view page;     // main window only; empty for its own controls
  std::string_view control;  // empty for a whole viewer and for a chunk's data
};

// Where a chunk's bytes differ.
struct ByteDifferences {
  static constexpr std::size_t ListedOffsets = 8;
  std::int64_t oldSize = 0;  // the bytes held
  std::int64_t newSize = 0;
  std::int64_t oldFileOffset = 0;  // of the data's first byte
  std::int64_t newFileOffset = 0;
  // Bytes past the shorter data count as differing.
  std::int64_t count = 0;
  std::vector<std::int64_t> first;  // positions in the data, ascending, at most ListedOffsets
};

struct Difference {
  enum class Unit {
    Value,      // a text or a check box
    Row,        // a list row
    Item,       // an item of a drop-down list
    Selection,  // what a drop-down list selects
    Line,       // a line of a list box
    Viewer,     // a whole module or chunk viewer, shown by its label
    Data,       // a chunk's bytes
  };
  using Scalar = std::variant<std::monostate, std::string, bool, int>;

  Unit unit = Unit::Value;
  Change change = Change::Changed;
  Place place;
  std::size_t position = 0;  // Row, Item, Line
  // Texts are 8-bit. Row: the cells as the list makes them; absent on the
  // side that has no such row.
  Scalar oldValue;
  Scalar newValue;
  const std::vector<content::Column>* columns = nullptr;
  const std::vector<std::string>* oldCells = nullptr;
  const std::vector<std::string>* newCells = nullptr;
  ByteDifferences bytes;  // Data
};

// "Global/EdtTempo", "modules[3]/LstChannels row 2", "chunks[0] data", ...
std::string WhereText(const Difference& difference);

using DifferenceSink = std::function<void(const Difference&)>;

// Hands every difference between what two loaded songs show to `report`,
// in the order of the JSON document, as it is found: a list is walked a
// row at a time. Returns whether the songs show the same.
bool CompareSongs(const SongView& before, const SongView& after, const DifferenceSink& report);

// The whole of `kvsdump --diff [--json] OLD NEW`; returns the exit status.
int RunDiff(const std::string& oldFile, const std::string& newFile, bool json, std::ostream& out,
            std::ostream& err);

}  // namespace tarvo::kvsdump
