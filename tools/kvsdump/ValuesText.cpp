#include "tools/kvsdump/ValuesText.h"

#include "text/Latin1.h"
#include "tools/kvsdump/ValuesJson.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace tarvo::kvsdump {

namespace {

// Values shown on a place's line; the rest are counted.
constexpr std::size_t ShownValues = 8;

std::string Decimal(double value, int decimals) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  return std::string(text, result.ptr);
}

std::string Counted(std::uint64_t n, const char* one, const char* many) {
  return std::to_string(n) + ' ' + (n == 1 ? one : many);
}

std::string ByteHex(std::uint8_t byte) { return ValueKeyHex(MakeValueKey(&byte, 1)); }

bool NotUnderstood(TKvsRegionKind kind) {
  return kind == TKvsRegionKind::Reserved || kind == TKvsRegionKind::Skipped;
}

// 0: varies and not understood; 1: counted by size only; 2: varies and
// understood; 3: constant.
int Rank(const PlaceCounts& place) {
  if (place.positions.empty()) return 1;
  if (place.Constant()) return 3;
  return NotUnderstood(place.kind) ? 0 : 2;
}

// What a byte position says, for runs of equal descriptions: "00",
// "00|FF", "57 values (5.1 bits)".
std::string Describe(const ByteCounts& position) {
  const auto counts = position.Counts();
  if (counts.size() <= 2) {
    std::string text;
    for (const auto& [value, n] : counts) text += (text.empty() ? "" : "|") + ByteHex(value);
    return text;
  }
  return Counted(counts.size(), "value", "values") + " (" + Decimal(position.Entropy(), 1) + " bits)";
}

// "+0..+3 00, +8..+11 00": the positions chosen, runs of equal texts joined.
std::string Runs(const PlaceCounts& place, bool constant) {
  std::string line;
  std::size_t p = 0;
  while (p < place.positions.size()) {
    if ((place.positions[p].Distinct() == 1) != constant) {
      ++p;
      continue;
    }
    const std::string text = Describe(place.positions[p]);
    std::size_t last = p;
    while (last + 1 < place.positions.size() && (place.positions[last + 1].Distinct() == 1) == constant &&
           Describe(place.positions[last + 1]) == text)
      ++last;
    if (!line.empty()) line += ", ";
    line += '+' + std::to_string(p);
    if (last > p) line += "..+" + std::to_string(last);
    line += ' ' + text;
    p = last + 1;
  }
  return line;
}

std::string Sizes(std::uint64_t minSize, std::uint64_t maxSize) {
  if (minSize == maxSize) return Counted(minSize, "byte", "bytes");
  return std::to_string(minSize) + ".." + std::to_string(maxSize) + " bytes";
}

void WriteHead(std::ostream& out, const std::string& name, TKvsRegionKind kind, std::uint64_t files,
               std::uint64_t count, std::uint64_t minSize, std::uint64_t maxSize) {
  out << Latin1ToTerminalUtf8(name) << "  " << RegionKindName(kind) << "  " << Sizes(minSize, maxSize) << "  "
      << Counted(files, "file", "files");
  if (count != files) out << "  " << Counted(count, "region", "regions");
  out << '\n';
}

void WriteBlock(std::ostream& out, const PlaceCounts& place) {
  WriteHead(out, place.name, place.kind, place.files, place.count, place.minSize, place.maxSize);
  if (!CountsValues(place.kind)) return;
  if (place.anySmall && !place.valuesOverflow) {
    std::string line;
    const auto values = SortedValues(place);
    for (std::size_t i = 0; i < std::min(values.size(), ShownValues); ++i) {
      if (i > 0) line += ", ";
      line += ValueKeyHex(values[i].first);
      if (values[i].second->hasText) line += " (" + Latin1ToTerminalUtf8(values[i].second->text) + ")";
      line += " \u00D7" + std::to_string(values[i].second->count);
    }
    if (values.size() > ShownValues) line += ", " + std::to_string(values.size() - ShownValues) + " more";
    out << "  values:   " << line << '\n';
  } else {
    if (const std::string constant = Runs(place, true); !constant.empty()) out << "  constant: " << constant << '\n';
    if (const std::string varies = Runs(place, false); !varies.empty()) out << "  varies:   " << varies << '\n';
  }
  if (place.Constant()) return;
  std::string same;
  for (const auto& [field, counts] : place.sameAs) {
    // Equal in at least 95 % of the records holding both.
    if (counts.records == 0 || counts.equal * 20 < counts.records * 19) continue;
    if (!same.empty()) same += ", ";
    same += Latin1ToTerminalUtf8(field) + " (" +
            Decimal(100.0 * static_cast<double>(counts.equal) / static_cast<double>(counts.records), 1) + " %)";
  }
  if (!same.empty()) out << "  same as:  " << same << '\n';
}

}  // namespace

void WriteValuesText(std::ostream& out, const ValueCensus& census) {
  std::vector<const PlaceCounts*> places = census.SortedPlaces();
  std::stable_sort(places.begin(), places.end(),
                   [](const PlaceCounts* a, const PlaceCounts* b) { return Rank(*a) < Rank(*b); });
  for (const PlaceCounts* place : places) WriteBlock(out, *place);
  for (std::size_t kind = 0; kind < RegionKindCount; ++kind) {
    const OtherCounts& other = census.Other()[kind];
    if (other.count > 0)
      WriteHead(out, std::string(OtherPlacesName), static_cast<TKvsRegionKind>(kind), other.files, other.count,
                other.minSize, other.maxSize);
  }
  const ValueTotals& totals = census.Totals();
  out << "songs: " << totals.files << " (loaded " << totals.loaded << ", rejected " << totals.rejected << ", failed "
      << totals.failed << "), " << Counted(totals.bytes, "byte", "bytes") << '\n';
  std::string kinds;
  for (const std::string& name : KindNames(census.Kinds())) kinds += (kinds.empty() ? "" : ", ") + name;
  out << "kinds: " << kinds << '\n';
  out << "places: " << places.size() << ", other places: " << census.OtherPlaces() << '\n';
}

}  // namespace tarvo::kvsdump
