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

// An open regular file. Only a path that names a regular file is opened at
// all (for some devices the open alone has effects); the open never waits,
// and the kind is checked again on what was opened. Anything else raises
// KvsError "Cannot open file %s", as a missing file does.
class RegularFile {
 public:
  explicit RegularFile(const std::string& fileName);
  ~RegularFile();
  RegularFile(const RegularFile&) = delete;
  RegularFile& operator=(const RegularFile&) = delete;

  // The size when opened, in bytes.
  std::uint64_t Size() const { return size_; }
  // The whole file; a failed read raises "Stream read error", and a file
  // that cannot be held in memory std::bad_alloc.
  FileBytes ReadAll(std::size_t padding = 0, const std::function<void()>& betweenSlices = {});

 private:
  int fd_ = -1;
  std::uint64_t size_ = 0;
};

// Reads a whole regular file. The open never waits: a FIFO without a writer,
// a socket or a device raises KvsError "Cannot open file %s" at once, as a
// missing file does; a failed read raises "Stream read error".
// `betweenSlices`, when set, runs after each megabyte read.
FileBytes ReadRegularFile(const std::string& fileName, std::size_t padding = 0,
                          const std::function<void()>& betweenSlices = {});

}  // namespace tarvo
