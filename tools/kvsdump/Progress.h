#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>

namespace tarvo::kvsdump {

// One line of progress on a terminal for a run over many songs: songs done
// of songs found, bytes, songs per second and the time left. Redrawn at
// most ten times a second, cleared at the end; nothing at all without a
// stream (standard error is no terminal), so scripts see no change.
class Progress {
 public:
  // `err` is null for no progress.
  Progress(std::ostream* err, std::uint64_t songs);
  ~Progress();  // clears the line
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  void SongDone(std::uint64_t bytes);
  void Clear();
  // Before a line of output: clears the progress line when standard output
  // is the same kind of terminal, so the two never share a line.
  void BeforeOutput() {
    if (outputIsTerminal_) Clear();
  }

  // The line for a state; for the tests.
  static std::string Line(std::uint64_t done, std::uint64_t songs, std::uint64_t bytes, double seconds);

 private:
  std::ostream* err_;
  std::uint64_t songs_;
  std::uint64_t done_ = 0;
  std::uint64_t bytes_ = 0;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point drawn_;
  bool shown_ = false;
  bool outputIsTerminal_ = false;
};

// Standard error when it is a terminal and `err` is it; else null.
std::ostream* ProgressStream(std::ostream& err);

}  // namespace tarvo::kvsdump
