#include "ui/RowCopy.h"

#include "ui/Application.h"
#include "ui/Dialogs.h"

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>

#include <algorithm>
#include <cstddef>

namespace tarvo {
namespace {

// Appends `part` unless the text would grow past `maxCharacters`. The text
// grows here, never past the bound: Qt's own growth could double it.
bool Append(QString& text, QStringView part, qsizetype maxCharacters) {
  const qsizetype needed = text.size() + part.size();
  if (needed > maxCharacters) return false;
  if (needed > text.capacity())
    text.reserve(std::min(std::max(needed, text.capacity() + text.capacity() / 2), maxCharacters));
  text += part;
  return true;
}

// A tab or line break inside a cell becomes a space, so it stays one cell.
bool AppendCell(QString& text, const QString& cell, qsizetype maxCharacters) {
  const qsizetype start = text.size();
  if (!Append(text, cell, maxCharacters)) return false;
  QChar* const chars = text.data();
  for (qsizetype i = start; i < text.size(); ++i) {
    const char16_t c = chars[i].unicode();
    if (c == u'\t' || c == u'\n' || c == u'\r') chars[i] = QLatin1Char(' ');
  }
  return true;
}

// One pass over the rows; `rowAt(i)` is the model row of the i-th line.
template <class RowAt>
std::optional<QString> LinesText(const QAbstractItemModel& model, std::size_t count, RowAt rowAt,
                                 qsizetype maxCharacters) {
  const int columns = model.columnCount();
  QString text;
  for (int column = 0; column < columns; ++column) {
    if (column > 0 && !Append(text, u"\t", maxCharacters)) return std::nullopt;
    if (!AppendCell(text, model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(), maxCharacters))
      return std::nullopt;
  }
  for (std::size_t i = 0; i < count; ++i) {
    const qsizetype lineStart = text.size();
    if (!Append(text, u"\n", maxCharacters)) return std::nullopt;
    const int row = rowAt(i);
    for (int column = 0; column < columns; ++column) {
      if (column > 0 && !Append(text, u"\t", maxCharacters)) return std::nullopt;
      if (!AppendCell(text, model.data(model.index(row, column), Qt::DisplayRole).toString(), maxCharacters))
        return std::nullopt;
    }
    if (i == 0 && count > 1) {
      // Sized after the first row, so a list of a million rows is not
      // copied again and again while it grows.
      const qsizetype line = text.size() - lineStart;
      const auto rest = static_cast<qsizetype>(std::min(count - 1, static_cast<std::size_t>(maxCharacters)));
      text.reserve(std::min(text.size() + line * rest + line * rest / 4, maxCharacters));
    }
  }
  return text;
}

class WaitCursor {
 public:
  WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

std::optional<QString> RowsText(const QAbstractItemModel& model, const std::vector<int>& rows,
                                qsizetype maxCharacters) {
  return LinesText(model, rows.size(), [&rows](std::size_t i) { return rows[i]; }, maxCharacters);
}

std::optional<QString> AllRowsText(const QAbstractItemModel& model, qsizetype maxCharacters) {
  const int rowCount = model.rowCount();
  return LinesText(model, static_cast<std::size_t>(std::max(rowCount, 0)),
                   [](std::size_t i) { return static_cast<int>(i); }, maxCharacters);
}

std::vector<int> SelectedRows(const QAbstractItemView& view) {
  std::vector<int> rows;
  const QItemSelectionModel* const selection = view.selectionModel();
  if (selection == nullptr) return rows;
  for (const QItemSelectionRange& range : selection->selection())
    for (int row = range.top(); row <= range.bottom(); ++row) rows.push_back(row);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

TRowCopy::TRowCopy(QAbstractItemView* view) : QObject(view), view_(view) {
  setObjectName(QStringLiteral("RowCopy"));
  ActCopy = new QAction(QStringLiteral("Copy"), this);
  ActCopy->setObjectName(QStringLiteral("ActCopy"));
  // Shows the key in the menu; the key itself is taken in eventFilter.
  ActCopy->setShortcut(QKeySequence::Copy);
  ActCopy->setShortcutContext(Qt::WidgetShortcut);
  ActCopyAll = new QAction(QStringLiteral("Copy All"), this);
  ActCopyAll->setObjectName(QStringLiteral("ActCopyAll"));

  connect(ActCopy, &QAction::triggered, this, Guarded(this, &TRowCopy::CopySelectedClick));
  connect(ActCopyAll, &QAction::triggered, this, Guarded(this, &TRowCopy::CopyAllClick));
  view->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(view, &QWidget::customContextMenuRequested, this, Guarded(this, &TRowCopy::ListContextPopup));
  view->installEventFilter(this);
}

void TRowCopy::CopySelectedClick() {
  const QAbstractItemModel* const model = view_->model();
  const std::vector<int> rows = SelectedRows(*view_);
  // Nothing selected leaves the clipboard as it was.
  if (model == nullptr || rows.empty()) return;
  CopyToClipboard(RowsText(*model, rows, MaxCharacters));
}

void TRowCopy::CopyAllClick() {
  const QAbstractItemModel* const model = view_->model();
  if (model == nullptr) return;
  std::optional<QString> text;
  {
    const WaitCursor wait;
    text = AllRowsText(*model, MaxCharacters);
  }
  CopyToClipboard(text);
}

void TRowCopy::CopyToClipboard(const std::optional<QString>& text) {
  if (text) {
    QGuiApplication::clipboard()->setText(*text);
    return;
  }
  // The clipboard keeps what it had.
  CurrentDialogs().Message(view_->window(),
                           QStringLiteral("Too much text to copy (over 256 MiB). Nothing was copied."));
}

void TRowCopy::ListContextPopup(const QPoint& position) {
  const QAbstractItemModel* const model = view_->model();
  ActCopy->setEnabled(!SelectedRows(*view_).empty());
  ActCopyAll->setEnabled(model != nullptr && model->rowCount() > 0);
  auto* const menu = new QMenu(view_);
  menu->setObjectName(QStringLiteral("RowCopyMenu"));
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->addAction(ActCopy);
  menu->addAction(ActCopyAll);
  // The position is the viewport's, as for every scroll area.
  menu->popup(view_->viewport()->mapToGlobal(position));
}

bool TRowCopy::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (watched == view_ && (type == QEvent::ShortcutOverride || type == QEvent::KeyPress) &&
      static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
    // Claimed ahead of any shortcut, and taken from the view, which would
    // copy only its current cell.
    event->accept();
    if (type == QEvent::KeyPress) Guarded(this, &TRowCopy::CopySelectedClick)();
    return true;
  }
  return QObject::eventFilter(watched, event);
}

void InstallRowCopy(QAbstractItemView* view) { new TRowCopy(view); }

TRowCopy* RowCopyOf(const QAbstractItemView* view) {
  return view->findChild<TRowCopy*>(QString(), Qt::FindDirectChildrenOnly);
}

}  // namespace tarvo
