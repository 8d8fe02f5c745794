#include "tools/kvsdump/Progress.h"

#include <unistd.h>

#include <charconv>
#include <iostream>
#include <ostream>
#include <string>

namespace tarvo::kvsdump {

namespace {

constexpr auto Interval = std::chrono::milliseconds(100);

std::string Fixed1(double value) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 1);
  return std::string(text, result.ptr);
}

std::string Duration(double seconds) {
  const auto whole = static_cast<std::uint64_t>(seconds + 0.5);
  const std::uint64_t minutes = whole / 60;
  const std::string rest = std::to_string(whole % 60);
  if (minutes >= 60)
    return std::to_string(minutes / 60) + ':' + (minutes % 60 < 10 ? "0" : "") + std::to_string(minutes % 60) + ':' +
           (rest.size() < 2 ? "0" : "") + rest;
  return std::to_string(minutes) + ':' + (rest.size() < 2 ? "0" : "") + rest;
}

}  // namespace

Progress::Progress(std::ostream* err, std::uint64_t songs)
    : err_(err),
      songs_(songs),
      start_(std::chrono::steady_clock::now()),
      drawn_(start_ - Interval),
      outputIsTerminal_(err != nullptr && ::isatty(STDOUT_FILENO) == 1) {}

Progress::~Progress() { Clear(); }

std::string Progress::Line(std::uint64_t done, std::uint64_t songs, std::uint64_t bytes, double seconds) {
  std::string line = std::to_string(done) + " of " + std::to_string(songs) + " songs, " +
                     Fixed1(static_cast<double>(bytes) / 1048576.0) + " MiB";
  if (seconds > 0 && done > 0) {
    const double rate = static_cast<double>(done) / seconds;
    line += ", " + Fixed1(rate) + " songs/s, " + Duration(static_cast<double>(songs - done) / rate) + " left";
  }
  return line;
}

void Progress::SongDone(std::uint64_t bytes) {
  ++done_;
  bytes_ += bytes;
  if (err_ == nullptr) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - drawn_ < Interval) return;
  drawn_ = now;
  // Back to the line's start, the line, then erase what an older one left.
  *err_ << '\r' << Line(done_, songs_, bytes_, std::chrono::duration<double>(now - start_).count()) << "\x1b[K"
        << std::flush;
  shown_ = true;
}

void Progress::Clear() {
  if (err_ == nullptr || !shown_) return;
  *err_ << "\r\x1b[K" << std::flush;
  shown_ = false;
}

std::ostream* ProgressStream(std::ostream& err) {
  return &err == &std::cerr && ::isatty(STDERR_FILENO) == 1 ? &err : nullptr;
}

}  // namespace tarvo::kvsdump
