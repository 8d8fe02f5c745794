#include "content/compare/CompareText.h"

#include "content/compare/ByteDiff.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <ostream>

#include "text/Latin1.h"

namespace tarvo::content {

namespace {

constexpr std::size_t TextRuns = 8;
constexpr std::size_t TextRunBytes = 16;

std::string Offset(const std::optional<std::uint64_t>& offset) {
  if (!offset) return "-";
  char text[24];
  std::snprintf(text, sizeof text, "%08" PRIX64, *offset);
  return text;
}

std::string Hex(std::string_view bytes) { return bytes.empty() ? "-" : HexBytes(bytes); }

std::string RunsText(const CompareDifference& difference) {
  std::string text;
  std::uint64_t shown = 0;
  for (std::size_t i = 0; i < difference.runs.size() && i < TextRuns; ++i) {
    const ByteRun& run = difference.runs[i];
    const std::uint64_t length = std::min<std::uint64_t>(run.length, TextRunBytes);
    shown += length;
    if (!text.empty()) text += "; ";
    text += '+';
    text += std::to_string(run.offset);
    text += ' ';
    text += Hex(std::string_view(run.oldBytes).substr(0, std::min<std::size_t>(run.oldBytes.size(), length)));
    text += " -> ";
    text += Hex(std::string_view(run.newBytes).substr(0, std::min<std::size_t>(run.newBytes.size(), length)));
  }
  if (difference.bytesDiffer > shown)
    text += (text.empty() ? "" : "; ") + std::string("... ") + std::to_string(difference.bytesDiffer - shown) +
            " more bytes differ";
  return text;
}

}  // namespace

std::string CompareTextLine(const CompareDifference& difference) {
  std::string size = std::to_string(difference.Size());
  if (difference.change == ChangeKind::Changed && difference.oldSize != difference.newSize)
    size = std::to_string(difference.oldSize) + "->" + std::to_string(difference.newSize);
  char columns[128];
  std::snprintf(columns, sizeof columns, "%-8s %-9s %-8s %-8s %8s  ", ChangeName(difference.change),
                DiffKindName(difference.kind), Offset(difference.oldOffset).c_str(),
                Offset(difference.newOffset).c_str(), size.c_str());
  std::string line = columns;
  line += Latin1ToTerminalUtf8(difference.path);
  if (difference.change != ChangeKind::Removed && !difference.oldPath.empty() && difference.oldPath != difference.path)
    line += " (was " + Latin1ToTerminalUtf8(difference.oldPath) + ")";
  if (difference.change != ChangeKind::Changed) return line;
  line += ": ";
  if (difference.kind == DiffKind::Field) {
    line += Latin1ToTerminalUtf8(difference.oldValue) + " -> " + Latin1ToTerminalUtf8(difference.newValue);
  } else {
    line += RunsText(difference);
  }
  return line;
}

std::string CompareSummaryLine(const CompareSummary& summary) {
  std::string line = "compare: " + std::to_string(summary.differences) + " differences (changed " +
                     std::to_string(summary.changed);
  for (std::size_t i = 0; i < summary.kindOrder.size(); ++i) {
    const DiffKind kind = summary.kindOrder[i];
    line += (i == 0 ? ": " : ", ") + std::string(DiffKindName(kind)) + " " +
            std::to_string(summary.changedByKind[static_cast<std::size_t>(kind)]);
  }
  line += "; added " + std::to_string(summary.added) + "; removed " + std::to_string(summary.removed) + ")";
  line += "; bytes: old " + std::to_string(summary.oldBytes) + ", new " + std::to_string(summary.newBytes);
  line += "; same " + std::to_string(summary.sameBytes);
  line += "; changed " + std::to_string(summary.changedOldBytes) + " / " + std::to_string(summary.changedNewBytes) +
          " (" + std::to_string(summary.differBytes) + " differ)";
  line += "; removed " + std::to_string(summary.removedBytes) + "; added " + std::to_string(summary.addedBytes);
  if (!summary.alignedByPosition.empty()) {
    line += "; aligned by position:";
    for (std::size_t i = 0; i < summary.alignedByPosition.size(); ++i)
      line += (i == 0 ? " " : ", ") + Latin1ToTerminalUtf8(summary.alignedByPosition[i]);
  }
  return line;
}

CompareSummary WriteCompareText(std::ostream& out, SongComparison& comparison, const ComparedFile& oldFile,
                                const ComparedFile& newFile) {
  out << "--- " << oldFile.name << " (" << oldFile.outcome << ")\n";
  out << "+++ " << newFile.name << " (" << newFile.outcome << ")\n";
  std::string line;
  const CompareSummary summary = comparison.Run([&out, &line](const CompareDifference& difference) {
    line = CompareTextLine(difference);
    line += '\n';
    out << line;
  });
  out << CompareSummaryLine(summary) << '\n';
  return summary;
}

}  // namespace tarvo::content
