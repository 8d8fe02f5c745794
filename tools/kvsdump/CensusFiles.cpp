#include "tools/kvsdump/CensusFiles.h"

#include "tools/kvsdump/OutputText.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstddef>
#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace tarvo::kvsdump {

namespace {

namespace fs = std::filesystem;

bool HasSongExtension(std::string_view name) {
  constexpr std::string_view Extension = ".kvs";
  if (name.size() < Extension.size()) return false;
  const std::string_view tail = name.substr(name.size() - Extension.size());
  return std::equal(tail.begin(), tail.end(), Extension.begin(), [](char a, char b) {
    return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
  });
}

// The file a path reaches, links followed; unknown when it cannot be
// reached (the song's open says why).
FileIdentity IdentityOf(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return {};
  return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

void ReportUnreadable(std::ostream& err, const std::string& path, const std::error_code& error) {
  err << "kvsdump: " << ExternalTextToTerminal(path) << ": " << ExternalTextToTerminal(error.message()) << '\n';
}

// Folder by folder with a list of its own, so no depth of folders can
// exhaust the stack.
void SearchFolder(const std::string& top, CensusFiles& found, std::ostream& err) {
  std::vector<fs::path> folders = {fs::path(top)};
  while (!folders.empty()) {
    const fs::path folder = std::move(folders.back());
    folders.pop_back();
    std::error_code error;
    fs::directory_iterator it(folder, error);
    for (const fs::directory_iterator end; !error && it != end; it.increment(error)) {
      std::error_code typeError;
      if (it->symlink_status(typeError).type() == fs::file_type::directory) {
        folders.push_back(it->path());
      } else if (!it->is_directory(typeError) && HasSongExtension(it->path().filename().string())) {
        // Links to folders are not followed; any other entry of the name is
        // a song, and one that is no regular file fails when it is opened.
        const std::string path = it->path().string();
        found.songs.Add(path, IdentityOf(path));
      }
    }
    if (error) {
      // A folder that cannot be listed is said, and the search goes on.
      ReportUnreadable(err, folder.string(), error);
      found.complete = false;
    }
  }
}

}  // namespace

CensusFiles FindCensusFiles(const std::vector<std::string>& paths, std::ostream& err) {
  CensusFiles found;
  for (const std::string& path : paths) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(path, error);
    if (!fs::exists(status)) {
      ReportUnreadable(err, path, error ? error : std::make_error_code(std::errc::no_such_file_or_directory));
      found.complete = false;
    } else if (fs::is_directory(fs::status(path, error))) {
      SearchFolder(path, found, err);
    } else {
      // A file named on the command line is taken whatever it is; what it
      // cannot give is its song's error.
      found.songs.Add(path, IdentityOf(path));
    }
  }
  found.songs.Finish();
  return found;
}

}  // namespace tarvo::kvsdump
