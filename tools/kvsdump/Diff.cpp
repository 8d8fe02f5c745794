#include "tools/kvsdump/Diff.h"

#include "songfile/KvsLoader.h"
#include "text/Format.h"
#include "text/Latin1.h"
#include "tools/kvsdump/KvsDump.h"
#include "tools/kvsdump/LoadFlow.h"
#include "tools/kvsdump/OutputText.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstring>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace tarvo::kvsdump {

namespace {

using content::Combo;
using content::Lines;
using content::Table;

// ---------------------------------------------------------------------------
// Comparing

ByteDifferences CompareBytes(const TKvsChunk& before, const TKvsChunk& after) {
  ByteDifferences found;
  found.oldSize = before.Data.Size();
  found.newSize = after.Data.Size();
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

class Comparer {
 public:
  Comparer(const SongView& before, const SongView& after, const DifferenceSink& report)
      : before_(before), after_(after), report_(report) {}

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
      throw std::logic_error("a control of two kinds: " + std::string(place.control));
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
            CompareTexts(place, Difference::Unit::Item, old.items, now.items);
            if (SelectedIndex(old) != SelectedIndex(now)) {
              Difference found = Make(Difference::Unit::Selection, Change::Changed, place);
              found.oldValue = SelectedIndex(old);
              found.newValue = SelectedIndex(now);
              Report(found);
            }
          } else {
            static_assert(std::is_same_v<T, Lines>);
            CompareTexts(place, Difference::Unit::Line, old.lines.ToVector(), now.lines.ToVector());
          }
        },
        *before.value);
  }

  void CompareTexts(const Place& place, Difference::Unit unit,
                    const std::vector<std::string>& before, const std::vector<std::string>& after) {
    for (std::size_t i = 0; i < std::max(before.size(), after.size()); ++i) {
      if (i < before.size() && i < after.size() && before[i] == after[i]) continue;
      const Change change = i >= before.size()
                                ? Change::Added
                                : (i >= after.size() ? Change::Removed : Change::Changed);
      Difference found = Make(unit, change, place, i);
      if (i < before.size()) found.oldValue = before[i];
      if (i < after.size()) found.newValue = after[i];
      Report(found);
    }
  }

  // Row by row with one buffer a side: a list of millions of rows is never
  // held whole.
  void CompareTable(const Place& place, const Table& before, const Table& after) {
    std::vector<std::string> a;
    std::vector<std::string> b;
    const std::size_t rows = std::max(before.RowCount(), after.RowCount());
    for (std::size_t row = 0; row < rows; ++row) {
      const bool inBefore = row < before.RowCount();
      const bool inAfter = row < after.RowCount();
      if (inBefore) before.Row(row, a);
      if (inAfter) after.Row(row, b);
      if (inBefore && inAfter && a == b) continue;
      const Change change =
          !inBefore ? Change::Added : (!inAfter ? Change::Removed : Change::Changed);
      Difference found = Make(Difference::Unit::Row, change, place, row);
      found.columns = &(inBefore ? before : after).Columns();
      if (inBefore) found.oldCells = &a;
      if (inAfter) found.newCells = &b;
      Report(found);
    }
  }

  const SongView& before_;
  const SongView& after_;
  const DifferenceSink& report_;
  bool same_ = true;
};

// ---------------------------------------------------------------------------
// Writing

const char* ChangeText(Change change) {
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

const char* UnitText(Difference::Unit unit) {
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

bool HasIndex(Difference::Unit unit) {
  return unit == Difference::Unit::Row || unit == Difference::Unit::Item ||
         unit == Difference::Unit::Line;
}

std::string ColumnName(const std::vector<content::Column>* columns, std::size_t cell) {
  if (columns != nullptr && cell < columns->size()) return Latin1ToUtf8((*columns)[cell].caption);
  return "column " + std::to_string(cell);
}

// Where a byte lies in its file: in OLD, or in NEW for a byte only NEW has.
std::int64_t FileOffsetOf(const ByteDifferences& bytes, std::int64_t position) {
  return position < bytes.oldSize ? bytes.oldFileOffset + position : bytes.newFileOffset + position;
}

std::string ScalarText(const Difference::Scalar& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return OneLineText(*text);
  if (const auto* ticked = std::get_if<bool>(&value)) return *ticked ? "true" : "false";
  if (const auto* index = std::get_if<int>(&value)) return std::to_string(*index);
  return "(none)";
}

std::string CellsText(const std::vector<std::string>& cells) {
  std::string text;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (i > 0) text += " | ";
    text += OneLineText(cells[i]);
  }
  return text;
}

std::string ChangedCellsText(const Difference& found) {
  const std::vector<std::string>& a = *found.oldCells;
  const std::vector<std::string>& b = *found.newCells;
  std::string text;
  for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
    if (i < a.size() && i < b.size() && a[i] == b[i]) continue;
    if (!text.empty()) text += "; ";
    text += ColumnName(found.columns, i) + ": " + (i < a.size() ? OneLineText(a[i]) : "(none)") +
            " -> " + (i < b.size() ? OneLineText(b[i]) : "(none)");
  }
  return text;
}

