#pragma once

#include "tools/kvsdump/KvsDump.h"

#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

namespace tarvo::kvsdump::testing {

struct DumpRun {
  int status = -1;
  std::string out;
  std::string err;
};

inline DumpRun RunDump(const std::vector<std::string>& args) {
  std::ostringstream out;
  std::ostringstream err;
  DumpRun run;
  run.status = RunKvsDump(args, out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

// Keeps the members in document order, so tests can check the order.
inline nlohmann::ordered_json ParseDocument(const std::string& text) {
  return nlohmann::ordered_json::parse(text);
}

inline std::vector<std::string> KeysOf(const nlohmann::ordered_json& object) {
  std::vector<std::string> keys;
  for (const auto& item : object.items()) keys.push_back(item.key());
  return keys;
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace tarvo::kvsdump::testing
