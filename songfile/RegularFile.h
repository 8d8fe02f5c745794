#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tarvo {

// A whole file's bytes, followed by `padding` zero bytes that `size` does
// not count.
struct FileBytes {
  std::unique_ptr<std::uint8_t[]> bytes;
  std::size_t size = 0;
};

// Reads a whole regular file. The open never waits: a FIFO without a writer,
// a socket or a device raises KvsError "Cannot open file %s" at once, as a
// missing file does; a failed read raises "Stream read error".
// `betweenSlices`, when set, runs after each megabyte read.
FileBytes ReadRegularFile(const std::string& fileName, std::size_t padding = 0,
                          const std::function<void()>& betweenSlices = {});

}  // namespace tarvo
