#pragma once

#include <stdexcept>
#include <string>

namespace tarvo {

// The errors a load raises ("Cannot open file %s", "Stream read error").
// Everything else wrong with a song file is reported as loader messages.
class KvsError : public std::runtime_error {
 public:
  explicit KvsError(const std::string& text) : std::runtime_error(text) {}
};

}  // namespace tarvo
