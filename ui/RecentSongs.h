#pragma once

#include <QString>
#include <QStringList>

namespace tarvo {

// The songs opened last, most recent first, full paths without duplicates,
// and the folders the file dialogs start in. Each is written as it changes.

inline constexpr int MaxRecentSongs = 10;

// `list` with `path` in front, once, cut to MaxRecentSongs.
QStringList WithRecentSong(QStringList list, const QString& path);

// The remembered list: only absolute paths, each once, at most MaxRecentSongs.
QStringList RecentSongs();
// Puts the song at `path` (made absolute) first, and its folder as the one
// the open dialogs start in.
void NoteRecentSong(const QString& path);
void ForgetRecentSong(const QString& path);

// The folder the open dialogs start in, and the one the save dialogs start
// in; empty when none is remembered or it is no folder now.
QString OpenFolder();
QString SaveFolder();
// Remembers the folder of the file at `path`.
void NoteOpenedIn(const QString& path);
void NoteSavedIn(const QString& path);

// A path for a one-line display: each control character (below U+0020,
// U+007F, U+0080 to U+009F) as \xHH, as the File Map shows text.
QString ShownPath(const QString& path);

}  // namespace tarvo
