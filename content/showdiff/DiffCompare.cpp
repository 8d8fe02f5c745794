#include "content/showdiff/DiffCompare.h"

#include "content/Controls.h"
#include "content/compare/Alignment.h"
#include "content/compare/ByteDiff.h"
#include "content/compare/Leftovers.h"
#include "songfile/KvsLoader.h"
#include "text/LogLines.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace tarvo::content::showdiff {

namespace {

using content::Combo;
using content::Lines;
using content::Table;

// The bytes actually held, which may be fewer than the chunk's size says.
std::int64_t HeldBytes(const TKvsChunk& chunk) {
  return chunk.Data.data() != nullptr ? chunk.Data.Size() : 0;
}

ByteDifferences CompareBytes(const TKvsChunk& before, const TKvsChunk& after) {
  ByteDifferences found;
  found.oldSize = HeldBytes(before);
  found.newSize = HeldBytes(after);
  found.oldFileOffset = before.Offset;
  found.newFileOffset = after.Offset;
  const std::uint8_t* const a = before.Data.data();
  const std::uint8_t* const b = after.Data.data();
  const std::int64_t common = std::min(found.oldSize, found.newSize);
  const std::int64_t longer = std::max(found.oldSize, found.newSize);
  // Equal blocks are passed by memcmp; only a block that differs is looked
  // at byte by byte, so equal megabytes of module data cost little.
  constexpr std::int64_t Block = 4096;
  for (std::int64_t at = 0; at < common; at += Block) {
    const std::int64_t n = std::min(Block, common - at);
    if (std::memcmp(a + at, b + at, static_cast<std::size_t>(n)) == 0) continue;
    for (std::int64_t i = at; i < at + n; ++i) {
      if (a[i] == b[i]) continue;
      ++found.count;
      if (found.first.size() < ByteDifferences::ListedOffsets) found.first.push_back(i);
    }
  }
  found.count += longer - common;
  for (std::int64_t i = common; i < longer && found.first.size() < ByteDifferences::ListedOffsets;
       ++i)
    found.first.push_back(i);
  return found;
}

Change ChangeOf(bool inBefore, bool inAfter) {
  return !inBefore ? Change::Added : (!inAfter ? Change::Removed : Change::Changed);
}

std::string ColumnCaption(const std::vector<content::Column>& columns, std::size_t cell) {
  return cell < columns.size() ? columns[cell].caption : "column " + std::to_string(cell);
}

// Lines [first, first + count) of `lines`, fewer at its end.
void DecodeLines(const TLogLines& lines, std::size_t first, std::size_t count,
                 std::vector<std::string>& texts) {
  texts.clear();
  lines.ForEach([&texts](std::string_view line) { texts.emplace_back(line); }, first,
                first + count);
}

class Comparer {
 public:
  Comparer(const SongView& before, const SongView& after, const DifferenceSink& report,
           const std::function<void()>& pace)
      : before_(before), after_(after), report_(report), pace_(pace) {}

  bool Same() const { return same_; }

  void Controls(const Place& where, const std::vector<Shown>& before,
                const std::vector<Shown>& after) {
    if (before.size() != after.size()) throw std::logic_error("viewers with different controls");
    for (std::size_t i = 0; i < before.size(); ++i) {
      const ControlKey& key = *before[i].key;
      Place place = where;
      place.page = key.page;
      place.control = key.name;
      switch (key.role) {
        case KeyRole::ChunkDump:
          break;  // the chunk's bytes are compared on their own
        case KeyRole::FirstDataSet:
          CompareTable(place, before_.EverySongEvent(), after_.EverySongEvent());
          break;
        case KeyRole::Plain:
        case KeyRole::TabCaption:
          CompareValue(place, before[i], after[i]);
          break;
      }
    }
  }

  // A viewer only one song has; the first control of every viewer is its
  // label.
  void Viewer(const Place& where, Change change, const ShownViewer& viewer) {
    Difference found = Make(Difference::Unit::Viewer, change, where);
    (change == Change::Added ? found.newValue : found.oldValue) =
        DisplayedText(viewer.controls.front());
    Report(found);
  }

  void Bytes(const Place& where, const TKvsChunk& before, const TKvsChunk& after) {
    ByteDifferences bytes = CompareBytes(before, after);
    if (bytes.count == 0) return;
    Difference found = Make(Difference::Unit::Data, Change::Changed, where);
    found.bytes = std::move(bytes);
    Report(found);
  }

 private:
  static Difference Make(Difference::Unit unit, Change change, const Place& place,
                         std::size_t position = 0) {
    Difference found;
    found.unit = unit;
    found.change = change;
    found.place = place;
    found.position = position;
    return found;
  }

  void Report(const Difference& found) {
    same_ = false;
    report_(found);
  }

