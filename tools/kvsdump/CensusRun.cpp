#include "tools/kvsdump/Census.h"

#include "tools/kvsdump/CensusFiles.h"
#include "tools/kvsdump/CensusJson.h"
#include "tools/kvsdump/CensusSong.h"
#include "tools/kvsdump/CensusSummary.h"
#include "tools/kvsdump/CensusText.h"
#include "tools/kvsdump/KvsDump.h"
#include "tools/kvsdump/Progress.h"

#include <sched.h>

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace tarvo::kvsdump {

namespace {

// Songs done but not yet written, beyond the ones being loaded: a slow song
// holds the output back, and the others may run ahead only this far, so
// what waits stays small whatever the number of files.
constexpr std::size_t AheadPerJob = 16;

// Hands out the songs in path order to the workers and gives their figures
// back in the same order. Each worker holds one loaded song at a time.
class OrderedStudy {
 public:
  OrderedStudy(const std::vector<std::string>& songs, std::size_t jobs)
      : songs_(songs), ahead_(jobs * AheadPerJob) {}

  // A worker's loop: study the next song until there is none or the
  // census stops.
  void Work() {
    for (;;) {
      std::size_t index = 0;
      {
        std::unique_lock lock(mutex_);
        spaceFree_.wait(lock, [&] { return stop_ || next_ >= songs_.size() || next_ < written_ + ahead_; });
        if (stop_ || next_ >= songs_.size()) return;
        index = next_++;
        if (done_.size() <= index - written_) done_.resize(index - written_ + 1);
      }
      std::optional<SongCensus> song;
      std::exception_ptr fault;
      try {
        song = StudySong(songs_[index]);
      } catch (...) {
        fault = std::current_exception();
      }
      std::lock_guard lock(mutex_);
      if (fault && !fault_) fault_ = fault;
      if (fault) stop_ = true;
      if (song) done_[index - written_] = std::move(song);
      songDone_.notify_all();
    }
  }

  // The next song in path order once it is done; none when every song is
  // written or the census stopped.
  std::optional<SongCensus> Next() {
    std::unique_lock lock(mutex_);
    songDone_.wait(lock, [&] { return stop_ || written_ >= songs_.size() || (!done_.empty() && done_.front()); });
    if (stop_ || written_ >= songs_.size()) return std::nullopt;
    std::optional<SongCensus> song = std::move(done_.front());
    done_.pop_front();
    ++written_;
    spaceFree_.notify_all();
    return song;
  }

  // No more songs are started, e.g. when the output cannot be written.
  void Stop() {
    std::lock_guard lock(mutex_);
    stop_ = true;
    spaceFree_.notify_all();
    songDone_.notify_all();
  }

  std::exception_ptr Fault() {
    std::lock_guard lock(mutex_);
    return fault_;
  }

 private:
  const std::vector<std::string>& songs_;
  const std::size_t ahead_;
  std::mutex mutex_;
  std::condition_variable spaceFree_;
  std::condition_variable songDone_;
  std::size_t next_ = 0;     // the next song to start
  std::size_t written_ = 0;  // the songs given back by Next
  std::deque<std::optional<SongCensus>> done_;  // from song written_ on
  bool stop_ = false;
  std::exception_ptr fault_;
};

}  // namespace

void WriteCensusSummary(std::ostream& out, const CensusSummary& summary, bool json) {
  if (json) {
    WriteSummaryLine(out, summary);
  } else {
    WriteSummaryText(out, summary);
  }
}

int CensusExitStatus(const CensusSummary& summary, bool complete) {
  return summary.AllLoaded() && complete ? ExitLoaded : ExitFailed;
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
  const std::size_t workers = std::min<std::size_t>(static_cast<std::size_t>(std::max(jobs, 1)),
                                                    std::max<std::size_t>(files.songs.size(), 1));
  OrderedStudy study(files.songs, workers);
  std::vector<std::jthread> threads;
  threads.reserve(workers);
  try {
    for (std::size_t i = 0; i < workers; ++i) threads.emplace_back([&study] { study.Work(); });
  } catch (...) {
    // No thread to be had: the ones started stop after their song.
    study.Stop();
    throw;
  }

  CensusSummary summary;
  Progress progress(progressStream, files.songs.size());
  try {
    while (std::optional<SongCensus> song = study.Next()) {
      summary.Add(*song);
      progress.BeforeOutput();
      if (json) {
        WriteSongLine(out, *song);
      } else {
        WriteSongText(out, *song);
      }
      // Streams: a reader sees each song as soon as it is there.
      if (!out.flush()) study.Stop();
      progress.SongDone(song->size);
    }
  } catch (...) {
    // Workers waiting for room would never be joined.
    study.Stop();
    throw;
  }
  threads.clear();  // joins
  progress.Clear();
  if (const std::exception_ptr fault = study.Fault()) std::rethrow_exception(fault);
  if (!out) return ExitOutputError;
  WriteCensusSummary(out, summary, json);
  return CensusExitStatus(summary, files.complete);
}

}  // namespace tarvo::kvsdump
