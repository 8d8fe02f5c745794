#include "tools/kvsdump/LoadFlow.h"

#include "text/Latin1.h"
#include "tools/kvsdump/OutputText.h"

#include <exception>
#include <filesystem>
#include <string>
#include <string_view>

namespace tarvo::kvsdump {

namespace {
constexpr const char* FreshCaption = "Tarvo Analyzer";
}  // namespace

LoadResult LoadSong(TKvsLoader& loader, const std::string& file) {
  std::string errorText;
  try {
    loader.LoadFromFile(file, errorText);
  } catch (const std::exception& error) {
    return {Outcome::Failed, ExternalTextToUtf8(error.what())};
  }
  if (!errorText.empty()) return {Outcome::Rejected, Latin1ToUtf8(errorText)};
  return {};
}

LoadedSong::LoadedSong(const std::string& file)
    : loader_([this](std::string_view message) { log_.Append(message); }),
      result_(LoadSong(loader_, file)) {}

std::string CaptionAfterLoad(const std::string& file, Outcome outcome) {
  if (outcome != Outcome::Loaded) return FreshCaption;
  const std::string name = std::filesystem::path(file).filename().string();
  return std::string(FreshCaption) + " - " + ExternalTextToUtf8(name);
}

}  // namespace tarvo::kvsdump
