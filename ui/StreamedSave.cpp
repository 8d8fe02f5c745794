#include "ui/StreamedSave.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <streambuf>

namespace tarvo {

// Hands the stream's bytes to the file in blocks; a failed write makes the
// stream fail at once, so that its writer can stop.
class StreamedSave::Buffer : public std::streambuf {
 public:
  Buffer(QFileDevice& file, std::atomic<std::uint64_t>* lines) : file_(file), lines_(lines) {
    setp(block_.data(), block_.data() + block_.size());
  }

  bool Flush() {
    const std::ptrdiff_t size = pptr() - pbase();
    if (size > 0) {
      if (lines_ != nullptr)
        lines_->fetch_add(static_cast<std::uint64_t>(std::count(pbase(), pptr(), '\n')), std::memory_order_relaxed);
      if (failed_ || file_.write(pbase(), size) != size) failed_ = true;
    }
    setp(block_.data(), block_.data() + block_.size());
    return !failed_;
  }

 protected:
  int_type overflow(int_type c) override {
    if (!Flush()) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
  }
  int sync() override { return Flush() ? 0 : -1; }

 private:
  QFileDevice& file_;
  std::atomic<std::uint64_t>* lines_;
  std::array<char, 64 * 1024> block_{};
  bool failed_ = false;
};

StreamedSave::StreamedSave(const QString& path, std::atomic<std::uint64_t>* lines) : path_(path), lines_(lines) {}

// The stream goes before its file; an uncommitted QSaveFile removes its
// temporary file.
StreamedSave::~StreamedSave() {
  out_.reset();
  buffer_.reset();
  file_.reset();
}

bool StreamedSave::Open() {
  const QFileInfo info(path_);
  inPlace_ = info.exists() && !info.isFile() && !info.isDir();
  if (inPlace_) {
    // Without waiting: a FIFO without a reader fails here instead of
    // holding the thread.
    const int fd = ::open(QFile::encodeName(path_).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    const int flags = ::fcntl(fd, F_GETFL);
    auto file = std::make_unique<QFile>();
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0 ||
        !file->open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
      ::close(fd);
      return false;
    }
    file_ = std::move(file);
  } else {
    auto file = std::make_unique<QSaveFile>(path_);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return false;
    file_ = std::move(file);
  }
  buffer_ = std::make_unique<Buffer>(*file_, lines_);
  out_ = std::make_unique<std::ostream>(buffer_.get());
  return true;
}

std::ostream& StreamedSave::Out() { return *out_; }

bool StreamedSave::Commit() {
  if (file_ == nullptr) return false;
  out_->flush();
  const bool written = !out_->fail() && buffer_->Flush();
  if (inPlace_) {
    auto* const file = static_cast<QFile*>(file_.get());
    const bool flushed = file->flush();
    file->close();
    return written && flushed && file->error() == QFileDevice::NoError;
  }
  auto* const file = static_cast<QSaveFile*>(file_.get());
  if (!written) {
    file->cancelWriting();
    return false;
  }
  return file->commit();
}

}  // namespace tarvo
