// tarvo_bench_probe MODE FILE: does one piece of work on a song file in a
// fresh process and prints what it measured, one "key value" line each. The
// benchmarks start it for every memory figure, so that the peak resident
// size belongs to that work alone.
//
// Modes:
//   read-memchr   the file read into memory and scanned once with memchr
//   load          the load, as the window runs it
//   pages         the load, then every page's content and the first screen
//                 of rows of every list
//   kvsdump-json  the load and the JSON document of kvsdump --json, written
//                 to a sink that only counts the bytes

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "bench/BenchSupport.h"
#include "songfile/KvsLoader.h"
#include "tools/kvsdump/JsonDump.h"
#include "tools/kvsdump/ShownDiff.h"

namespace {

using namespace tarvo;
using namespace tarvo::bench;
using Clock = std::chrono::steady_clock;

class CountingBuffer : public std::streambuf {
 public:
  std::uint64_t Count() const { return count_ + static_cast<std::uint64_t>(pptr() - pbase()); }

 protected:
  int_type overflow(int_type ch) override {
    count_ += static_cast<std::uint64_t>(pptr() - pbase());
    setp(buffer_, buffer_ + sizeof buffer_);
    if (!traits_type::eq_int_type(ch, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(ch);
      pbump(1);
    }
    return traits_type::not_eof(ch);
  }
  std::streamsize xsputn(const char* /*s*/, std::streamsize n) override {
    count_ += static_cast<std::uint64_t>(n);
    return n;
  }

 private:
  char buffer_[4096];
  std::uint64_t count_ = 0;
};

void Print(const char* key, double value) { std::printf("%s %.6g\n", key, value); }
void PrintBytes(const char* key, std::uint64_t value) {
  std::printf("%s %llu\n", key, static_cast<unsigned long long>(value));
}
double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void PrintSong(const TKvsLoader& loader) {
  PrintBytes("song_events", loader.SongEvents().size());
  PrintBytes("pattern_events", loader.PatternEvents().size());
  PrintBytes("modules", loader.Modules().size());
  PrintBytes("chunks", loader.Chunks().size());
  PrintBytes("channels", loader.Channels().size());
}

int Run(std::string_view mode, const std::string& file) {
  if (mode != "read-memchr" && mode != "load" && mode != "pages" && mode != "kvsdump-json") {
    std::fprintf(stderr, "tarvo_bench_probe: unknown mode\n");
    return 64;
  }
  PrintBytes("file_bytes", std::filesystem::file_size(file));
  PrintBytes("peak_start", PeakResidentBytes());
  const Clock::time_point start = Clock::now();

  if (mode == "read-memchr") {
    std::size_t hits = 0;
    ReadAndMemchr(file, hits);
    Print("time_ms", MsSince(start));
    PrintBytes("memchr_hits", hits);
    PrintBytes("peak_end", PeakResidentBytes());
    return 0;
  }

  TLogLines log;
  PendingEventClock pending;
  const auto song = std::make_shared<TKvsLoader>([&log](std::string_view message) { log.Append(message); },
                                                 [&pending] { pending.Tick(); });
  TKvsLoader& loader = *song;
  pending.Start();
  const kvsdump::LoadResult result = kvsdump::LoadSong(loader, file);
  pending.Stop();
  Print("load_ms", MsSince(start));
  Print("longest_gap_ms", pending.LongestMs());
  PrintBytes("pending_calls", pending.Calls());
  PrintBytes("log_lines", log.Size());
  PrintSong(loader);
  PrintBytes("peak_load", PeakResidentBytes());
  PrintBytes("rss_load", ResidentBytes());
  if (result.outcome != kvsdump::Outcome::Loaded) {
    std::fprintf(stderr, "tarvo_bench_probe: the load failed: %s\n", result.errorUtf8.c_str());
    return 1;
  }

  if (mode == "load") return 0;

  if (mode == "pages") {
    const Clock::time_point fill = Clock::now();
    const std::vector<content::Page> pages = FillAllPages(song);
    const std::vector<const content::Table*> tables = PageTables(pages);
    const std::size_t cells = FirstRows(tables, ScreenRows);
    Print("pages_ms", MsSince(fill));
    PrintBytes("cells", cells);
    PrintBytes("song_event_rows", pages[6].List("LstSongEvents").RowCount());
    PrintBytes("peak_end", PeakResidentBytes());
    return 0;
  }

  // kvsdump-json
  CountingBuffer counter;
  std::ostream out(&counter);
  const Clock::time_point dump = Clock::now();
  kvsdump::WriteJsonDocument(out, file, song, result, std::move(log));
  out.flush();
  Print("json_ms", MsSince(dump));
  PrintBytes("json_bytes", counter.Count());
  PrintBytes("peak_end", PeakResidentBytes());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "Usage: tarvo_bench_probe read-memchr|load|pages|kvsdump-json FILE\n");
    return 64;
  }
  try {
    return Run(argv[1], argv[2]);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tarvo_bench_probe: %s\n", error.what());
    return 70;
  }
}
