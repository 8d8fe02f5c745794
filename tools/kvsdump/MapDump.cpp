#include "tools/kvsdump/MapDump.h"

#include "content/map/RegionMap.h"
#include "songfile/KvsLoader.h"
#include "text/Format.h"
#include "text/JsonWriter.h"
#include "text/Latin1.h"
#include "text/Utf8.h"
#include "tools/kvsdump/OutputText.h"

#include <ostream>
#include <string>
#include <string_view>

namespace tarvo::kvsdump {

namespace {

using content::Coverage;
using content::RegionMap;

void WriteTextLine(std::ostream& out, std::string& line, const TKvsRegion& region) {
  line.clear();
  FormatTo(line, "%8.8x %8.8x ", {region.offset, region.size});
  const std::string_view kind = RegionKindName(region.kind);
  line += kind;
  line.append(kind.size() < 9 ? 9 - kind.size() : 1, ' ');
  line += Latin1ToTerminalUtf8(region.path);
  if (region.kind == TKvsRegionKind::Field) {
    line += " = ";
    line += Latin1ToTerminalUtf8(region.value);
  }
  line += '\n';
  out << line;
}

void WriteJson(std::ostream& out, const std::string& file, Outcome outcome, const RegionMap& map) {
  using Layout = JsonWriter::Layout;
  JsonWriter json(out);
  json.BeginObject(Layout::Indented)
      .Member("file", ExternalTextToUtf8(file))
      .Member("size", map.FileSize())
      .Member("outcome", OutcomeName(outcome))
      .Key("coverage")
      .BeginObject();
  for (std::size_t kind = 0; kind < RegionKindCount; ++kind)
    json.Member(RegionKindName(static_cast<TKvsRegionKind>(kind)), map.coverage().bytes[kind]);
  json.EndObject().Key("regions").BeginArray(Layout::Indented);
  map.ForEachRegion([&json](const TKvsRegion& region) {
    json.BeginObject()
        .Member("offset", region.offset)
        .Member("size", region.size)
        .Member("kind", RegionKindName(region.kind))
        .Member("chunk", region.chunk)
        .Key("path")
        .Latin1(region.path);
    if (region.kind == TKvsRegionKind::Field) json.Key("value").Latin1(region.value);
    json.EndObject();
  });
  json.EndArray().EndObject().EndLine();
}

}  // namespace

Outcome DumpMap(const std::string& file, bool json, std::ostream& out, std::ostream& err) {
  TKvsLoader loader;
  if (json) {
    // The coverage comes before the regions: they are made again after the
    // load, by a second walk.
    content::RegionMapBuilder builder;
    loader.SetRegionSink(&builder);
    const LoadResult result = LoadSong(loader, file);
    WriteJson(out, file, result.outcome, builder.Finish(loader));
    return result.outcome;
  }
  // The lines go out while the file is read, in the load's one walk.
  std::string line;
  content::RegionMapBuilder builder(loader, [&out, &line](const TKvsRegion& region) { WriteTextLine(out, line, region); });
  loader.SetRegionSink(&builder);
  const LoadResult result = LoadSong(loader, file);
  out << content::CoverageLine(builder.Finish(loader).coverage()) << '\n';
  ReportLoadError(result, out, err);
  return result.outcome;
}

}  // namespace tarvo::kvsdump
