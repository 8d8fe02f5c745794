#pragma once

#include <QString>
#include <QStringList>

#include <variant>

namespace tarvo {

// What the command line asks the window to do.
struct StartOptions {
  QString file;             // empty: start with no song
  bool openMap = false;     // --map: the File Map window of `file` too
  bool noSettings = false;  // --no-settings: remember nothing, read nothing
  // --compare OLD NEW: a Compare window of the two; `file` stays empty.
  QString compareOld;
  QString compareNew;
};

// Reads `arguments` as QCoreApplication::arguments() gives them, before the
// GUI application has taken out Qt's own options (-platform, -style, ...),
// so it needs no display. --help and --version print to standard output and
// give exit status 0; a usage error prints the reason and the usage to
// standard error and gives ExitUsage. Otherwise returns the start options.
std::variant<StartOptions, int> ParseCommandLine(const QStringList& arguments);

inline constexpr int ExitUsage = 64;

}  // namespace tarvo
