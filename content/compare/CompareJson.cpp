#include "content/compare/CompareJson.h"

#include "content/compare/ByteDiff.h"

#include <ostream>
#include <string>
#include <string_view>

#include "text/JsonWriter.h"

namespace tarvo::content {

namespace {

void OptionalNumber(JsonWriter& json, std::string_view key, const std::optional<std::uint64_t>& value) {
  json.Key(key);
  if (value) {
    json.Number(*value);
  } else {
    json.Null();
  }
}

void WriteDifference(JsonWriter& json, std::size_t pair, const CompareDifference& difference) {
  const bool added = difference.change == ChangeKind::Added;
  const bool removed = difference.change == ChangeKind::Removed;
  json.BeginObject();
  json.Member("pair", pair).Member("change", ChangeName(difference.change)).Member("kind", DiffKindName(difference.kind));
  json.Key("path").Latin1(difference.path);
  json.Key("old_path");
  if (added) {
    json.Null();
  } else {
    json.Latin1(difference.oldPath);
  }
  OptionalNumber(json, "old_offset", difference.oldOffset);
  OptionalNumber(json, "new_offset", difference.newOffset);
  OptionalNumber(json, "old_size", added ? std::nullopt : std::optional(difference.oldSize));
  OptionalNumber(json, "new_size", removed ? std::nullopt : std::optional(difference.newSize));
  if (difference.kind == DiffKind::Field) {
    json.Key("old_value");
    if (added) {
      json.Null();
    } else {
      json.Latin1(difference.oldValue);
    }
    json.Key("new_value");
    if (removed) {
      json.Null();
    } else {
      json.Latin1(difference.newValue);
    }
  }
  json.Member("bytes_differ", difference.bytesDiffer);
  json.Key("runs").BeginArray();
  for (const ByteRun& run : difference.runs) {
    json.BeginObject().Member("offset", run.offset).Member("old", HexBytes(run.oldBytes)).Member("new", HexBytes(run.newBytes));
    json.EndObject();
  }
  json.EndArray();
  if (difference.runsMore > 0) json.Member("runs_more", difference.runsMore);
  json.EndObject().EndLine();
}

void WriteSummary(JsonWriter& json, std::size_t pair, const CompareSummary& summary) {
  json.BeginObject().Member("pair", pair).Key("summary").BeginObject();
  json.Member("differences", summary.differences).Key("changed").BeginObject();
  for (const DiffKind kind : summary.kindOrder)
    json.Member(DiffKindName(kind), summary.changedByKind[static_cast<std::size_t>(kind)]);
  json.EndObject().Member("added", summary.added).Member("removed", summary.removed);
  json.Key("bytes").BeginObject();
  json.Member("old", summary.oldBytes).Member("new", summary.newBytes).Member("same", summary.sameBytes);
  json.Member("changed_old", summary.changedOldBytes).Member("changed_new", summary.changedNewBytes);
  json.Member("differ", summary.differBytes).Member("removed", summary.removedBytes);
  json.Member("added", summary.addedBytes).EndObject();
  json.Key("aligned_by_position").BeginArray();
  for (const std::string& path : summary.alignedByPosition) json.Latin1(path);
  json.EndArray().EndObject().EndObject().EndLine();
}

}  // namespace

CompareSummary WriteCompareJson(std::ostream& out, SongComparison& comparison, std::size_t pair,
                                const ComparedFile& oldFile, const ComparedFile& newFile) {
  JsonWriter json(out);
  json.BeginObject().Member("pair", pair).Member("old", oldFile.name).Member("new", newFile.name);
  json.Member("old_outcome", oldFile.outcome).Member("new_outcome", newFile.outcome);
  json.Member("old_size", oldFile.size).Member("new_size", newFile.size).EndObject().EndLine();
  const CompareSummary summary =
      comparison.Run([&json, pair](const CompareDifference& difference) { WriteDifference(json, pair, difference); });
  WriteSummary(json, pair, summary);
  json.Flush();
  return summary;
}

}  // namespace tarvo::content
