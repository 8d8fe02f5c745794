#pragma once

#include <QAbstractItemModel>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "songfile/KvsRegion.h"

namespace tarvo {

namespace content {
class RegionMap;
}

// A region's path, and " = value" for a field, as one line of plain text.
QString PathAndValueText(std::string_view path, bool field, std::string_view value);

// The structure tree of the File Map: the chunks of a file, then their
// records, then fields, made when a branch is first asked for, from the
// structure the loader notes (group, record, name, item). Columns Offset,
// Size, Kind, Name, Value. A chunk of many regions opens into stretches of
// 16 KiB first, so that no branch holds more rows than a person scrolls
// through and a deep place opens without making every row before it; a
// stretch holds the regions that start in it and the one that reaches into
// it from before, so every byte's region is in the stretch of the byte.
// Only branches that were opened cost memory, and Trim gives back those off
// the current path once they pass a budget of rows.
class TFileMapTree : public QAbstractItemModel {
  Q_OBJECT

 public:
  enum Column { ColOffset, ColSize, ColKind, ColName, ColValue, ColumnCount };
  static constexpr std::uint64_t StretchBytes = 16 * 1024;
  // A chunk with more regions than this opens into stretches.
  static constexpr std::size_t MaxDirectChildren = 2048;
  // About 5 MiB of rows.
  static constexpr std::size_t DefaultRowBudget = 20000;
  // A file of more chunks than this shows them in ranges of chunks, so that
  // no level holds millions of rows.
  static constexpr std::size_t MaxTopRows = 4096;

  explicit TFileMapTree(QObject* parent);
  ~TFileMapTree() override;

  // The map to show; nullptr shows nothing. The map must outlive its use.
  void SetMap(const content::RegionMap* map);

  // The deepest row holding `offset`, its branches made as needed.
  QModelIndex IndexAt(std::uint64_t offset);
  std::uint64_t Offset(const QModelIndex& index) const;
  std::uint64_t Size(const QModelIndex& index) const;
  // "GLOB/Settings/Tempo = 120" style: the path, and the value of a field.
  QString PathAndValue(const QModelIndex& index) const;

  // The rows made so far below the top level.
  std::size_t MadeRows() const { return madeRows_; }
  void SetRowBudget(std::size_t rows) { rowBudget_ = rows; }
  // Beyond the budget, gives back every made branch that does not hold
  // `keep`; `closing` sees each such branch first, so that a view
  // collapses it. Indexes into the given-back rows become invalid.
  void Trim(const QModelIndex& keep, const std::function<void(const QModelIndex&)>& closing);

  // QAbstractItemModel
  QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  struct Node;

  Node& TopNode(std::size_t top) const;
  Node& RootNode(std::size_t row) const;
  std::unique_ptr<Node> MakeTop(std::size_t top) const;
  Node* NodeOf(const QModelIndex& index) const;
  void MakeChildren(Node& node) const;
  void MakeChildrenOnce(Node& node) const;
  void MakeStretchChildren(Node& node) const;
  // Groups the notes into children of `node` by their structure step at
  // the node's depth.
  void AddGrouped(Node& node, const std::vector<TKvsRegionNote>& notes) const;
  std::unique_ptr<Node> Leaf(const Node& parent, const TKvsRegionNote& note, std::string name) const;
  QModelIndex IndexOf(const Node& node) const;

  const content::RegionMap* map_ = nullptr;
  // The rows of the top level (chunks, or ranges of them) get a node only
  // once opened or asked for by offset.
  mutable std::unordered_map<std::size_t, std::unique_ptr<Node>> roots_;
  std::size_t perRange_ = 0;  // chunks in a range; 0: no ranges
  std::size_t RootRows() const;
  mutable std::size_t madeRows_ = 0;
  std::size_t rowBudget_ = DefaultRowBudget;
};

}  // namespace tarvo
