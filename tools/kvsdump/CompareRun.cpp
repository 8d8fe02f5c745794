#include "tools/kvsdump/CompareRun.h"

#include "content/compare/CompareJson.h"
#include "content/compare/CompareText.h"
#include "content/compare/SongCompare.h"
#include "content/map/RegionMap.h"
#include "songfile/KvsLoader.h"
#include "tools/kvsdump/KvsDump.h"
#include "tools/kvsdump/ShownDiff.h"
#include "tools/kvsdump/OutputText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

namespace tarvo::kvsdump {

namespace {

// Why a file cannot be opened for reading as a song, or nullopt. Never
// waits: a FIFO or a device is refused as the loader refuses it.
std::optional<std::string> OpenProblem(const std::string& file) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return std::string(std::strerror(errno));
  struct stat status {};
  const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
  ::close(fd);
  if (!regular) return std::string("not a regular file");
  return std::nullopt;
}

// One file of the series, loaded with its map.
struct Side {
  std::string file;
  TKvsLoader loader;
  content::RegionMapBuilder builder;
  LoadResult result;
  std::optional<content::RegionMap> map;

  explicit Side(const std::string& name) : file(name) {
    loader.SetRegionSink(&builder);
    result = LoadSong(loader, file);
    map.emplace(builder.Finish(loader));
  }
};

content::ComparedFile Named(const Side& side, bool json) {
  return {json ? ExternalTextToUtf8(side.file) : ExternalTextToTerminal(side.file), OutcomeName(side.result.outcome),
          side.map->FileSize()};
}

}  // namespace

int RunCompare(const std::vector<std::string>& files, bool json, std::ostream& out, std::ostream& err) {
  bool openable = true;
  for (const std::string& file : files) {
    if (const std::optional<std::string> problem = OpenProblem(file)) {
      err << "kvsdump: " << ExternalTextToTerminal(file) << ": cannot open: " << EscapeControls(*problem) << '\n';
      openable = false;
    }
  }
  if (!openable) return ExitDiffError;

  // Two songs at a time: a series of big saves costs two of them.
  const auto load = [&](const std::string& file) {
    auto side = std::make_unique<Side>(file);
    if (!json) ReportLoadError(side->result, out, err);
    return side;
  };
  bool differ = false;
  std::unique_ptr<Side> before = load(files[0]);
  for (std::size_t pair = 0; pair + 1 < files.size(); ++pair) {
    std::unique_ptr<Side> after = load(files[pair + 1]);
    content::SongComparison comparison(*before->map, *after->map);
    const content::CompareSummary summary =
        json ? content::WriteCompareJson(out, comparison, pair, Named(*before, true), Named(*after, true))
             : content::WriteCompareText(out, comparison, Named(*before, false), Named(*after, false));
    differ = differ || summary.differences > 0;
    if (!out) break;
    before = std::move(after);
  }
  return differ ? ExitDifferent : ExitSame;
}

}  // namespace tarvo::kvsdump