std::string BytesText(const ByteDifferences& bytes) {
  std::string text =
      std::to_string(bytes.count) + (bytes.count == 1 ? " byte differs" : " bytes differ");
  if (bytes.oldSize != bytes.newSize)
    text += ", size " + std::to_string(bytes.oldSize) + " -> " + std::to_string(bytes.newSize);
  text += ", first at File Offset/Offset ";
  for (std::size_t i = 0; i < bytes.first.size(); ++i) {
    if (i > 0) text += ", ";
    text += Format("%8.8x/%8.8x", {FileOffsetOf(bytes, bytes.first[i]), bytes.first[i]});
  }
  return text;
}

// One line: the place, " added"/" removed" for something only one song
// has, then what differs.
std::string DifferenceLine(const Difference& found) {
  std::string line = WhereText(found);
  if (found.change != Change::Changed) line += std::string(" ") + ChangeText(found.change);
  line += ": ";
  switch (found.unit) {
    case Difference::Unit::Row:
      if (found.change == Change::Changed) {
        line += ChangedCellsText(found);
      } else {
        line += CellsText(found.change == Change::Added ? *found.newCells : *found.oldCells);
      }
      break;
    case Difference::Unit::Data:
      line += BytesText(found.bytes);
      break;
    default:
      if (found.change == Change::Changed) {
        line += ScalarText(found.oldValue) + " -> " + ScalarText(found.newValue);
      } else {
        line += ScalarText(found.change == Change::Added ? found.newValue : found.oldValue);
      }
      break;
  }
  return line;
}

using Json = nlohmann::ordered_json;

Json ScalarJson(const Difference::Scalar& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return Latin1ToUtf8(*text);
  if (const auto* ticked = std::get_if<bool>(&value)) return *ticked;
  if (const auto* index = std::get_if<int>(&value)) return *index;
  return nullptr;
}

Json CellsJson(const std::vector<std::string>& cells) {
  Json array = Json::array();
  for (const std::string& cell : cells) array.push_back(Latin1ToUtf8(cell));
  return array;
}

Json DifferenceJson(const Difference& found) {
  Json object;
  object["where"] = WhereText(found);
  switch (found.place.part) {
    case Place::Part::Main:
      object["page"] = std::string(found.place.page);
      break;
    case Place::Part::Module:
      object["module"] = found.place.viewer;
      break;
    case Place::Part::Chunk:
      object["chunk"] = found.place.viewer;
      break;
  }
  if (!found.place.control.empty()) object["control"] = std::string(found.place.control);
  object["unit"] = UnitText(found.unit);
  if (HasIndex(found.unit)) object["index"] = found.position;
  object["change"] = ChangeText(found.change);

  if (found.unit == Difference::Unit::Row) {
    if (found.change == Change::Changed) {
      Json cells = Json::array();
      const std::vector<std::string>& a = *found.oldCells;
      const std::vector<std::string>& b = *found.newCells;
      for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        if (i < a.size() && i < b.size() && a[i] == b[i]) continue;
        Json cell;
        cell["column"] = ColumnName(found.columns, i);
        cell["index"] = i;
        cell["old"] = i < a.size() ? Json(Latin1ToUtf8(a[i])) : Json(nullptr);
        cell["new"] = i < b.size() ? Json(Latin1ToUtf8(b[i])) : Json(nullptr);
        cells.push_back(std::move(cell));
      }
      object["cells"] = std::move(cells);
    } else {
      object["old"] = found.oldCells != nullptr ? CellsJson(*found.oldCells) : Json(nullptr);
      object["new"] = found.newCells != nullptr ? CellsJson(*found.newCells) : Json(nullptr);
    }
  } else if (found.unit == Difference::Unit::Data) {
    const ByteDifferences& bytes = found.bytes;
    object["oldSize"] = bytes.oldSize;
    object["newSize"] = bytes.newSize;
    object["differingBytes"] = bytes.count;
    Json first = Json::array();
    for (const std::int64_t position : bytes.first) {
      Json at;
      at["offset"] = position;
      at["oldFileOffset"] =
          position < bytes.oldSize ? Json(bytes.oldFileOffset + position) : Json(nullptr);
      at["newFileOffset"] =
          position < bytes.newSize ? Json(bytes.newFileOffset + position) : Json(nullptr);
      first.push_back(std::move(at));
    }
    object["first"] = std::move(first);
  } else {
    object["old"] = ScalarJson(found.oldValue);
    object["new"] = ScalarJson(found.newValue);
  }
  return object;
}

