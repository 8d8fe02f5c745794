#include "ui/RecentSongs.h"

#include "ui/Settings.h"

#include <QDir>
#include <QFileInfo>

namespace tarvo {
namespace {

const QString RecentSongsKey = QStringLiteral("RecentSongs");
const QString OpenFolderKey = QStringLiteral("Folders/Open");
const QString SaveFolderKey = QStringLiteral("Folders/Save");

QString Absolute(const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

QString RememberedFolder(const QString& key) {
  const std::optional<QString> folder = SettingText(key);
  if (!folder || !QDir::isAbsolutePath(*folder) || !QFileInfo(*folder).isDir()) return {};
  return *folder;
}

void NoteFolderOf(const QString& key, const QString& path) {
  if (path.isEmpty()) return;
  const QString folder = QFileInfo(Absolute(path)).absolutePath();
  if (SettingText(key) != folder) SetSetting(key, folder);
}

}  // namespace

QStringList WithRecentSong(QStringList list, const QString& path) {
  list.removeAll(path);
  list.prepend(path);
  while (list.size() > MaxRecentSongs) list.removeLast();
  return list;
}

QStringList RecentSongs() {
  // Read with room for the entries that are dropped here.
  QStringList songs;
  for (const QString& path : SettingList(RecentSongsKey, 4 * MaxRecentSongs)) {
    if (songs.size() >= MaxRecentSongs) break;
    if (QDir::isAbsolutePath(path) && !path.contains(QChar(0)) && !songs.contains(path)) songs.append(path);
  }
  return songs;
}

void NoteRecentSong(const QString& path) {
  if (path.isEmpty()) return;
  const QString absolute = Absolute(path);
  const QStringList before = RecentSongs();
  const QStringList after = WithRecentSong(before, absolute);
  if (after != before) SetSetting(RecentSongsKey, after);
  NoteFolderOf(OpenFolderKey, absolute);
}

void ForgetRecentSong(const QString& path) {
  QStringList songs = RecentSongs();
  if (songs.removeAll(path) > 0) SetSetting(RecentSongsKey, songs);
}

QString OpenFolder() { return RememberedFolder(OpenFolderKey); }

QString SaveFolder() { return RememberedFolder(SaveFolderKey); }

void NoteOpenedIn(const QString& path) { NoteFolderOf(OpenFolderKey, path); }

void NoteSavedIn(const QString& path) { NoteFolderOf(SaveFolderKey, path); }

QString ShownPath(const QString& path) {
  QString shown;
  shown.reserve(path.size());
  for (const QChar c : path) {
    const char16_t code = c.unicode();
    if (code < 0x20 || (code >= 0x7F && code <= 0x9F)) {
      constexpr char Digits[] = "0123456789ABCDEF";
      shown += QLatin1String("\\x");
      shown += QLatin1Char(Digits[code >> 4]);
      shown += QLatin1Char(Digits[code & 0xF]);
    } else {
      shown += c;
    }
  }
  return shown;
}

}  // namespace tarvo
