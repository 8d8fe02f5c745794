#include "tools/kvsdump/DiffJson.h"

#include "text/JsonWriter.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

namespace tarvo::kvsdump {

namespace {

bool HasIndex(Difference::Unit unit) {
  return unit == Difference::Unit::Row || unit == Difference::Unit::Item ||
         unit == Difference::Unit::Line;
}

void Scalar(JsonWriter& json, const Difference::Scalar& value) {
  if (const auto* text = std::get_if<std::string>(&value)) {
    json.Latin1(*text);
  } else if (const auto* ticked = std::get_if<bool>(&value)) {
    json.Bool(*ticked);
  } else if (const auto* index = std::get_if<int>(&value)) {
    json.Number(*index);
  } else {
    json.Null();
  }
}

void Text(JsonWriter& json, const std::optional<std::string>& text) {
  if (text) {
    json.Latin1(*text);
  } else {
    json.Null();
  }
}

void Row(JsonWriter& json, const std::vector<std::string>& cells) {
  json.BeginArray(JsonWriter::Layout::Compact);
  for (const std::string& cell : cells) json.Latin1(cell);
  json.EndArray();
}

void Cells(JsonWriter& json, const std::vector<CellChange>& cells) {
  json.BeginArray(JsonWriter::Layout::Compact);
  for (const CellChange& change : cells) {
    json.BeginObject(JsonWriter::Layout::Compact).Key("column").Latin1(change.column);
    json.Member("index", change.index).Key("old");
    Text(json, change.oldText);
    json.Key("new");
    Text(json, change.newText);
    json.EndObject();
  }
  json.EndArray();
}

void Bytes(JsonWriter& json, const ByteDifferences& bytes) {
  json.Member("oldSize", bytes.oldSize).Member("newSize", bytes.newSize).Member("differingBytes", bytes.count);
  json.Key("first").BeginArray(JsonWriter::Layout::Compact);
  for (const std::int64_t position : bytes.first) {
    json.BeginObject(JsonWriter::Layout::Compact).Member("offset", position).Key("oldFileOffset");
    if (position < bytes.oldSize) {
      json.Number(bytes.oldFileOffset + position);
    } else {
      json.Null();
    }
    json.Key("newFileOffset");
    if (position < bytes.newSize) {
      json.Number(bytes.newFileOffset + position);
    } else {
      json.Null();
    }
    json.EndObject();
  }
  json.EndArray();
}

void WriteDifference(JsonWriter& json, const Difference& found) {
  json.BeginObject(JsonWriter::Layout::Compact).Member("where", WhereText(found));
  switch (found.place.part) {
    case Place::Part::Main:
      json.Member("page", found.place.page);
      break;
    case Place::Part::Module:
      json.Member("module", found.place.viewer);
      break;
    case Place::Part::Chunk:
      json.Member("chunk", found.place.viewer);
      break;
  }
  if (!found.place.control.empty()) json.Member("control", found.place.control);
  json.Member("unit", UnitName(found.unit));
  if (HasIndex(found.unit)) json.Member("index", found.position);
  if (found.oldPosition) json.Member("oldIndex", *found.oldPosition);
  json.Member("change", ChangeName(found.change));

  if (found.unit == Difference::Unit::Data) {
    Bytes(json, found.bytes);
  } else if (found.unit == Difference::Unit::Row) {
    if (found.change == Change::Changed) {
      json.Key("cells");
      Cells(json, found.cells);
    } else {
      json.Key("old");
      if (found.change == Change::Removed) {
        Row(json, found.row);
      } else {
        json.Null();
      }
      json.Key("new");
      if (found.change == Change::Added) {
        Row(json, found.row);
      } else {
        json.Null();
      }
    }
  } else {
    json.Key("old");
    Scalar(json, found.oldValue);
    json.Key("new");
    Scalar(json, found.newValue);
  }
  json.EndObject();
}

}  // namespace

DiffJsonWriter::DiffJsonWriter(std::ostream& out, const std::string& oldName, const std::string& newName)
    : json_(std::make_unique<JsonWriter>(out)) {
  json_->BeginObject(JsonWriter::Layout::Indented).Member("old", oldName).Member("new", newName);
  json_->Key("differences").BeginArray(JsonWriter::Layout::Indented);
}

DiffJsonWriter::~DiffJsonWriter() = default;

void DiffJsonWriter::Add(const Difference& difference) { WriteDifference(*json_, difference); }

void DiffJsonWriter::Finish(bool same) {
  json_->EndArray().Member("same", same).EndObject().EndLine();
  json_->Flush();
}

}  // namespace tarvo::kvsdump
