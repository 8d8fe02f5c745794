#include "tools/kvsdump/Census.h"

#include "tools/kvsdump/CensusFiles.h"
#include "tools/kvsdump/CensusJson.h"
#include "tools/kvsdump/CensusSong.h"
#include "tools/kvsdump/CensusSummary.h"
#include "tools/kvsdump/CensusText.h"
#include "tools/kvsdump/KvsDump.h"
#include "tools/kvsdump/OrderedRun.h"
#include "tools/kvsdump/Progress.h"

#include <sched.h>

#include <algorithm>
#include <cstddef>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace tarvo::kvsdump {

void WriteCensusSummary(std::ostream& out, const CensusSummary& summary, bool json) {
  if (json) {
    WriteSummaryLine(out, summary);
  } else {
    WriteSummaryText(out, summary);
  }
}

int CensusExitStatus(const CensusSummary& summary, bool complete) {
  return summary.AllLoaded() && complete ? ExitSuccess : ExitIncomplete;
}

int DefaultCensusJobs() {
  cpu_set_t cpus;
  CPU_ZERO(&cpus);
  if (sched_getaffinity(0, sizeof cpus, &cpus) == 0 && CPU_COUNT(&cpus) > 0) return CPU_COUNT(&cpus);
  return static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
}

int RunCensus(const std::vector<std::string>& paths, bool json, int jobs, std::ostream& out,
              std::ostream& err, std::ostream* progressStream) {
  const CensusFiles files = FindCensusFiles(paths, err);
  CensusSummary summary;
  Progress progress(progressStream, files.songs.size());
  RunInOrder<SongCensus>(
      files.songs, static_cast<std::size_t>(std::max(jobs, 1)), [](const std::string& file) { return StudySong(file); },
      [&](SongCensus&& song) {
        summary.Add(song);
        progress.BeforeOutput();
        if (json) {
          WriteSongLine(out, song);
        } else {
          WriteSongText(out, song);
        }
        progress.SongDone(song.size);
        // Streams: a reader sees each song as soon as it is there.
        return static_cast<bool>(out.flush());
      },
      err);
  progress.Clear();
  if (!out) return ExitOutputError;
  WriteCensusSummary(out, summary, json);
  return CensusExitStatus(summary, files.complete);
}

}  // namespace tarvo::kvsdump
