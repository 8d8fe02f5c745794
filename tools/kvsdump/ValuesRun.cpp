#include "tools/kvsdump/Values.h"

#include "tools/kvsdump/CensusFiles.h"
#include "tools/kvsdump/KvsDump.h"
#include "tools/kvsdump/OrderedRun.h"
#include "tools/kvsdump/OutputText.h"
#include "tools/kvsdump/Progress.h"
#include "tools/kvsdump/ValueSong.h"
#include "tools/kvsdump/ValuesJson.h"
#include "tools/kvsdump/ValuesText.h"

#include <algorithm>
#include <ostream>
#include <vector>

namespace tarvo::kvsdump {

namespace {

// Songs done but not yet added: as many as the census lets wait, while
// their counts hold at most WaitingBudget together. With few, a worker
// would often wait for a larger song before it to be added, and two
// workers would not be twice as fast.
ordered_run::Room<SongValues> Waiting() {
  return {ordered_run::AheadPerJob, WaitingBudget, [](const SongValues& song) { return song.held; }};
}

}  // namespace

int RunValues(const std::vector<std::string>& paths, bool json, int jobs, KindSet kinds, std::ostream& out,
              std::ostream& err, std::ostream* progressStream) {
  const CensusFiles files = FindCensusFiles(paths, err);
  ValueCensus census(kinds, ValuesBudget);
  Progress progress(progressStream, files.songs.size());
  const auto workers = static_cast<std::size_t>(std::max(jobs, 1));
  RunInOrder<SongValues>(
      files.songs, workers,
      [kinds](const std::string& file) { return StudySongValues(file, kinds, SongBudget); },
      [&](SongValues&& song) {
        progress.SongDone(song.size);
        if (song.outcome != Outcome::Loaded) {
          // No line per song here: the songs that did not load are named.
          progress.Clear();
          err << "kvsdump: " << ExternalTextToTerminal(song.file) << ": " << OutcomeName(song.outcome);
          if (!song.errorUtf8.empty()) err << ": " << EscapeControls(song.errorUtf8);
          err << '\n';
        }
        AddSongValues(census, std::move(song));
        return true;
      },
      err, Waiting());
  progress.Clear();
  if (json) {
    WriteValuesJson(out, census);
  } else {
    WriteValuesText(out, census);
  }
  const ValueTotals& totals = census.Totals();
  return totals.loaded == totals.files && files.complete ? ExitLoaded : ExitFailed;
}

}  // namespace tarvo::kvsdump
