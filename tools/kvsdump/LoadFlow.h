#pragma once

#include <string>

#include "songfile/KvsLoader.h"

namespace tarvo::kvsdump {

enum class Outcome { Loaded, Rejected, Failed };

struct LoadResult {
  Outcome outcome = Outcome::Loaded;
  std::string errorUtf8;  // empty when loaded
};

// The loader part of "Load Kvs...": one LoadFromFile with FILE as given. Any
// error it raises counts as a failed load, as the window's default error
// handler would show it; what the loader wrote before stays with its sink.
LoadResult LoadSong(TKvsLoader& loader, const std::string& file);

// "Tarvo Analyzer - " and the file name without its directory when loaded,
// otherwise the caption of a fresh window; UTF-8.
std::string CaptionAfterLoad(const std::string& file, Outcome outcome);

}  // namespace tarvo::kvsdump
