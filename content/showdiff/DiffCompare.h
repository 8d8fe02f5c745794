#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "content/showdiff/SongView.h"

// What two songs show, compared control by control. A list's rows are
// aligned as `diff` aligns lines (an inserted row is one added row, the
// rows left over paired in order); items and lines are matched by
// position, viewers by their position in the Modules and Chunks lists, and
// a chunk's data byte by byte.
//
// A Difference owns everything it tells: it may be kept, copied or moved
// after the comparison went on or the songs are gone.
namespace tarvo::content::showdiff {

enum class Change { Changed, Added, Removed };

struct Place {
  enum class Part { Main, Module, Chunk };
  Part part = Part::Main;
  std::size_t viewer = 0;  // the module's or chunk's position
  std::string page;        // main window only; empty for its own controls
  std::string control;     // empty for a whole viewer and for a chunk's data
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

// A cell of a changed row. Texts are 8-bit; a side whose row does not carry
// the cell has none.
struct CellChange {
  std::size_t index = 0;
  std::string column;  // the column's caption, or "column N" past the captions
  std::optional<std::string> oldText;
  std::optional<std::string> newText;
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
  std::size_t position = 0;  // Row, Item, Line; NEW's for a changed row
  // A changed row whose position in OLD differs (after an inserted row).
  std::optional<std::size_t> oldPosition;
  // Value, Item, Selection, Line, Viewer; texts are 8-bit; none on the side
  // that lacks the item.
  Scalar oldValue;
  Scalar newValue;
  std::vector<CellChange> cells;  // a changed Row: the cells that differ
  std::vector<std::string> row;   // an added or removed Row: all its cells
  ByteDifferences bytes;          // Data
};

// "changed", "added", "removed"; "value", "row", ...: the words both
// outputs use.
const char* ChangeName(Change change);
const char* UnitName(Difference::Unit unit);

// "Global/EdtTempo", "modules[3]/LstChannels row 2", "chunks[0] data", ...
std::string WhereText(const Difference& difference);

using DifferenceSink = std::function<void(const Difference&)>;

// Hands every difference between what two loaded songs show to `report`, in
// a fixed order (the JSON document's), as it is found: lists and logs are
// walked a stretch at a time, never held whole. Returns whether the songs
// show the same. Throws std::logic_error when the two sides' viewers have
// different controls, a fault of this program. `pace`, when given, is
// called every few thousand rows, lines or alignment steps; it may throw to
// stop the comparison (a window's Cancel).
bool CompareSongs(const SongView& before, const SongView& after, const DifferenceSink& report,
                  const std::function<void()>& pace = {});

}  // namespace tarvo::content::showdiff
