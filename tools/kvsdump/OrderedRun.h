#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <limits>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "tools/kvsdump/SongPaths.h"

namespace tarvo::kvsdump {

namespace ordered_run {

// Songs done but not yet consumed, beyond the ones being worked on: a slow
// song holds the output back, and the others may run ahead only this far,
// so what waits stays small whatever the number of files.
inline constexpr std::size_t AheadPerJob = 16;

// What may wait: results per job, and the sum of their weights (the memory
// they hold, say). A worker starts no song while either is reached.
template <class Result>
struct Room {
  std::size_t perJob = AheadPerJob;
  std::size_t weight = std::numeric_limits<std::size_t>::max();
  std::function<std::size_t(const Result&)> weigh;
};

// Tells the allocator to keep what one song frees for the next; once per
// process.
void KeepFreedMemory();

// Hands out the songs in path order to the workers and gives their results
// back in the same order. Each worker holds one song at a time.
template <class Result, class WorkOnSong>
class Queue {
 public:
  Queue(const SongPaths& songs, std::size_t jobs, WorkOnSong& work, Room<Result> room = {})
      : songs_(songs), ahead_(jobs * room.perJob), room_(std::move(room)), work_(work) {}

  // A worker's loop: the next song until there is none or the run stops.
  void Work() {
    for (;;) {
      std::size_t index = 0;
      {
        std::unique_lock lock(mutex_);
        spaceFree_.wait(lock, [&] {
          return stop_ || next_ >= songs_.size() || (next_ < given_ + ahead_ && held_ < room_.weight);
        });
        if (stop_ || next_ >= songs_.size()) return;
        index = next_++;
        if (done_.size() <= index - given_) done_.resize(index - given_ + 1);
      }
      std::optional<Result> result;
      std::exception_ptr fault;
      try {
        result.emplace(work_(std::string(songs_[index])));
      } catch (...) {
        fault = std::current_exception();
      }
      const std::size_t weight = result && room_.weigh ? room_.weigh(*result) : 0;
      std::lock_guard lock(mutex_);
      if (fault && !fault_) fault_ = fault;
      if (fault) stop_ = true;
      held_ += weight;
      if (result) done_[index - given_] = std::move(result);
      // Only the next song in order lets Next go on: others would wake it
      // for nothing.
      if (fault || index == given_) songDone_.notify_all();
    }
  }

  // The next result in path order once it is done; none when every song
  // is given or the run stopped.
  std::optional<Result> Next() {
    std::unique_lock lock(mutex_);
    songDone_.wait(lock, [&] { return stop_ || given_ >= songs_.size() || (!done_.empty() && done_.front()); });
    if (stop_ || given_ >= songs_.size()) return std::nullopt;
    std::optional<Result> result = std::move(done_.front());
    done_.pop_front();
    if (room_.weigh) held_ -= std::min(held_, room_.weigh(*result));
    ++given_;
    spaceFree_.notify_all();
    return result;
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
  const SongPaths& songs_;
  const std::size_t ahead_;
  const Room<Result> room_;
  WorkOnSong& work_;
  std::mutex mutex_;
  std::condition_variable spaceFree_;
  std::condition_variable songDone_;
  std::size_t next_ = 0;   // the next song to start
  std::size_t given_ = 0;  // the results given back by Next
  std::size_t held_ = 0;   // the weight of the results done and not given back
  std::deque<std::optional<Result>> done_;  // from song given_ on
  bool stop_ = false;
  std::exception_ptr fault_;
};

}  // namespace ordered_run

// Runs `work(path)` on every song of `songs`, `jobs` songs at once, and
// hands each result to `consume(Result&&)` in the songs' order, as soon as
// it and all before it are done; `consume` returns false to stop the run
// (an output that cannot be written). An exception of `work` ends the run
// and is raised again once every thread is joined.
//
// Threads that the system refuses are done without: the run goes on with
// the ones made, or on the calling thread when none could be, and says so
// once on `err`.
// `room`: how much may wait (less when each result is large).
template <class Result, class Work, class Consume>
void RunInOrder(const SongPaths& songs, std::size_t jobs, Work work, Consume consume, std::ostream& err,
                ordered_run::Room<Result> room = {}) {
  ordered_run::KeepFreedMemory();
  const std::size_t wanted = std::min(std::max<std::size_t>(jobs, 1), std::max<std::size_t>(songs.size(), 1));
  ordered_run::Queue<Result, Work> queue(songs, wanted, work, std::move(room));
  std::vector<std::jthread> threads;
  threads.reserve(wanted);
  for (std::size_t i = 0; i < wanted; ++i) {
    try {
      threads.emplace_back([&queue] { queue.Work(); });
    } catch (const std::exception&) {  // std::system_error, or no memory for one more
      err << "kvsdump: only " << threads.size() << " of " << wanted
          << " threads could be started; the census goes on with "
          << std::max<std::size_t>(threads.size(), 1) << "\n";
      break;
    }
  }
  if (threads.empty()) {
    for (std::size_t i = 0; i < songs.size(); ++i)
      if (!consume(work(std::string(songs[i])))) break;
    return;
  }
  try {
    while (std::optional<Result> result = queue.Next())
      if (!consume(std::move(*result))) queue.Stop();
  } catch (...) {
    // Workers waiting for room would never be joined.
    queue.Stop();
    throw;
  }
  threads.clear();  // joins
  if (const std::exception_ptr fault = queue.Fault()) std::rethrow_exception(fault);
}

}  // namespace tarvo::kvsdump
