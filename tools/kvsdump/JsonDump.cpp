#include "tools/kvsdump/JsonDump.h"

#include "content/Controls.h"
#include "text/JsonWriter.h"
#include "text/Utf8.h"
#include "tools/kvsdump/ShownDiff.h"

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace tarvo::kvsdump {

namespace {

using Layout = JsonWriter::Layout;

// Each member of an object and each item of an array on its own line; a
// row, a drop-down list or a scalar stays on one line, written compactly.
void WriteTextsCompact(JsonWriter& json, const std::vector<std::string>& texts) {
  json.BeginArray(Layout::Compact);
  for (const std::string& text : texts) json.Latin1(text);
  json.EndArray();
}

void WriteTable(JsonWriter& json, const content::Table& table) {
  // One row buffer for the whole table: the rows are made one at a time.
  std::vector<std::string> cells;
  json.BeginArray(Layout::Indented);
  for (std::size_t row = 0; row < table.RowCount(); ++row) {
    table.Row(row, cells);
    WriteTextsCompact(json, cells);
  }
  json.EndArray();
}

// Decoded in one pass: fetching each line on its own would decode its group
// again for every line.
void WriteLines(JsonWriter& json, const TLogLines& lines) {
  json.BeginArray(Layout::Indented);
  lines.ForEach([&json](std::string_view line) { json.Latin1(line); });
  json.EndArray();
}

void WriteValue(JsonWriter& json, const Shown& shown) {
  std::visit(
      [&](const auto& value) {
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, std::string>) {
          std::string scratch;
          json.Latin1(DisplayedText(shown, scratch));
        } else if constexpr (std::is_same_v<T, bool>) {
          json.Bool(value);
        } else if constexpr (std::is_same_v<T, content::Table>) {
          WriteTable(json, value);
        } else if constexpr (std::is_same_v<T, content::Combo>) {
          json.BeginObject(Layout::Compact).Key("items");
          WriteTextsCompact(json, value.items);
          json.Member("selected", SelectedIndex(value)).EndObject();
        } else {
          static_assert(std::is_same_v<T, content::Lines>);
          WriteLines(json, value.lines);
        }
      },
      *shown.value);
}

void WriteControls(JsonWriter& json, const std::vector<Shown>& controls) {
  json.BeginObject(Layout::Indented);
  for (const Shown& control : controls) {
    json.Key(control.key->name);
    WriteValue(json, control);
  }
  json.EndObject();
}

}  // namespace

void WriteJsonDocument(std::ostream& out, const std::string& file, const content::Song& song,
                       const LoadResult& result, TLogLines log) {
  // Every main window control is looked up before the first byte goes out,
  // so a missing one never leaves half a document behind.
  const SongView view(song, result.outcome, std::move(log));

  JsonWriter json(out);
  json.BeginObject(Layout::Indented)
      .Member("file", ExternalTextToUtf8(file))
      .Member("caption", CaptionAfterLoad(file, result.outcome))
      .Member("outcome", OutcomeName(result.outcome))
      .Member("error", result.errorUtf8)
      .Key("log");
  WriteLines(json, view.Log());
  json.Key("main");
  WriteControls(json, view.Main());

  json.Key("modules").BeginArray(Layout::Indented);
  for (std::size_t i = 0; i < view.ModuleCount(); ++i) WriteControls(json, view.Module(i).controls);
  json.EndArray();

  json.Key("chunks").BeginArray(Layout::Indented);
  for (std::size_t i = 0; i < view.ChunkCount(); ++i) WriteControls(json, view.Chunk(i).controls);
  json.EndArray();
  json.EndObject().EndLine();
}

}  // namespace tarvo::kvsdump
