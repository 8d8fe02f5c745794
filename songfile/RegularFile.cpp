#include "songfile/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>

#include "songfile/KvsError.h"
#include "text/Format.h"

namespace tarvo {

namespace {

constexpr std::size_t SliceSize = std::size_t{1} << 20;

}  // namespace

RegularFile::RegularFile(const std::string& fileName) {
  // Other programs may go on reading and writing the file meanwhile. Only
  // what names a regular file is opened; opened without blocking, since a
  // FIFO put in its place meanwhile would wait for a writer, and checked
  // again on what was opened.
  const auto fail = [&fileName] { return KvsError(Format("Cannot open file %s", {fileName})); };
  struct stat info {};
  if (::stat(fileName.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) throw fail();
  fd_ = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd_ < 0) throw fail();
  if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd_);
    throw fail();
  }
  size_ = static_cast<std::uint64_t>(info.st_size);
}

RegularFile::~RegularFile() { ::close(fd_); }

FileBytes RegularFile::ReadAll(std::size_t padding, const std::function<void()>& betweenSlices) {
  if (size_ > std::numeric_limits<std::size_t>::max() - padding) throw std::bad_alloc();
  const auto size = static_cast<std::size_t>(size_);
  // Not zero-initialised: every byte is overwritten by the read below.
  FileBytes file{std::unique_ptr<std::uint8_t[]>(new std::uint8_t[size + padding]), 0};
  while (file.size < size) {
    const ssize_t got = ::read(fd_, file.bytes.get() + file.size, std::min(size - file.size, SliceSize));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw KvsError("Stream read error");
    if (got == 0) break;  // the file shrank meanwhile: keep what was there
    file.size += static_cast<std::size_t>(got);
    if (betweenSlices) betweenSlices();
  }
  std::memset(file.bytes.get() + file.size, 0, padding);
  return file;
}

FileBytes ReadRegularFile(const std::string& fileName, std::size_t padding,
                          const std::function<void()>& betweenSlices) {
  return RegularFile(fileName).ReadAll(padding, betweenSlices);
}

}  // namespace tarvo
