#pragma once

#include <QList>
#include <QRect>
#include <QString>

#include <optional>

class QWidget;

namespace tarvo {

// A window's layout under `key` in the settings: its place and size
// ("<key>/Geometry", x, y, width, height of the normal geometry),
// "<key>/Maximized", and the sizes of each splitter in it that has an object
// name ("<key>/Splitters/<name>").

// Restores what is remembered, each item on its own; what is missing or
// unusable leaves the window as made. The place is kept on the screens
// there are now. Call before the window first shows.
void RestoreLayout(QWidget* window, const QString& key);
// Remembers the window's layout now.
void SaveLayout(const QWidget* window, const QString& key);
// Both: restores now and saves each time the window hides (closes, or goes
// with its parent). One line for any window.
void KeepLayout(QWidget* window, const QString& key);

// `wanted` moved, and shrunk where it must be, onto the screen it overlaps
// most, or the first screen when it overlaps none; nothing for an empty
// rectangle or when there is no screen.
std::optional<QRect> ClampToScreens(const QRect& wanted, const QList<QRect>& screens);

}  // namespace tarvo
