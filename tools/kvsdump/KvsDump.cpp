#include "tools/kvsdump/KvsDump.h"

#include "TarvoVersion.h"
#include "songfile/KvsLoader.h"
#include "text/Latin1.h"
#include "tools/kvsdump/Census.h"
#include "tools/kvsdump/CompareRun.h"
#include "tools/kvsdump/Diff.h"
#include "tools/kvsdump/JsonDump.h"
#include "tools/kvsdump/ShownDiff.h"
#include "tools/kvsdump/MapDump.h"
#include "tools/kvsdump/OutputText.h"
#include "tools/kvsdump/Progress.h"
#include "tools/kvsdump/Values.h"

#include <CLI/CLI.hpp>

#include <cstddef>
#include <exception>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo::kvsdump {

namespace {

struct Options {
  bool json = false;
  bool diff = false;
  bool compare = false;
  bool map = false;
  bool census = false;
  bool censusMerge = false;
  bool values = false;
  bool valuesMerge = false;
  std::string kinds;
  int jobs = 0;
  std::vector<std::string> files;
};

class UsageFormatter : public CLI::Formatter {
 public:
  std::string make_usage(const CLI::App* /*app*/, std::string /*name*/) const override {
    return "Usage: kvsdump [--json] FILE\n"
           "       kvsdump --map [--json] FILE\n"
           "       kvsdump --diff [--json] OLD NEW\n"
           "       kvsdump --compare [--json] OLD NEW [NEWER...]\n"
           "       kvsdump --census [--json] [--jobs N] PATH...\n"
           "       kvsdump --census-merge [--json] FILE...\n"
           "       kvsdump --values [--json] [--jobs N] [--kind KINDS] PATH...\n"
           "       kvsdump --values-merge [--json] FILE...\n";
  }
};

// Returns the exit status when the arguments already decide it (help, a
// usage error).
std::optional<int> ParseArguments(const std::vector<std::string>& args, std::ostream& out,
                                  std::ostream& err, Options& options) {
  CLI::App app{
      "Loads a Tarvo song file (.kvs) as Tarvo Analyzer does and prints the loader's "
      "messages, or with --json everything the program shows. With --diff, loads two song "
      "files and prints what the program shows differently.",
      "kvsdump"};
  app.formatter(std::make_shared<UsageFormatter>());
  app.add_flag("--json", options.json, "Print one JSON document instead of lines of text");
  app.add_flag("--diff", options.diff, "Compare two song files, OLD and NEW");
  app.add_flag("--compare", options.compare,
               "Compare song files byte by byte, each named by its place in the song: OLD with NEW, "
               "then NEW with NEWER...");
  app.add_flag("--map", options.map, "Print which bytes of FILE the reading consumed and as what")
      ->excludes("--diff");
  app.add_flag("--census", options.census,
               "Load every song of PATHs (files, or folders searched for *.kvs) and print one "
               "line per song and a summary");
  app.add_flag("--census-merge", options.censusMerge,
               "Print the summary of census JSON outputs FILE... (\"-\" is standard input)");
  app.add_flag("--values", options.values,
               "Count the values of each place of the structure over every song of PATHs");
  app.add_flag("--values-merge", options.valuesMerge, "Print the value census of --values --json outputs FILE...");
  app.add_option("--kind", options.kinds,
                 "With --values: the region kinds counted, e.g. field,reserved (default: field,reserved,skipped)");
  app.add_option("--jobs", options.jobs, "With --census or --values: songs loaded at once (default: the cores)")
      ->check(CLI::Range(1, 4096));
  app.add_option("FILE", options.files,
                 "The song file; OLD and NEW with --diff; OLD NEW [NEWER...] with --compare; PATHs "
                 "with --census or --values; their JSON outputs with --census-merge or --values-merge")
      ->required();
  app.set_version_flag("--version", std::string("kvsdump ") + ProgramVersion, "Print the version and exit");

  std::vector<std::string> reversed(args.rbegin(), args.rend());  // as CLI11 takes them
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return ExitSuccess;
  } catch (const CLI::CallForVersion& version) {
    out << version.what() << '\n';
    return ExitSuccess;
  } catch (const CLI::ParseError& error) {
    err << "kvsdump: " << ExternalTextToTerminal(error.what()) << "\n" << app.help();
    return ExitUsage;
  }
  if (options.census + options.censusMerge + options.values + options.valuesMerge + options.diff + options.map +
          options.compare >
      1 ||
      (options.jobs != 0 && !options.census && !options.values) || (!options.kinds.empty() && !options.values)) {
    err << "kvsdump: --diff, --compare, --map, --census, --census-merge, --values and --values-merge go alone; --jobs "
           "only with --census or --values, --kind only with --values\n"
        << app.help();
    return ExitUsage;
  }
  if (KindSet kinds = 0; !options.kinds.empty() && !ParseKinds(options.kinds, kinds)) {
    err << "kvsdump: --kind takes kinds separated by commas: header, field, reserved, skipped, data, unread\n";
    return ExitUsage;
  }
  if (options.census || options.censusMerge || options.values || options.valuesMerge) return std::nullopt;
  if (options.compare) {
    if (options.files.size() >= 2) return std::nullopt;
    err << "kvsdump: --compare needs OLD and NEW\n" << app.help();
    return ExitUsage;
  }
  const std::size_t wanted = options.diff ? 2 : 1;
  if (options.files.size() != wanted) {
    err << "kvsdump: "
        << (options.diff ? "--diff needs OLD and NEW" : "one FILE, or --diff OLD NEW") << "\n"
        << app.help();
    return ExitUsage;
  }
  return std::nullopt;
}