  void CompareValue(const Place& place, const Shown& before, const Shown& after) {
    if (before.value->index() != after.value->index())
      throw std::logic_error("a control of two kinds: " + place.control);
    std::visit(
        [&](const auto& old) {
          using T = std::decay_t<decltype(old)>;
          const T& now = std::get<T>(*after.value);
          if constexpr (std::is_same_v<T, std::string>) {
            std::string a = DisplayedText(before);
            std::string b = DisplayedText(after);
            if (a == b) return;
            Difference found = Make(Difference::Unit::Value, Change::Changed, place);
            found.oldValue = std::move(a);
            found.newValue = std::move(b);
            Report(found);
          } else if constexpr (std::is_same_v<T, bool>) {
            if (old == now) return;
            Difference found = Make(Difference::Unit::Value, Change::Changed, place);
            found.oldValue = old;
            found.newValue = now;
            Report(found);
          } else if constexpr (std::is_same_v<T, Table>) {
            CompareTable(place, old, now);
          } else if constexpr (std::is_same_v<T, Combo>) {
            CompareTexts(place, Difference::Unit::Item, old.items, now.items, 0);
            if (SelectedIndex(old) != SelectedIndex(now)) {
              Difference found = Make(Difference::Unit::Selection, Change::Changed, place);
              found.oldValue = SelectedIndex(old);
              found.newValue = SelectedIndex(now);
              Report(found);
            }
          } else {
            static_assert(std::is_same_v<T, Lines>);
            CompareLines(place, old.lines, now.lines);
          }
        },
        *before.value);
  }

  // `before` and `after` hold the texts from position `first` on; a side
  // that holds fewer has ended.
  void CompareTexts(const Place& place, Difference::Unit unit,
                    const std::vector<std::string>& before, const std::vector<std::string>& after,
                    std::size_t first) {
    for (std::size_t i = 0; i < std::max(before.size(), after.size()); ++i) {
      const bool inBefore = i < before.size();
      const bool inAfter = i < after.size();
      if (inBefore && inAfter && before[i] == after[i]) continue;
      Difference found = Make(unit, ChangeOf(inBefore, inAfter), place, first + i);
      if (inBefore) found.oldValue = before[i];
      if (inAfter) found.newValue = after[i];
      Report(found);
    }
  }

  // Both logs in step, a stretch of lines at a time: a log of millions of
  // lines is decoded as it is compared, never held as texts.
  void CompareLines(const Place& place, const TLogLines& before, const TLogLines& after) {
    constexpr std::size_t Stretch = 256;
    std::vector<std::string> a;
    std::vector<std::string> b;
    const std::size_t count = std::max(before.Size(), after.Size());
    for (std::size_t first = 0; first < count; first += Stretch) {
      Pace(Stretch);
      DecodeLines(before, first, Stretch, a);
      DecodeLines(after, first, Stretch, b);
      CompareTexts(place, Difference::Unit::Line, a, b, first);
    }
  }

  // Rows are aligned as `diff` aligns lines, so that one row inserted in
  // the middle is one added row; the rows left over between kept ones are
  // paired in order. Each row is held as a hash only, and fetched again
  // where it differs: a list of millions of rows is never held whole.
  void CompareTable(const Place& place, const Table& before, const Table& after) {
    std::vector<std::string> a;
    std::vector<std::string> b;
    const std::vector<std::uint64_t> oldHashes = RowHashes(before, a);
    const std::vector<std::uint64_t> newHashes = RowHashes(after, b);
    content::StreamedPairing steps([&](std::optional<std::size_t> i, std::optional<std::size_t> j, bool kept) {
      if (kept) return;
      if (i) before.Row(*i, a);
      if (j) after.Row(*j, b);
      if (i && j && a == b && *i == *j) return;  // paired by position, yet equal
      Difference found = Make(Difference::Unit::Row, ChangeOf(i.has_value(), j.has_value()), place, j ? *j : *i);
      if (found.change == Change::Changed) {
        if (*i != *j) found.oldPosition = *i;
        // A caption that only numbers the row moved with it: no change.
        if (IsRowNumber(a, *i) && IsRowNumber(b, *j)) a[0] = b[0];
        found.cells = ChangedCells(before.Columns(), a, b);
      } else {
        found.row = i ? a : b;
      }
      Report(found);
    });
    const auto equal = [&](std::size_t i, std::size_t j) {
      Pace(1);
      return oldHashes[i] == newHashes[j];
    };
    content::Align(oldHashes.size(), newHashes.size(), equal, steps, content::DefaultEditLimit);
    steps.Finish();
  }

  static bool IsRowNumber(const std::vector<std::string>& cells, std::size_t row) {
    return !cells.empty() && cells[0] == std::to_string(row);
  }

