#pragma once

#include <QObject>
#include <QString>

#include <optional>
#include <vector>

class QAbstractItemModel;
class QAbstractItemView;
class QAction;
class QPoint;

namespace tarvo {

// The most characters a copy takes. The text holds two bytes a character,
// and the clipboard may keep another copy in UTF-8, so a copy needs at most
// 256 MiB.
inline constexpr qsizetype MaxCopyCharacters = qsizetype{64} << 20;

// Rows of a list as plain text for the clipboard: a line of column captions,
// then one line per row with the cells as shown. Cells are separated by tabs,
// lines by "\n"; a tab or line break inside a cell becomes a space, so every
// line keeps one cell per column. Nothing when the text would be longer
// than `maxCharacters`.
std::optional<QString> RowsText(const QAbstractItemModel& model, const std::vector<int>& rows,
                                qsizetype maxCharacters = MaxCopyCharacters);
std::optional<QString> AllRowsText(const QAbstractItemModel& model, qsizetype maxCharacters = MaxCopyCharacters);
// The rows that hold a selected cell, in ascending order.
std::vector<int> SelectedRows(const QAbstractItemView& view);

// Copying for one list: Ctrl+C and a context menu with "Copy" (the selected
// rows) and "Copy All". Made by InstallRowCopy, owned by the view.
class TRowCopy : public QObject {
  Q_OBJECT

 public:
  explicit TRowCopy(QAbstractItemView* view);

  // Handlers.
  void CopySelectedClick();
  void CopyAllClick();
  void ListContextPopup(const QPoint& position);

  QAction* ActCopy;
  QAction* ActCopyAll;
  // A copy longer than this tells the user and copies nothing.
  qsizetype MaxCharacters = MaxCopyCharacters;

 protected:
  // QObject
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CopyToClipboard(const std::optional<QString>& text);

  QAbstractItemView* view_;
};

void InstallRowCopy(QAbstractItemView* view);
// The copier of a list; null where none was installed.
TRowCopy* RowCopyOf(const QAbstractItemView* view);

}  // namespace tarvo