int ExitStatus(Outcome outcome) {
  switch (outcome) {
    case Outcome::Loaded:
      return ExitLoaded;
    case Outcome::Rejected:
      return ExitRejected;
    case Outcome::Failed:
      return ExitFailed;
  }
  return ExitFailed;
}

int DumpLog(const std::string& file, std::ostream& out, std::ostream& err) {
  // Each message goes out as the loader writes it, so the lines before a
  // raised error are there. Song texts in them cannot steer a terminal nor
  // split a message over two lines.
  TKvsLoader loader([&out](std::string_view message) { out << Latin1ToTerminalUtf8(message) << '\n'; });
  const LoadResult result = LoadSong(loader, file);
  ReportLoadError(result, out, err);
  return ExitStatus(result.outcome);
}

int DumpJson(const std::string& file, std::ostream& out) {
  LoadedSong loaded(file);
  WriteJsonDocument(out, file, loaded.Song(), loaded.Result(), loaded.TakeLog());
  return ExitStatus(loaded.Result().outcome);
}

int RunMode(const Options& options, std::ostream& out, std::ostream& err) {
  int status = ExitSuccess;
  try {
    if (options.map) {
      status = ExitStatus(DumpMap(options.files[0], options.json, out, err));
    } else if (options.census) {
      status = RunCensus(options.files, options.json,
                         options.jobs > 0 ? options.jobs : DefaultCensusJobs(), out, err, ProgressStream(err));
    } else if (options.values) {
      KindSet kinds = DefaultValueKinds;
      if (!options.kinds.empty()) ParseKinds(options.kinds, kinds);
      status = RunValues(options.files, options.json, options.jobs > 0 ? options.jobs : DefaultCensusJobs(), kinds, out,
                         err, ProgressStream(err));
    } else if (options.valuesMerge) {
      status = RunValuesMerge(options.files, options.json, out, err);
    } else if (options.censusMerge) {
      status = RunCensusMerge(options.files, options.json, out, err);
    } else if (options.compare) {
      status = RunCompare(options.files, options.json, out, err);
    } else if (options.diff) {
      status = RunDiff(options.files[0], options.files[1], options.json, out, err);
    } else {
      status = options.json ? DumpJson(options.files[0], out) : DumpLog(options.files[0], out, err);
    }
  } catch (const std::exception& error) {
    out.flush();
    err << "kvsdump: " << ExternalTextToTerminal(error.what()) << '\n';
    return ExitSoftware;
  }
  return status;
}

}  // namespace

int RunKvsDump(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Options options;
  int status = ExitSuccess;
  if (const std::optional<int> decided = ParseArguments(args, out, err, options)) {
    // --help and --version are output too: a full disk fails them.
    status = *decided;
  } else {
    status = RunMode(options, out, err);
    if (status == ExitSoftware) return status;
  }
  // A full disk must not pass for a complete dump.
  if (!out.flush()) {
    err << "kvsdump: cannot write the output\n";
    return ExitOutputError;
  }
  return status;
}

}  // namespace tarvo::kvsdump
