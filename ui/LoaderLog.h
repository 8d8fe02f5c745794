#pragma once

#include <QAbstractListModel>
#include <QString>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "text/LogLines.h"

class QListView;
class QWidget;

namespace tarvo {

// The loader message log behind the list LoaderMessages. A load can write
// millions of lines, so lines are kept compactly as the loader's 8-bit texts
// and handed to the view in batches: whatever was written shows at the next
// repaint.
class TLogModel : public QAbstractListModel {
  Q_OBJECT

 public:
  // The caption of the one column, shown nowhere but heading copied lines.
  inline static const QString ColumnCaption = QStringLiteral("Loader Messages");

  explicit TLogModel(QObject* parent);

  // Adds one line at the end.
  void Append(std::string_view line);
  // Shows the lines added since the last flush.
  void Flush();
  void Clear();
  void SetLines(TLogLines lines);
  const TLogLines& Lines() const { return lines_; }

  // Writes every line followed by CR LF, one byte per character, no byte
  // order mark. An existing file is replaced only when everything was
  // written, except in a folder that takes no new file, where a writable
  // file is written in place. False when the file could not be created or
  // written.
  bool SaveToFile(const QString& fileName) const;

  // QAbstractItemModel
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  // The line at `row`, through a cache of the lines around it: the view asks
  // for neighbouring rows, and the store rebuilds lines a group at a time.
  const std::string& CachedLine(std::size_t row) const;

  TLogLines lines_;
  std::size_t shown_ = 0;  // lines the view knows of
  mutable std::vector<std::string> cache_;
  mutable std::size_t cacheFirst_ = 0;
  bool flushQueued_ = false;
};

// The list view LoaderMessages over a fresh TLogModel; its lines can be
// copied (see RowCopy.h).
QListView* MakeLogView(QWidget* parent, const QString& name);
TLogModel* LogModelOf(const QListView* view);

}  // namespace tarvo
