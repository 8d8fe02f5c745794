#include "content/compare/ComparedPair.h"

#include "songfile/KvsLoader.h"

#include <exception>

namespace tarvo::content {
namespace {

struct Stopped {};

void Load(ComparedSide& side, const std::string& file, const CompareProgress& progress) {
  side.file = file;
  side.loader = std::make_shared<TKvsLoader>([](std::string_view) {}, [&progress] {
    if (progress.stop.load(std::memory_order_relaxed)) throw Stopped{};
  });
  RegionMapBuilder builder;
  side.loader->SetRegionSink(&builder);
  std::string errorText;
  side.outcome = "loaded";
  try {
    side.loader->LoadFromFile(file, errorText);
    if (!errorText.empty()) {
      side.outcome = "rejected";
      side.error = errorText;
    }
  } catch (const Stopped&) {
    throw;
  } catch (const std::exception& error) {
    side.outcome = "failed";
    side.error = error.what();
  }
  side.loader->SetRegionSink(nullptr);
  side.map.emplace(builder.Finish(*side.loader));
}

}  // namespace

std::unique_ptr<ComparedPair> LoadPair(const std::string& oldFile, const std::string& newFile,
                                       CompareProgress& progress) {
  auto pair = std::make_unique<ComparedPair>();
  try {
    progress.step = 0;
    Load(pair->oldSide, oldFile, progress);
    progress.step = 1;
    Load(pair->newSide, newFile, progress);
  } catch (const Stopped&) {
    return nullptr;
  }
  return pair;
}

bool ComparePair(ComparedPair& pair, CompareProgress& progress) {
  progress.total = pair.newSide.map->FileSize();
  progress.step = 2;
  try {
    SongComparison comparison(*pair.oldSide.map, *pair.newSide.map);
    pair.summary = comparison.Run([&pair, &progress](const CompareDifference& difference) {
      if (progress.stop.load(std::memory_order_relaxed)) throw Stopped{};
      pair.differences.Add(difference);
      if (difference.newOffset) progress.position.store(*difference.newOffset, std::memory_order_relaxed);
    });
  } catch (const Stopped&) {
    return false;
  }
  pair.differences.Finish();
  return true;
}

std::unique_ptr<ComparedPair> CompareFiles(const std::string& oldFile, const std::string& newFile,
                                           CompareProgress& progress) {
  std::unique_ptr<ComparedPair> pair = LoadPair(oldFile, newFile, progress);
  if (pair == nullptr || !ComparePair(*pair, progress)) return nullptr;
  return pair;
}

}  // namespace tarvo::content
