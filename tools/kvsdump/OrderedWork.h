#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tarvo::kvsdump {

// Hands out the songs in path order to worker threads and gives what each
// made back in the same order, so the output never depends on the number
// of workers. Workers may run at most `ahead` songs past the one awaited:
// what waits stays small whatever the number of files.
template <class Result>
class OrderedWork {
 public:
  OrderedWork(const std::vector<std::string>& songs, std::size_t ahead,
              std::function<Result(const std::string&)> study)
      : songs_(songs), ahead_(ahead), study_(std::move(study)) {}

  // A worker's loop: study the next song until there is none or the work
  // stops.
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
      std::optional<Result> result;
      std::exception_ptr fault;
      try {
        result = study_(songs_[index]);
      } catch (...) {
        fault = std::current_exception();
      }
      std::lock_guard lock(mutex_);
      if (fault && !fault_) fault_ = fault;
      if (fault) stop_ = true;
      if (result) done_[index - written_] = std::move(result);
      songDone_.notify_all();
    }
  }

  // The next song's result in path order once it is done; none when every
  // song is given back or the work stopped.
  std::optional<Result> Next() {
    std::unique_lock lock(mutex_);
    songDone_.wait(lock, [&] { return stop_ || written_ >= songs_.size() || (!done_.empty() && done_.front()); });
    if (stop_ || written_ >= songs_.size()) return std::nullopt;
    std::optional<Result> result = std::move(done_.front());
    done_.pop_front();
    ++written_;
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
  const std::vector<std::string>& songs_;
  const std::size_t ahead_;
  const std::function<Result(const std::string&)> study_;
  std::mutex mutex_;
  std::condition_variable spaceFree_;
  std::condition_variable songDone_;
  std::size_t next_ = 0;     // the next song to start
  std::size_t written_ = 0;  // the songs given back by Next
  std::deque<std::optional<Result>> done_;  // from song written_ on
  bool stop_ = false;
  std::exception_ptr fault_;
};

}  // namespace tarvo::kvsdump