// ---------------------------------------------------------------------------
// Loading

// One side of the comparison: a load flow whose log is kept for the
// Loader Messages page.
class LoadedFile {
 public:
  explicit LoadedFile(const std::string& file)
      : loader_(std::make_shared<TKvsLoader>([this](std::string_view message) { log_.Append(message); })),
        result_(LoadSong(*loader_, file)) {}
  LoadedFile(const LoadedFile&) = delete;
  LoadedFile& operator=(const LoadedFile&) = delete;

  content::Song Song() const { return loader_; }
  const LoadResult& Result() const { return result_; }
  TLogLines TakeLog() { return std::move(log_); }

 private:
  TLogLines log_;
  std::shared_ptr<TKvsLoader> loader_;
  LoadResult result_;
};

}  // namespace

std::string WhereText(const Difference& found) {
  const Place& place = found.place;
  std::string where;
  switch (place.part) {
    case Place::Part::Main:
      if (!place.page.empty()) where = std::string(place.page) + "/";
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
      where += std::string(" ") + UnitText(found.unit) + " " + std::to_string(found.position);
      break;
    case Difference::Unit::Selection:
    case Difference::Unit::Data:
      where += std::string(" ") + UnitText(found.unit);
      break;
    case Difference::Unit::Value:
    case Difference::Unit::Viewer:
      break;
  }
  return where;
}

bool CompareSongs(const SongView& before, const SongView& after, const DifferenceSink& report) {
  Comparer compare(before, after, report);
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

int RunDiff(const std::string& oldFile, const std::string& newFile, bool json, std::ostream& out,
            std::ostream& err) {
  // Both files are loaded before anything is said, so both of their errors
  // are told at once.
  LoadedFile before(oldFile);
  LoadedFile after(newFile);
  bool loaded = true;
  for (const auto& [file, side] : {std::pair{&oldFile, &before}, std::pair{&newFile, &after}}) {
    if (side->Result().outcome == Outcome::Loaded) continue;
    err << "kvsdump: " << ExternalTextToUtf8(*file) << ": " << side->Result().errorUtf8 << '\n';
    loaded = false;
  }
  if (!loaded) return ExitDiffError;

  const SongView oldView(before.Song(), Outcome::Loaded, before.TakeLog());
  const SongView newView(after.Song(), Outcome::Loaded, after.TakeLog());

  bool same = true;
  if (!json) {
    same = CompareSongs(oldView, newView,
                        [&out](const Difference& found) { out << DifferenceLine(found) << '\n'; });
    return same ? ExitSame : ExitDifferent;
  }

  // Written as found, so "same" comes after the differences.
  out << "{\n  \"old\": " << Json(ExternalTextToUtf8(oldFile)).dump()
      << ",\n  \"new\": " << Json(ExternalTextToUtf8(newFile)).dump() << ",\n  \"differences\": [";
  same = CompareSongs(oldView, newView, [&out, first = true](const Difference& found) mutable {
    out << (first ? "\n    " : ",\n    ") << DifferenceJson(found).dump();
    first = false;
  });
  out << (same ? "],\n" : "\n  ],\n") << "  \"same\": " << (same ? "true" : "false") << "\n}\n";
  return same ? ExitSame : ExitDifferent;
}

}  // namespace tarvo::kvsdump
