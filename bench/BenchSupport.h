#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "content/Controls.h"
#include "content/pages/MainContent.h"
#include "songfile/KvsLoader.h"

// What the benchmarks and the memory probe share: the reference scan, the
// byte-by-byte baseline, the page fill and the pending-event clock.
namespace tarvo::bench {

// Times the pending-event callbacks of one load. The longest interval counts
// from the start of the load to the first call and from the last call to
// the end as well: the window does not repaint in either.
class PendingEventClock {
 public:
  using Clock = std::chrono::steady_clock;

  void Start() {
    last_ = Clock::now();
    calls_ = 0;
  }
  void Tick() {
    const Clock::time_point now = Clock::now();
    longest_ = std::max(longest_, now - last_);
    last_ = now;
    ++calls_;
  }
  // The end of the load: the interval since the last call counts, the end
  // itself is no call.
  void Stop() {
    Tick();
    --calls_;
  }

  double LongestMs() const { return std::chrono::duration<double, std::milli>(longest_).count(); }
  // Calls of the last load; the longest interval is over every load timed.
  std::uint64_t Calls() const { return calls_; }

 private:
  Clock::time_point last_{};
  Clock::duration longest_{};
  std::uint64_t calls_ = 0;
};

// The practical limit of a load: the file read into a buffer of its own
// size, then one memchr pass over all of it for the end marker's first
// byte. Returns the bytes read; `hits` counts the places the byte stands.
// `readMs` and `scanMs`, when given, receive the time of each part.
std::size_t ReadAndMemchr(const std::string& path, std::size_t& hits, double* readMs = nullptr,
                          double* scanMs = nullptr);

// The module end search done the naive way, run over the whole of `data`
// (every module end in turn): at each byte, read 22 bytes, compare them
// with the marker, step back 21 and let pending events run.
// Returns the number of markers found.
std::size_t ByteByByteMarkerScan(const std::uint8_t* data, std::size_t size,
                                 const std::function<void()>& pendingEvents);

// Reads the first `limit` bytes of a file (all of it when it is shorter)
// into `buffer`, which is resized to them.
void ReadPrefix(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& buffer);

using content::FillAllPages;

// Every list of the pages, in order.
std::vector<const content::Table*> PageTables(const std::vector<content::Page>& pages);

// Asks each table for its first `rows` rows, as a view showing its first
// screen would; returns the number of cells made.
std::size_t FirstRows(const std::vector<const content::Table*>& tables, std::size_t rows);

// The rows a window shows at once in the benchmarks.
inline constexpr std::size_t ScreenRows = 40;

// The process's peak resident size so far (VmHWM), in bytes. Unlike
// getrusage's maximum it belongs to this program image alone, not to the
// process it was started from.
std::uint64_t PeakResidentBytes();
// The current resident size (VmRSS), in bytes.
std::uint64_t ResidentBytes();

}  // namespace tarvo::bench
