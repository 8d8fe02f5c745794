#pragma once

#include <memory>
#include <string>
#include <utility>

#include "content/Song.h"
#include "songfile/KvsLoader.h"
#include "text/LogLines.h"

namespace tarvo::content::showdiff {

enum class Outcome { Loaded, Rejected, Failed };

// "loaded", "rejected" or "failed", as every JSON document names it.
const char* OutcomeName(Outcome outcome);

struct LoadResult {
  Outcome outcome = Outcome::Loaded;
  std::string errorUtf8;  // empty when loaded
};

// The loader part of "Load Kvs...": one LoadFromFile with FILE as given. Any
// error it raises counts as a failed load, as the window's default error
// handler would show it; what the loader wrote before stays with its sink.
LoadResult LoadSong(TKvsLoader& loader, const std::string& file);

// A load flow of FILE whose log is kept, as the Loader Messages page keeps
// it. Not movable: the loader writes into this object's log.
class LoadedSong {
 public:
  explicit LoadedSong(const std::string& file);
  LoadedSong(const LoadedSong&) = delete;
  LoadedSong& operator=(const LoadedSong&) = delete;

  const content::Song& Song() const { return song_; }
  const LoadResult& Result() const { return result_; }
  // The loader's messages (8-bit); empties the kept log.
  TLogLines TakeLog() { return std::move(log_); }

 private:
  TLogLines log_;
  std::shared_ptr<TKvsLoader> loader_;
  content::Song song_;
  LoadResult result_;
};

// "Tarvo Analyzer - " and the file name without its directory when loaded,
// otherwise the caption of a fresh window; UTF-8.
std::string CaptionAfterLoad(const std::string& file, Outcome outcome);

}  // namespace tarvo::content::showdiff
