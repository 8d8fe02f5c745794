#include "songfile/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "songfile/KvsError.h"
#include "text/Format.h"

namespace tarvo {

namespace {

constexpr std::size_t SliceSize = std::size_t{1} << 20;

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

FileBytes ReadRegularFile(const std::string& fileName, std::size_t padding,
                          const std::function<void()>& betweenSlices) {
  // Other programs may go on reading and writing the file meanwhile. Opened
  // without blocking, since opening a FIFO waits for a writer; only then is
  // the kind known, and only a regular file is read.
  const FileDescriptor fd(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  struct stat info {};
  if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
    throw KvsError(Format("Cannot open file %s", {fileName}));
  const std::size_t size = static_cast<std::size_t>(info.st_size);
  // Not zero-initialised: every byte is overwritten by the read below.
  FileBytes file{std::unique_ptr<std::uint8_t[]>(new std::uint8_t[size + padding]), 0};
  while (file.size < size) {
    const ssize_t got = ::read(fd.get(), file.bytes.get() + file.size, std::min(size - file.size, SliceSize));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw KvsError("Stream read error");
    if (got == 0) break;  // the file shrank meanwhile: keep what was there
    file.size += static_cast<std::size_t>(got);
    if (betweenSlices) betweenSlices();
  }
  std::memset(file.bytes.get() + file.size, 0, padding);
  return file;
}

}  // namespace tarvo
