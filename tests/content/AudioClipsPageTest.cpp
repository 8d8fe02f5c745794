#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "content/pages/MainContent.h"
#include "songfile/KvsLoader.h"
#include "tests/content/LoadSong.h"
#include "songbuilder/SongBuilder.h"

namespace {

namespace fs = std::filesystem;
namespace tt = tarvo::testing;
using Rows = std::vector<std::vector<std::string>>;

// A folder of its own that the test works in, removed afterwards together
// with the previous working directory restored.
class ClipFolder {
 public:
  ClipFolder() : previous_(fs::current_path()) {
    path_ = fs::temp_directory_path() / ("tarvo-clips-" + std::to_string(std::random_device()()));
    fs::create_directories(path_);
    fs::current_path(path_);
  }
  ~ClipFolder() {
    fs::current_path(previous_);
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  ClipFolder(const ClipFolder&) = delete;
  ClipFolder& operator=(const ClipFolder&) = delete;

  std::string Create(const std::string& name) const {
    std::ofstream(path_ / name) << "RIFF";
    return (path_ / name).string();
  }
  const fs::path& Path() const { return path_; }

 private:
  fs::path previous_;
  fs::path path_;
};

TEST(AudioClipsPage, MarksClipsWhoseFileIsMissingAtFillTime) {
  const ClipFolder folder;
  const std::string kick = folder.Create("kick.wav");
  folder.Create("snare.wav");
  // 8-bit names are file names as bytes, not re-encoded.
  const std::string latin1 = "caf\xE9.wav";
  folder.Create(latin1);
  const std::string gone = (folder.Path() / "gone.wav").string();

  const auto loader = Load(tt::SongBuilder()
                               .Version(0x6105)
                               .AudioClips({tt::AudioClipEntry("Kick", kick), tt::AudioClipEntry("Snare", "snare.wav"),
                                            tt::AudioClipEntry("Caf\xE9", latin1), tt::AudioClipEntry("Gone", gone),
                                            tt::AudioClipEntry("Nameless", "")})
                               .EndOfSong());
  const tarvo::content::Page page = tarvo::content::FillAudioClipsPage(loader);
  // Removed after filling: the list keeps what it found then.
  fs::remove(kick);

  EXPECT_EQ(page.Text("EdtAudioClipCount"), "5");
  const tarvo::content::Table& table = page.List("LstAudioClips");
  Rows rows;
  for (std::size_t row = 0; row < table.RowCount(); ++row) rows.push_back(table.Row(row));
  EXPECT_EQ(rows, (Rows{
                      {"0", "Kick", kick},
                      {"1", "Snare", "snare.wav"},
                      {"2", "Caf\xE9", latin1},
                      {"3", "Gone", gone, "File missing!"},
                      {"4", "Nameless", "", "File missing!"},
                  }));
}

}  // namespace
