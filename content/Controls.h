#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "text/LogLines.h"

// What a page or viewer shows, as plain data: the desktop program puts it
// into its widgets, kvsdump prints it. Texts are 8-bit (ISO-8859-1) like
// the song file's; they are decoded where they leave the program.
namespace tarvo::content {

struct Column {
  std::string caption;
  int width = -1;  // pixels; -1 leaves the toolkit's default
};

// A report list. Rows are made when asked for, so a list of millions of
// events costs nothing until someone looks at it.
class Table {
 public:
  // Fills `cells` with the row's caption, then the cells the row carries in
  // column order; a row may carry fewer cells than the list has columns.
  using RowBuilder = std::function<void(std::size_t row, std::vector<std::string>& cells)>;

  // Columns may be shared: a viewer shown for each of a million chunks
  // need not copy the same columns each time.
  using SharedColumns = std::shared_ptr<const std::vector<Column>>;

  Table() = default;
  explicit Table(std::vector<Column> columns) : Table(Share(std::move(columns))) {}
  Table(std::vector<Column> columns, std::size_t rowCount, RowBuilder build)
      : Table(Share(std::move(columns)), rowCount, std::move(build)) {}
  explicit Table(SharedColumns columns, std::size_t rowCount = 0, RowBuilder build = {})
      : columns_(std::move(columns)), rowCount_(rowCount), build_(std::move(build)) {}

  const std::vector<Column>& Columns() const { return columns_ ? *columns_ : NoColumns(); }
  std::size_t RowCount() const { return rowCount_; }

  void Row(std::size_t row, std::vector<std::string>& cells) const {
    cells.clear();
    if (row < rowCount_ && build_) build_(row, cells);
  }
  std::vector<std::string> Row(std::size_t row) const {
    std::vector<std::string> cells;
    Row(row, cells);
    return cells;
  }

 private:
  static SharedColumns Share(std::vector<Column> columns) {
    return std::make_shared<const std::vector<Column>>(std::move(columns));
  }
  static const std::vector<Column>& NoColumns();

  SharedColumns columns_;
  std::size_t rowCount_ = 0;
  RowBuilder build_;
};

// A table of rows made up front, for the small fixed lists.
Table FixedTable(std::vector<Column> columns, std::vector<std::vector<std::string>> rows);

// A pick-only drop-down list.
struct Combo {
  std::vector<std::string> items;
  int selected = -1;
};

// A list box: one line per item, held compactly (a load's log can have
// millions of lines).
struct Lines {
  TLogLines lines;
};

// Edit box, memo, label and the active tab of a page control: a text.
// Check box: ticked or not.
using Value = std::variant<std::string, bool, Table, Combo, Lines>;

struct Control {
  std::string name;  // the control's name, e.g. "EdtTempo"
  Value value;
};

// The controls of one page or viewer, in a fixed order.
class Page {
 public:
  std::vector<Control> controls;

  // Braces, not emplace_back's parentheses: clang does not build an
  // aggregate from a parenthesised list yet.
  void Add(std::string name, Value value) { controls.push_back(Control{std::move(name), std::move(value)}); }
  const Control* Find(std::string_view name) const;
  // Typed access for tests and callers that know a control's kind; a wrong
  // name or kind throws std::out_of_range.
  const std::string& Text(std::string_view name) const;
  bool Checked(std::string_view name) const;
  const Table& List(std::string_view name) const;
  const Combo& Choice(std::string_view name) const;
  const Lines& Items(std::string_view name) const;
};

// The same controls as clearing leaves them: texts empty, check boxes
// unticked, lists without rows but with their columns, drop-down lists and
// list boxes empty. A cleared page keeps nothing of the song it was made from.
Page Cleared(const Page& page);

}  // namespace tarvo::content
