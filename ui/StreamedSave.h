#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <ostream>

class QFileDevice;

namespace tarvo {

// A file written as a stream, as its text is made, and replaced only by
// Commit: until then, and when a write fails, an existing file stays as it
// was and no partial one is left. A name that is not a regular file (a
// device such as /dev/full, a FIFO) is written in place and never removed;
// opening it never waits for a reader. Made, used and destroyed on one
// thread, which need not be the GUI thread.
class StreamedSave {
 public:
  // `lines`, when given, counts the line feeds written, for another thread
  // to show progress.
  explicit StreamedSave(const QString& path, std::atomic<std::uint64_t>* lines = nullptr);
  ~StreamedSave();
  StreamedSave(const StreamedSave&) = delete;
  StreamedSave& operator=(const StreamedSave&) = delete;

  bool Open();
  // Fails (and stays failed) as soon as a write fails.
  std::ostream& Out();
  // Writes what is left and puts the file in place; false if any write failed.
  bool Commit();

 private:
  class Buffer;

  QString path_;
  std::atomic<std::uint64_t>* lines_;
  std::unique_ptr<QFileDevice> file_;
  std::unique_ptr<Buffer> buffer_;
  std::unique_ptr<std::ostream> out_;
  bool inPlace_ = false;
};

}  // namespace tarvo
