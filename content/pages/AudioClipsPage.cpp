#include "content/pages/MainContent.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "content/Cells.h"
#include "text/Format.h"

namespace tarvo::content {
namespace {

std::vector<Column> AudioClipColumns() { return {{"#", 45}, {"Clip Name", 150}, {"File Name", 350}, {"", 100}}; }

bool FileMissing(const std::string& fileName) {
  if (fileName.empty()) return true;
  // The stored bytes are the name as it is; an unreadable place counts as missing.
  std::error_code error;
  return !std::filesystem::exists(std::filesystem::path(fileName), error);
}

}  // namespace

Page FillAudioClipsPage(const Song& song) {
  const TKvsLoader& loader = *song;
  const TKvsAudioClipList& clips = loader.AudioClips();

  // Tested once, now: a file that appears or vanishes later shows at the next load.
  auto missing = std::make_shared<std::vector<bool>>();
  missing->reserve(clips.size());
  for (const TKvsAudioClip& clip : clips) missing->push_back(FileMissing(clip.FileName));

  Page page;
  page.Add("EdtAudioClipCount", Format("%d", {static_cast<std::uint64_t>(clips.size())}));
  page.Add("LstAudioClips",
           Table(AudioClipColumns(), clips.size(),
                 [song, missing = std::shared_ptr<const std::vector<bool>>(std::move(missing))](
                     std::size_t row, std::vector<std::string>& cells) {
                   const TKvsAudioClip& clip = song->AudioClips()[row];
                   cells.push_back(RowCaption(row));
                   cells.push_back(clip.GetName());
                   cells.push_back(clip.FileName);
                   if ((*missing)[row]) cells.push_back("File missing!");
                 }));
  return page;
}

}  // namespace tarvo::content
