#pragma once

// kvsdump --diff on any bytes: the input is split in two songs at the
// second "VFhd" header (with none, the song is compared with itself), and
// both outputs are written and held against each other. Shared by the views
// fuzz target and the tests that replay its inputs. Header only, like
// ShowEverything.h.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "songfile/KvsError.h"
#include "songfile/KvsLoader.h"
#include "text/LogLines.h"
#include "tools/kvsdump/Diff.h"
#include "tools/kvsdump/ShownDiff.h"

namespace tarvo::testing {

namespace diffeverything {

// One side, loaded from memory with its log kept; compared only when loaded.
struct Side {
  TLogLines log;
  std::shared_ptr<TKvsLoader> loader =
      std::make_shared<TKvsLoader>([this](std::string_view message) { log.Append(message); }, [] {});
  bool loaded = false;

  Side(const std::uint8_t* data, std::size_t size) {
    std::string errorText;
    try {
      loader->LoadFromMemory(data, size, errorText);
      loaded = errorText.empty();
    } catch (const KvsError&) {
    }
  }
};

// Text a terminal would take as control: a byte below 0x20 other than the
// line ends, DEL, or a C1 control encoded in UTF-8.
inline bool HasControl(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if ((byte < 0x20 && byte != '\n') || byte == 0x7F) return true;
    if (byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) <= 0x9F)
      return true;
  }
  return false;
}

}  // namespace diffeverything

// Empty when everything held; else what did not. Errors other than the
// loader's own escape as exceptions.
inline std::string DiffEverything(const std::uint8_t* data, std::size_t size) {
  using namespace diffeverything;
  constexpr std::string_view Header = "VFhd";
  const auto* const end = data + size;
  const auto* split = size > 0 ? std::search(data + 1, end, Header.begin(), Header.end()) : end;
  if (split == end) split = data;
  const Side before(data, static_cast<std::size_t>((split == data ? end : split) - data));
  const Side after(split, static_cast<std::size_t>(end - split));
  if (!before.loaded || !after.loaded) return "";

  using kvsdump::Outcome;
  using kvsdump::SongView;
  const SongView oldView(before.loader, Outcome::Loaded, before.log);
  const SongView newView(after.loader, Outcome::Loaded, after.log);
  if (!kvsdump::CompareSongs(oldView, oldView, [](const kvsdump::Difference&) {}))
    return "a song differs from itself";

  std::ostringstream text;
  std::ostringstream json;
  const bool same = kvsdump::WriteDiff(oldView, newView, false, "old.kvs", "new.kvs", text);
  if (kvsdump::WriteDiff(oldView, newView, true, "old.kvs", "new.kvs", json) != same)
    return "the two outputs disagree on sameness";
  const std::string lines = text.str();
  if (same != lines.empty()) return "the text output and the outcome disagree";
  if (split == data && !same) return "two loads of the same bytes differ";
  if (HasControl(lines)) return "a control character in the text output";
  const auto document = nlohmann::json::parse(json.str(), nullptr, false);
  if (document.is_discarded()) return "the JSON document does not parse";
  if (document["same"] != same ||
      document["differences"].size() != static_cast<std::size_t>(std::count(
                                            lines.begin(), lines.end(), '\n')))
    return "the JSON document and the text output disagree";
  return "";
}

}  // namespace tarvo::testing
