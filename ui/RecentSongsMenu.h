#pragma once

#include <QMenu>
#include <QString>
#include <QStringList>

class QAction;
class QStyleOptionMenuItem;

namespace tarvo {

// The recent songs as a menu: one entry per path, shown as plain text with
// control characters as \xHH; a path that names no file now is greyed, yet
// can still be chosen (and is then dropped by whoever listens).
class TRecentSongsMenu : public QMenu {
  Q_OBJECT

 public:
  explicit TRecentSongsMenu(QWidget* parent);

  // Replaces the entries with `paths`, checking each for a file now.
  void Fill(const QStringList& paths);
  // The entry's path, and whether it was missing when the menu was filled.
  static QString PathOf(const QAction* action);
  static bool IsMissing(const QAction* action);

  // QMenu; public so that the greying can be checked.
  void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;

 signals:
  void SongChosen(const QString& path);
};

}  // namespace tarvo
