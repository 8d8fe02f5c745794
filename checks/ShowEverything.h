#pragma once

// The load flow on bytes, then everything the user can look at: the JSON
// document of kvsdump (every page and both viewers), plus what the window
// shows on request and the document leaves out (other song event and chunk
// data sets, the skipped-events row). Shared by the views fuzz target and
// the tests that replay its inputs. Header only. The
// region map of every input is built too, and its invariants checked.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "content/map/RegionMap.h"
#include "content/pages/MainContent.h"
#include "checks/MapInvariants.h"
#include "songfile/KvsError.h"
#include "songfile/KvsLoader.h"
#include "text/Latin1.h"
#include "tools/kvsdump/JsonDump.h"
#include "tools/kvsdump/ShownDiff.h"
#include "content/viewers/ViewerContent.h"

namespace tarvo::testing {

// Counts what would be written; keeps nothing.
class NullBuffer : public std::streambuf {
 public:
  std::size_t written = 0;

 protected:
  int_type overflow(int_type c) override {
    ++written;
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char*, std::streamsize n) override {
    written += static_cast<std::size_t>(n);
    return n;
  }
};

namespace showeverything {

// Every row of a table: none may carry more cells than the table has columns.
inline void VisitTable(const content::Table& table, std::string& fault) {
  std::vector<std::string> cells;
  for (std::size_t row = 0; row < table.RowCount(); ++row) {
    table.Row(row, cells);
    if (cells.size() > table.Columns().size()) fault = "a row with more cells than columns";
  }
}

inline void VisitPage(const content::Page& page, std::string& fault) {
  for (const content::Control& control : page.controls)
    if (const auto* table = std::get_if<content::Table>(&control.value)) VisitTable(*table, fault);
}

}  // namespace showeverything

inline constexpr std::size_t MapCheckLimit = std::size_t{4} << 20;

struct Shown {
  kvsdump::Outcome outcome = kvsdump::Outcome::Loaded;
  std::size_t documentBytes = 0;
  // Empty when everything held; else what did not.
  std::string fault;
};

// Loads `data` and shows all of it. Errors other than the loader's own
// escape as exceptions.
inline Shown ShowEverything(const std::uint8_t* data, std::size_t size) {
  using kvsdump::LoadResult;
  using kvsdump::Outcome;
  Shown shown;

  TLogLines log;
  std::vector<std::uint32_t> tracedIds;
  const auto song = std::make_shared<TKvsLoader>(
      [&log, &tracedIds](std::string_view message) {
        log.Append(message);
        if (std::uint32_t id = 0; TracedChunkId(message, id)) tracedIds.push_back(id);
      },
      [] {});
  TKvsLoader& loader = *song;
  content::RegionMapBuilder mapBuilder;
  loader.SetRegionSink(&mapBuilder);
  LoadResult result;
  std::string errorText;
  try {
    loader.LoadFromMemory(data, size, errorText);
    if (!errorText.empty()) result = {Outcome::Rejected, Latin1ToUtf8(errorText)};
  } catch (const KvsError& error) {
    if (std::string_view(error.what()) != "Stream read error") shown.fault = "raised: " + std::string(error.what());
    result = {Outcome::Failed, error.what()};
  }
  // The version text is the only error text a load hands back.
  if (!errorText.empty() && !errorText.starts_with("File version ")) shown.fault = "error text: " + errorText;
  shown.outcome = result.outcome;

  // Counted records never come from nothing: every object stands on at
  // least one byte of the file (the eight send-FX objects on one record).
  const std::size_t objects = loader.AudioClips().size() + loader.Modules().size() + loader.PatternEvents().size() +
                              loader.SongEvents().size() + loader.WindowPosInfos().size() + loader.Channels().size() +
                              loader.SendFxAssigns().size() / 8;
  if (objects > size) shown.fault = "more objects than bytes";

  NullBuffer buffer;
  std::ostream out(&buffer);
  kvsdump::WriteJsonDocument(out, "hostile.kvs", song, result, std::move(log));
  if (!out) shown.fault = "the document could not be written";
  shown.documentBytes = buffer.written;
  // Every region of a large file would be made several times over: above
  // a few megabytes (the allocation bombs) only the sums are checked.
  const content::RegionMap map = mapBuilder.Finish(loader);
  if (size <= MapCheckLimit) {
    if (const std::string mapFault = CheckRegionMap(loader, map, tracedIds); !mapFault.empty())
      shown.fault = "map: " + mapFault;
  } else if (map.coverage().Total() != size) {
    shown.fault = "map: the coverage does not add up to the size";
  }
  if (result.outcome != Outcome::Loaded) return shown;

  using namespace content;
  showeverything::VisitPage(FillSongEventsPage(song, true), shown.fault);
  const Combo eventSets = SongEventDataSets(loader.SongEvents().size());
  for (std::size_t i = 1; i < eventSets.items.size(); ++i)
    showeverything::VisitTable(SongEventList(song, i * SongEventDataSetSize), shown.fault);
  for (const TKvsChunk& chunk : loader.Chunks()) {
    const Combo chunkSets = FillDataSets(chunk.Data.Size());
    for (std::size_t i = 1; i < chunkSets.items.size(); ++i)
      showeverything::VisitPage(DataSetChange(song, chunk, static_cast<int>(i)), shown.fault);
  }
  return shown;
}

}  // namespace tarvo::testing
