#include "ui/LoaderLog.h"

#include "ui/Latin1Text.h"

#include "ui/RowCopy.h"

#include <QListView>
#include <QSaveFile>

#include <algorithm>
#include <limits>
#include <utility>

namespace tarvo {

TLogModel::TLogModel(QObject* parent) : QAbstractListModel(parent) {}

void TLogModel::Append(std::string_view line) {
  lines_.Append(line);
  // Also shown when something other than the load lets events run.
  if (!flushQueued_) {
    flushQueued_ = true;
    QMetaObject::invokeMethod(this, &TLogModel::Flush, Qt::QueuedConnection);
  }
}

void TLogModel::Flush() {
  flushQueued_ = false;
  // Qt counts rows in int; lines past that stay in the saved log only.
  const std::size_t limit = std::numeric_limits<int>::max();
  const std::size_t target = std::min(lines_.Size(), limit);
  if (target <= shown_) return;
  beginInsertRows(QModelIndex(), static_cast<int>(shown_), static_cast<int>(target - 1));
  shown_ = target;
  endInsertRows();
}

void TLogModel::Clear() {
  beginResetModel();
  lines_.Clear();
  cache_.clear();
  shown_ = 0;
  endResetModel();
}

void TLogModel::SetLines(TLogLines lines) {
  beginResetModel();
  lines_ = std::move(lines);
  cache_.clear();
  shown_ = std::min<std::size_t>(lines_.Size(), std::numeric_limits<int>::max());
  endResetModel();
}

bool TLogModel::SaveToFile(const QString& fileName) const {
  QSaveFile file(fileName);
  // Where the folder takes no new file, a writable file is written in place.
  file.setDirectWriteFallback(true);
  if (!file.open(QIODevice::WriteOnly)) return false;
  bool written = true;
  lines_.ForEach([&](std::string_view line) {
    if (!written) return;
    written = file.write(line.data(), static_cast<qint64>(line.size())) == static_cast<qint64>(line.size()) &&
              file.write("\r\n", 2) == 2;
  });
  if (!written) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

int TLogModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(shown_);
}

QVariant TLogModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return QVariant();
  if (role != Qt::DisplayRole) return QVariant();
  const std::string& line = CachedLine(static_cast<std::size_t>(index.row()));
  return Latin1(line);
}

const std::string& TLogModel::CachedLine(std::size_t row) const {
  constexpr std::size_t CacheLines = 64;
  if (row < cacheFirst_ || row >= cacheFirst_ + cache_.size()) {
    cache_.clear();
    cacheFirst_ = row - row % CacheLines;
    lines_.ForEach([this](std::string_view line) { cache_.emplace_back(line); }, cacheFirst_, cacheFirst_ + CacheLines);
  }
  return cache_[row - cacheFirst_];
}

QVariant TLogModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section != 0) return QVariant();
  return ColumnCaption;
}

QListView* MakeLogView(QWidget* parent, const QString& name) {
  auto* const view = new QListView(parent);
  view->setObjectName(name);
  view->setModel(new TLogModel(view));
  view->setUniformItemSizes(true);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setWordWrap(false);
  InstallRowCopy(view);
  return view;
}

TLogModel* LogModelOf(const QListView* view) { return qobject_cast<TLogModel*>(view->model()); }

}  // namespace tarvo
