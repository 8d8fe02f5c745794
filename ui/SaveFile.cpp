#include "ui/SaveFile.h"

#include <QSaveFile>

namespace tarvo {

// The file is replaced only once every byte is written; a failure leaves an
// existing file as it was and no partial one. Where the folder takes no new
// file, a writable file is written in place instead.
bool WriteWholeFile(const QString& path, const std::uint8_t* data, std::uint64_t size) {
  QSaveFile file(path);
  file.setDirectWriteFallback(true);
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (size > 0 && file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) != static_cast<qint64>(size)) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

}  // namespace tarvo