  std::vector<std::uint64_t> RowHashes(const Table& table, std::vector<std::string>& cells) {
    std::vector<std::uint64_t> hashes(table.RowCount());
    std::string bytes;
    for (std::size_t row = 0; row < hashes.size(); ++row) {
      Pace(16);
      table.Row(row, cells);
      bytes.clear();
      // Most lists number their rows in the caption; a row is equal to
      // another by what it shows beyond that.
      const bool numbered = IsRowNumber(cells, row);
      for (std::size_t i = numbered ? 1 : 0; i < cells.size(); ++i) {
        const std::string& cell = cells[i];
        const std::uint64_t size = cell.size();
        bytes.append(reinterpret_cast<const char*>(&size), sizeof size);
        bytes += cell;
      }
      hashes[row] = content::HashBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    return hashes;
  }

  static std::vector<CellChange> ChangedCells(const std::vector<content::Column>& columns,
                                              const std::vector<std::string>& a,
                                              const std::vector<std::string>& b) {
    std::vector<CellChange> cells;
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
      if (i < a.size() && i < b.size() && a[i] == b[i]) continue;
      CellChange cell;
      cell.index = i;
      cell.column = ColumnCaption(columns, i);
      if (i < a.size()) cell.oldText = a[i];
      if (i < b.size()) cell.newText = b[i];
      cells.push_back(std::move(cell));
    }
    return cells;
  }

  // Calls the pace every few thousand units of work.
  void Pace(std::size_t units) {
    if (!pace_) return;
    paced_ += units;
    if (paced_ < 4096) return;
    paced_ = 0;
    pace_();
  }

  const SongView& before_;
  const SongView& after_;
  const DifferenceSink& report_;
  const std::function<void()>& pace_;
  std::size_t paced_ = 0;
  bool same_ = true;
};

}  // namespace

const char* ChangeName(Change change) {
  switch (change) {
    case Change::Changed:
      return "changed";
    case Change::Added:
      return "added";
    case Change::Removed:
      return "removed";
  }
  return "changed";
}

const char* UnitName(Difference::Unit unit) {
  switch (unit) {
    case Difference::Unit::Value:
      return "value";
    case Difference::Unit::Row:
      return "row";
    case Difference::Unit::Item:
      return "item";
    case Difference::Unit::Selection:
      return "selection";
    case Difference::Unit::Line:
      return "line";
    case Difference::Unit::Viewer:
      return "viewer";
    case Difference::Unit::Data:
      return "data";
  }
  return "value";
}

std::string WhereText(const Difference& found) {
  const Place& place = found.place;
  std::string where;
  switch (place.part) {
    case Place::Part::Main:
      if (!place.page.empty()) where = place.page + "/";
      break;
    case Place::Part::Module:
      where = "modules[" + std::to_string(place.viewer) + "]";
      break;
    case Place::Part::Chunk:
      where = "chunks[" + std::to_string(place.viewer) + "]";
      break;
  }
  if (!place.control.empty()) {
    if (place.part != Place::Part::Main) where += "/";
    where += place.control;
  }
  switch (found.unit) {
    case Difference::Unit::Row:
    case Difference::Unit::Item:
    case Difference::Unit::Line:
      where += std::string(" ") + UnitName(found.unit) + " " + std::to_string(found.position);
      if (found.oldPosition) where += " (was " + std::to_string(*found.oldPosition) + ")";
      break;
    case Difference::Unit::Selection:
    case Difference::Unit::Data:
      where += std::string(" ") + UnitName(found.unit);
      break;
    case Difference::Unit::Value:
    case Difference::Unit::Viewer:
      break;
  }
  return where;
}

bool CompareSongs(const SongView& before, const SongView& after, const DifferenceSink& report,
                  const std::function<void()>& pace) {
  Comparer compare(before, after, report, pace);
  compare.Controls(Place{}, before.Main(), after.Main());

  for (std::size_t i = 0; i < std::max(before.ModuleCount(), after.ModuleCount()); ++i) {
    const Place place{Place::Part::Module, i, {}, {}};
    if (i >= after.ModuleCount()) {
      compare.Viewer(place, Change::Removed, before.Module(i));
    } else if (i >= before.ModuleCount()) {
      compare.Viewer(place, Change::Added, after.Module(i));
    } else {
      compare.Controls(place, before.Module(i).controls, after.Module(i).controls);
    }
  }

  for (std::size_t i = 0; i < std::max(before.ChunkCount(), after.ChunkCount()); ++i) {
    const Place place{Place::Part::Chunk, i, {}, {}};
    if (i >= after.ChunkCount()) {
      compare.Viewer(place, Change::Removed, before.Chunk(i));
    } else if (i >= before.ChunkCount()) {
      compare.Viewer(place, Change::Added, after.Chunk(i));
    } else {
      compare.Controls(place, before.Chunk(i).controls, after.Chunk(i).controls);
      compare.Bytes(place, before.Loader().Chunks()[i], after.Loader().Chunks()[i]);
    }
  }
  return compare.Same();
}

}  // namespace tarvo::content::showdiff
