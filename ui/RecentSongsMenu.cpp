#include "ui/RecentSongsMenu.h"

#include "ui/RecentSongs.h"

#include <QAction>
#include <QFileInfo>
#include <QPalette>
#include <QStyleOptionMenuItem>

namespace tarvo {
namespace {

const char* const MissingProperty = "tarvoMissing";

}  // namespace

TRecentSongsMenu::TRecentSongsMenu(QWidget* parent) : QMenu(parent) {
  setObjectName(QStringLiteral("MnuRecentSongs"));
  // No tool tips: a tip guesses at markup, and a path may hold "<b>".
  setToolTipsVisible(false);
}

void TRecentSongsMenu::Fill(const QStringList& paths) {
  clear();
  if (paths.isEmpty()) {
    QAction* const none = addAction(QStringLiteral("No recent songs"));
    none->setEnabled(false);
    return;
  }
  for (const QString& path : paths) {
    // "&" would be taken as a mnemonic marker, a tab as the shortcut column.
    QString text = ShownPath(path);
    text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    QAction* const action = addAction(text);
    action->setData(path);
    const bool missing = !QFileInfo::exists(path);
    action->setProperty(MissingProperty, missing);
    connect(action, &QAction::triggered, this, [this, path] { emit SongChosen(path); });
  }
}

QString TRecentSongsMenu::PathOf(const QAction* action) { return action->data().toString(); }

bool TRecentSongsMenu::IsMissing(const QAction* action) { return action->property(MissingProperty).toBool(); }

void TRecentSongsMenu::initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const {
  QMenu::initStyleOption(option, action);
  if (!IsMissing(action)) return;
  // Greyed as a disabled entry, but still enabled: choosing it says why it
  // cannot be opened and drops it.
  for (const QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
    const QBrush grey = option->palette.brush(QPalette::Disabled, role);
    option->palette.setBrush(QPalette::Active, role, grey);
    option->palette.setBrush(QPalette::Inactive, role, grey);
  }
}

}  // namespace tarvo
