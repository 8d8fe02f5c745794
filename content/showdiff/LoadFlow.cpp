#include "content/showdiff/LoadFlow.h"

#include "content/pages/MainContent.h"
#include "text/Latin1.h"
#include "text/Utf8.h"

#include <exception>
#include <filesystem>
#include <string>
#include <string_view>

namespace tarvo::content::showdiff {

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
    : loader_(std::make_shared<TKvsLoader>([this](std::string_view message) { log_.Append(message); })),
      song_(loader_),
      result_(LoadSong(*loader_, file)) {}

std::string CaptionAfterLoad(const std::string& file, Outcome outcome) {
  if (outcome != Outcome::Loaded) return content::MainCaption();
  return content::MainCaption(ExternalTextToUtf8(std::filesystem::path(file).filename().string()));
}

const char* OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::Loaded: return "loaded";
    case Outcome::Rejected: return "rejected";
    case Outcome::Failed: return "failed";
  }
  return "failed";
}

}  // namespace tarvo::content::showdiff
