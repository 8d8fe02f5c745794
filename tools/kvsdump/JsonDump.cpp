#include "tools/kvsdump/JsonDump.h"

#include "content/Controls.h"
#include "tools/kvsdump/OutputText.h"
#include "tools/kvsdump/SongView.h"

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace tarvo::kvsdump {

namespace {

// Line breaks and indentation only between the members of objects and the
// items of arrays; a row, a drop-down list or a scalar stays on one line,
// written compactly.
void NewLine(std::ostream& out, int depth) {
  out << '\n';
  for (int i = 0; i < depth; ++i) out << "  ";
}

void WriteUtf8(std::ostream& out, std::string utf8) { out << JsonString(std::move(utf8)); }

void WriteText(std::ostream& out, std::string_view latin1) { out << JsonText(latin1); }

void WriteKey(std::ostream& out, std::string_view key, int depth) {
  NewLine(out, depth);
  WriteUtf8(out, std::string(key));
  out << ": ";
}

template <class WriteItem>
void WriteArray(std::ostream& out, std::size_t count, int depth, WriteItem writeItem) {
  if (count == 0) {
    out << "[]";
    return;
  }
  out << '[';
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) out << ',';
    NewLine(out, depth + 1);
    writeItem(i);
  }
  NewLine(out, depth);
  out << ']';
}

void WriteTextsCompact(std::ostream& out, const std::vector<std::string>& texts) {
  out << '[';
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (i > 0) out << ',';
    WriteText(out, texts[i]);
  }
  out << ']';
}

void WriteTable(std::ostream& out, const content::Table& table, int depth) {
  // One row buffer for the whole table: the rows are made one at a time.
  std::vector<std::string> cells;
  WriteArray(out, table.RowCount(), depth, [&](std::size_t row) {
    table.Row(row, cells);
    WriteTextsCompact(out, cells);
  });
}

// Decoded in one pass: fetching each line on its own would decode its group
// again for every line.
void WriteLines(std::ostream& out, const TLogLines& lines, int depth) {
  if (lines.Empty()) {
    out << "[]";
    return;
  }
  out << '[';
  bool first = true;
  lines.ForEach([&](std::string_view line) {
    if (!first) out << ',';
    first = false;
    NewLine(out, depth + 1);
    WriteText(out, line);
  });
  NewLine(out, depth);
  out << ']';
}

void WriteValue(std::ostream& out, const Shown& shown, int depth) {
  std::visit(
      [&](const auto& value) {
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, std::string>) {
          WriteText(out, DisplayedText(shown));
        } else if constexpr (std::is_same_v<T, bool>) {
          out << (value ? "true" : "false");
        } else if constexpr (std::is_same_v<T, content::Table>) {
          WriteTable(out, value, depth);
        } else if constexpr (std::is_same_v<T, content::Combo>) {
          out << "{\"items\":";
          WriteTextsCompact(out, value.items);
          out << ",\"selected\":" << SelectedIndex(value) << '}';
        } else {
          static_assert(std::is_same_v<T, content::Lines>);
          WriteLines(out, value.lines, depth);
        }
      },
      *shown.value);
}

void WriteControls(std::ostream& out, const std::vector<Shown>& controls, int depth) {
  out << '{';
  for (std::size_t i = 0; i < controls.size(); ++i) {
    if (i > 0) out << ',';
    WriteKey(out, controls[i].key->name, depth + 1);
    WriteValue(out, controls[i], depth + 1);
  }
  NewLine(out, depth);
  out << '}';
}

}  // namespace

void WriteJsonDocument(std::ostream& out, const std::string& file, const content::Song& song,
                       const LoadResult& result, TLogLines log) {
  // Every main window control is looked up before the first byte goes out,
  // so a missing one never leaves half a document behind.
  const SongView view(song, result.outcome, std::move(log));

  out << '{';
  WriteKey(out, "file", 1);
  WriteUtf8(out, ExternalTextToUtf8(file));
  out << ',';
  WriteKey(out, "caption", 1);
  WriteUtf8(out, CaptionAfterLoad(file, result.outcome));
  out << ',';
  WriteKey(out, "outcome", 1);
  WriteUtf8(out, OutcomeName(result.outcome));
  out << ',';
  WriteKey(out, "error", 1);
  WriteUtf8(out, result.errorUtf8);
  out << ',';
  WriteKey(out, "log", 1);
  WriteLines(out, view.Log(), 1);
  out << ',';
  WriteKey(out, "main", 1);
  WriteControls(out, view.Main(), 1);
  out << ',';

  WriteKey(out, "modules", 1);
  WriteArray(out, view.ModuleCount(), 1,
             [&](std::size_t i) { WriteControls(out, view.Module(i).controls, 2); });
  out << ',';

  WriteKey(out, "chunks", 1);
  WriteArray(out, view.ChunkCount(), 1,
             [&](std::size_t i) { WriteControls(out, view.Chunk(i).controls, 2); });
  NewLine(out, 0);
  out << "}\n";
}

}  // namespace tarvo::kvsdump
