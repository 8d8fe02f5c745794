#include "tools/kvsdump/Diff.h"

#include "tools/kvsdump/ShownDiff.h"
#include "tools/kvsdump/DiffJson.h"
#include "tools/kvsdump/KvsDump.h"
#include "tools/kvsdump/OutputText.h"

#include <ostream>
#include <string>
#include <utility>

namespace tarvo::kvsdump {

bool WriteDiff(const SongView& before, const SongView& after, bool json, const std::string& oldFile,
               const std::string& newFile, std::ostream& out) {
  if (!json) {
    return CompareSongs(before, after,
                        [&out](const Difference& found) { out << DifferenceLine(found) << '\n'; });
  }
  DiffJsonWriter document(out, ExternalTextToUtf8(oldFile), ExternalTextToUtf8(newFile));
  const bool same =
      CompareSongs(before, after, [&document](const Difference& found) { document.Add(found); });
  document.Finish(same);
  return same;
}

int RunDiff(const std::string& oldFile, const std::string& newFile, bool json, std::ostream& out,
            std::ostream& err) {
  // Both files are loaded before anything is said, so both of their errors
  // are told at once.
  LoadedSong before(oldFile);
  LoadedSong after(newFile);
  bool loaded = true;
  for (const auto& [file, side] : {std::pair{&oldFile, &before}, std::pair{&newFile, &after}}) {
    if (side->Result().outcome == Outcome::Loaded) continue;
    // The name and the error that quotes it may hold any bytes.
    err << "kvsdump: " << ExternalTextToTerminal(*file) << ": "
        << EscapeControls(side->Result().errorUtf8) << '\n';
    loaded = false;
  }
  if (!loaded) return ExitDiffError;

  const SongView oldView(before.Song(), Outcome::Loaded, before.TakeLog());
  const SongView newView(after.Song(), Outcome::Loaded, after.TakeLog());
  return WriteDiff(oldView, newView, json, oldFile, newFile, out) ? ExitSame : ExitDifferent;
}

}  // namespace tarvo::kvsdump
