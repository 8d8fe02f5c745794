#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// kvsdump: runs the window's load flow without a window and prints what the
// user would see, as the loader's log or as one JSON document; or compares
// what two songs show.
namespace tarvo::kvsdump {

inline constexpr int ExitSuccess = 0;  // --help, --version, and every mode that did all it should
inline constexpr int ExitLoaded = 0;
inline constexpr int ExitFailed = 1;    // the load raised an error
inline constexpr int ExitRejected = 2;  // the load handed back an error text
// --census, --census-merge: a song did not load, or a PATH or part was
// missing, unreadable or cut short (all that could be read is reported).
inline constexpr int ExitIncomplete = 1;
// --diff
inline constexpr int ExitSame = 0;
inline constexpr int ExitDifferent = 1;
inline constexpr int ExitDiffError = 2;  // a file did not load
inline constexpr int ExitUsage = 64;
inline constexpr int ExitDataError = 65;  // --census-merge: input that is no census output
inline constexpr int ExitSoftware = 70;     // kvsdump itself went wrong
inline constexpr int ExitOutputError = 74;  // the output could not be written

// The whole program: `args` without the program name. Returns the exit
// status.
int RunKvsDump(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tarvo::kvsdump
