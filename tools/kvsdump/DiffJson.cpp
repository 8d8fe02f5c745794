#include "tools/kvsdump/DiffJson.h"

#include "text/Latin1.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace tarvo::kvsdump {

namespace {

using Json = nlohmann::ordered_json;

bool HasIndex(Difference::Unit unit) {
  return unit == Difference::Unit::Row || unit == Difference::Unit::Item ||
         unit == Difference::Unit::Line;
}

Json ScalarJson(const Difference::Scalar& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return Latin1ToUtf8(*text);
  if (const auto* ticked = std::get_if<bool>(&value)) return *ticked;
  if (const auto* index = std::get_if<int>(&value)) return *index;
  return nullptr;
}

Json TextJson(const std::optional<std::string>& text) {
  return text ? Json(Latin1ToUtf8(*text)) : Json(nullptr);
}

Json RowJson(const std::vector<std::string>& cells) {
  Json array = Json::array();
  for (const std::string& cell : cells) array.push_back(Latin1ToUtf8(cell));
  return array;
}

Json CellsJson(const std::vector<CellChange>& cells) {
  Json array = Json::array();
  for (const CellChange& change : cells) {
    Json cell;
    cell["column"] = Latin1ToUtf8(change.column);
    cell["index"] = change.index;
    cell["old"] = TextJson(change.oldText);
    cell["new"] = TextJson(change.newText);
    array.push_back(std::move(cell));
  }
  return array;
}

Json BytesJson(const ByteDifferences& bytes, Json object) {
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
  return object;
}

Json DifferenceJson(const Difference& found) {
  Json object;
  object["where"] = WhereText(found);
  switch (found.place.part) {
    case Place::Part::Main:
      object["page"] = found.place.page;
      break;
    case Place::Part::Module:
      object["module"] = found.place.viewer;
      break;
    case Place::Part::Chunk:
      object["chunk"] = found.place.viewer;
      break;
  }
  if (!found.place.control.empty()) object["control"] = found.place.control;
  object["unit"] = UnitName(found.unit);
  if (HasIndex(found.unit)) object["index"] = found.position;
  object["change"] = ChangeName(found.change);

  if (found.unit == Difference::Unit::Data) return BytesJson(found.bytes, std::move(object));
  if (found.unit == Difference::Unit::Row) {
    if (found.change == Change::Changed) {
      object["cells"] = CellsJson(found.cells);
    } else {
      object["old"] = found.change == Change::Removed ? RowJson(found.row) : Json(nullptr);
      object["new"] = found.change == Change::Added ? RowJson(found.row) : Json(nullptr);
    }
    return object;
  }
  object["old"] = ScalarJson(found.oldValue);
  object["new"] = ScalarJson(found.newValue);
  return object;
}

}  // namespace

DiffJsonWriter::DiffJsonWriter(std::ostream& out, const std::string& oldName,
                               const std::string& newName)
    : out_(out) {
  out_ << "{\n  \"old\": " << Json(oldName).dump() << ",\n  \"new\": " << Json(newName).dump()
       << ",\n  \"differences\": [";
}

void DiffJsonWriter::Add(const Difference& difference) {
  out_ << (first_ ? "\n    " : ",\n    ") << DifferenceJson(difference).dump();
  first_ = false;
}

void DiffJsonWriter::Finish(bool same) {
  out_ << (first_ ? "],\n" : "\n  ],\n") << "  \"same\": " << (same ? "true" : "false") << "\n}\n";
}

}  // namespace tarvo::kvsdump
