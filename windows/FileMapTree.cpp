#include "windows/FileMapTree.h"

#include "content/map/RegionMap.h"
#include "content/map/RegionText.h"
#include "content/map/RegionTree.h"
#include "content/map/ValueText.h"
#include "text/Latin1.h"
#include "ui/HexView.h"
#include "ui/Latin1Text.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace tarvo {
namespace {

// Song texts as plain, one-line text: control characters as \xHH.
QString Shown(std::string_view latin1) { return Latin1(EscapeControlBytes(latin1)); }

// A field's value as one bounded line, reading no more of a long text
// than the line shows.
QString FieldValue(const TKvsRegionNote& note, const std::uint8_t* bytes) {
  if (note.format != TKvsValueFormat::Text)
    return QString::fromUtf8(content::OneLineValue(content::ValueText(note.format, bytes, note.size)));
  const void* const zero = std::memchr(bytes, 0, static_cast<std::size_t>(note.size));
  const std::size_t length = zero == nullptr ? static_cast<std::size_t>(note.size)
                                             : static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - bytes);
  return QString::fromUtf8(content::OneLineValue(std::string_view(reinterpret_cast<const char*>(bytes), length)));
}

}  // namespace

QString PathAndValueText(std::string_view path, bool field, std::string_view value) {
  QString text = Shown(path);
  if (field) text += QStringLiteral(" = ") + QString::fromUtf8(content::OneLineValue(value));
  return text;
}

struct TFileMapTree::Node {
  enum class Type { Range, Top, Stretch, Group, Leaf };
  Type type = Type::Leaf;
  Node* parent = nullptr;
  int row = 0;
  std::size_t top = 0;
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
  std::size_t depth = 0;  // structure steps below the label that the children share
  TKvsRegionKind kind = TKvsRegionKind::Field;
  std::string name;
  std::string path;  // a group's: its prefix
  QString value;     // a field's, bounded
  bool made = false;
  bool leaving = false;  // being given back by Trim
  // A group's notes, kept so that its rows can be made again after a Trim.
  std::vector<TKvsRegionNote> notes;
  std::vector<std::unique_ptr<Node>> children;

  std::uint64_t End() const { return offset + size; }
  std::size_t Descendants() const {
    std::size_t count = children.size();
    for (const auto& child : children) count += child->Descendants();
    return count;
  }
  Node& Add(std::unique_ptr<Node> child) {
    child->parent = this;
    child->row = static_cast<int>(children.size());
    child->top = top;
    children.push_back(std::move(child));
    return *children.back();
  }
};

TFileMapTree::TFileMapTree(QObject* parent) : QAbstractItemModel(parent) {}

TFileMapTree::~TFileMapTree() = default;

void TFileMapTree::SetMap(const content::RegionMap* map) {
  beginResetModel();
  roots_.clear();
  madeRows_ = 0;
  map_ = map;
  const std::size_t tops = map_ == nullptr ? 0 : map_->TopLevelCount();
  perRange_ = tops > MaxTopRows ? std::max<std::size_t>(1024, (tops + MaxTopRows - 1) / MaxTopRows) : 0;
  endResetModel();
}

std::size_t TFileMapTree::RootRows() const {
  if (map_ == nullptr) return 0;
  const std::size_t tops = map_->TopLevelCount();
  return perRange_ == 0 ? tops : (tops + perRange_ - 1) / perRange_;
}

std::unique_ptr<TFileMapTree::Node> TFileMapTree::MakeTop(std::size_t top) const {
  const TKvsRegion region = map_->TopLevel(top);
  auto node = std::make_unique<Node>();
  node->type = Node::Type::Top;
  node->top = top;
  node->row = static_cast<int>(top);
  node->offset = region.offset;
  node->size = region.size;
  node->kind = region.kind;
  node->name = region.path;
  node->path = region.path;
  // The unread stretch has nothing below it.
  node->made = !map_->TopLevelChunkId(top).has_value();
  return node;
}

TFileMapTree::Node& TFileMapTree::RootNode(std::size_t row) const {
  std::unique_ptr<Node>& slot = roots_[row];
  if (slot) return *slot;
  if (perRange_ == 0) {
    slot = MakeTop(row);
    return *slot;
  }
  const std::size_t first = row * perRange_;
  const std::size_t last = std::min(map_->TopLevelCount(), first + perRange_) - 1;
  const TKvsRegion end = map_->TopLevel(last);
  slot = std::make_unique<Node>();
  slot->type = Node::Type::Range;
  slot->top = first;
  slot->row = static_cast<int>(row);
  slot->offset = map_->TopLevel(first).offset;
  slot->size = end.offset + end.size - slot->offset;
  slot->name = "chunks " + std::to_string(first) + "-" + std::to_string(last);
  slot->path = slot->name;
  return *slot;
}

TFileMapTree::Node& TFileMapTree::TopNode(std::size_t top) const {
  if (perRange_ == 0) return RootNode(top);
  Node& range = RootNode(top / perRange_);
  MakeChildren(range);
  return *range.children[top % perRange_];
}

TFileMapTree::Node* TFileMapTree::NodeOf(const QModelIndex& index) const {
  if (!index.isValid() || map_ == nullptr) return nullptr;
  auto* const parent = static_cast<Node*>(index.internalPointer());
  if (parent == nullptr) return &RootNode(static_cast<std::size_t>(index.row()));
  MakeChildren(*parent);
  if (static_cast<std::size_t>(index.row()) >= parent->children.size()) return nullptr;
  return parent->children[static_cast<std::size_t>(index.row())].get();
}

std::unique_ptr<TFileMapTree::Node> TFileMapTree::Leaf(const Node& parent, const TKvsRegionNote& note,
                                                      std::string name) const {
  const content::MapChunk& chunk = map_->TopLevelEntry(parent.top);
  auto leaf = std::make_unique<Node>();
  leaf->type = Node::Type::Leaf;
  leaf->made = true;
  leaf->offset = note.offset;
  leaf->size = note.size;
  leaf->kind = note.kind;
  leaf->name = std::move(name);
  leaf->path = content::RegionPath(TopNode(parent.top).path, content::IsModuleChunk(chunk.id), chunk.firstRecord, note);
  if (note.kind == TKvsRegionKind::Field) leaf->value = FieldValue(note, map_->Loader().StreamData() + note.offset);
  return leaf;
}

void TFileMapTree::AddGrouped(Node& node, const std::vector<TKvsRegionNote>& notes) const {
  const content::MapChunk& chunk = map_->TopLevelEntry(node.top);
  for (const TKvsRegionNote& note : notes) {
    std::vector<std::string> steps = content::NoteSteps(chunk, note);
    if (steps.size() > node.depth + 1) {
      const std::string& step = steps[node.depth];
      if (!node.children.empty()) {
        Node& last = *node.children.back();
        if (last.type == Node::Type::Group && last.name == step && last.End() == note.offset) {
          last.size = note.offset + note.size - last.offset;
          last.notes.push_back(note);
          continue;
        }
      }
      auto group = std::make_unique<Node>();
      group->type = Node::Type::Group;
      group->offset = note.offset;
      group->size = note.size;
      group->depth = node.depth + 1;
      group->name = step;
      group->path = TopNode(node.top).path;
      for (std::size_t i = 0; i <= node.depth; ++i) (group->path += '/') += steps[i];
      group->notes.push_back(note);
      node.Add(std::move(group));
      continue;
    }
    std::string name = steps.size() == node.depth + 1 ? std::move(steps.back()) : RegionKindName(note.kind);
    node.Add(Leaf(node, note, std::move(name)));
  }
}

void TFileMapTree::MakeChildren(Node& node) const {
  if (node.made) return;
  MakeChildrenOnce(node);
  madeRows_ += node.children.size();
}

void TFileMapTree::MakeChildrenOnce(Node& node) const {
  node.made = true;
  switch (node.type) {
    case Node::Type::Range:
      for (std::size_t top = node.top; top < map_->TopLevelCount() && top < node.top + perRange_; ++top) {
        Node& chunk = node.Add(MakeTop(top));
        chunk.top = top;
      }
      return;
    case Node::Type::Top: {
      const std::vector<TKvsRegionNote> notes =
          content::ChunkNotes(*map_, node.top, node.offset, node.End(), MaxDirectChildren + 1);
      if (notes.size() <= MaxDirectChildren)
        AddGrouped(node, notes);
      else
        MakeStretchChildren(node);
      return;
    }
    case Node::Type::Stretch:
      // The regions that start in the stretch, and the one reaching into it.
      AddGrouped(node, content::ChunkNotes(*map_, node.top, node.offset, node.End(), SIZE_MAX));
      return;
    case Node::Type::Group:
      AddGrouped(node, node.notes);
      return;
    case Node::Type::Leaf:
      return;
  }
}

void TFileMapTree::MakeStretchChildren(Node& node) const {
  for (std::uint64_t offset = node.offset; offset < node.End(); offset += StretchBytes) {
    auto stretch = std::make_unique<Node>();
    stretch->type = Node::Type::Stretch;
    stretch->offset = offset;
    stretch->size = std::min(StretchBytes, node.End() - offset);
    stretch->name = (THexView::HexNumber(offset, 8) + QLatin1Char('-') + THexView::HexNumber(stretch->End() - 1, 8)).toStdString();
    stretch->path = node.path;
    node.Add(std::move(stretch));
  }
}

QModelIndex TFileMapTree::IndexOf(const Node& node) const {
  if (node.parent == nullptr) return createIndex(node.row, 0, nullptr);
  return createIndex(node.row, 0, node.parent);
}

QModelIndex TFileMapTree::IndexAt(std::uint64_t offset) {
  if (map_ == nullptr) return {};
  const std::size_t top = map_->TopLevelAt(offset);
  if (top >= map_->TopLevelCount() || top > static_cast<std::size_t>(INT_MAX)) return {};
  Node* node = &TopNode(top);
  while (true) {
    MakeChildren(*node);
    std::vector<std::unique_ptr<Node>>& children = node->children;
    if (children.empty()) break;
    Node* next = nullptr;
    if (children.front()->type == Node::Type::Stretch) {
      // Each stretch holds every region that has bytes in it.
      next = children[std::min<std::size_t>((offset - node->offset) / StretchBytes, children.size() - 1)].get();
    } else {
      const auto after = std::upper_bound(children.begin(), children.end(), offset,
                                          [](std::uint64_t value, const auto& child) { return value < child->offset; });
      if (after != children.begin() && offset < (*(after - 1))->End()) next = (after - 1)->get();
    }
    if (next == nullptr) break;
    node = next;
  }
  return IndexOf(*node);
}

void TFileMapTree::Trim(const QModelIndex& keep, const std::function<void(const QModelIndex&)>& closing) {
  if (madeRows_ <= rowBudget_) return;
  const Node* const kept = NodeOf(keep);
  auto holdsKept = [kept](const Node& node) {
    for (const Node* up = kept; up != nullptr; up = up->parent)
      if (up == &node) return true;
    return false;
  };
  // The branches to give back: whole top-level entries off the path, and
  // below the path's nodes their made children off it.
  std::vector<Node*> leaving;
  for (const auto& [row, node] : roots_) {
    if (!holdsKept(*node)) {
      leaving.push_back(node.get());
      continue;
    }
    for (Node* on = node.get(); on != nullptr;) {
      Node* next = nullptr;
      for (const auto& child : on->children) {
        if (holdsKept(*child))
          next = child.get();
        else if (!child->children.empty())
          leaving.push_back(child.get());
      }
      on = next;
    }
  }
  if (leaving.empty()) return;
  for (Node* node : leaving) {
    node->leaving = true;
    if (closing) closing(IndexOf(*node));
  }

  emit layoutAboutToBeChanged();
  // A persistent index below a leaving branch would point at freed rows.
  const QModelIndexList persistent = persistentIndexList();
  for (const QModelIndex& index : persistent) {
    for (const Node* up = static_cast<const Node*>(index.internalPointer()); up != nullptr; up = up->parent) {
      if (up->leaving) {
        changePersistentIndex(index, QModelIndex());
        break;
      }
    }
  }
  for (Node* node : leaving) {
    madeRows_ -= node->Descendants();
    if (node->parent == nullptr) {
      roots_.erase(static_cast<std::size_t>(node->row));  // made again on demand
      continue;
    }
    node->children.clear();
    node->made = false;  // a group keeps its notes to make its rows again
    node->leaving = false;
  }
  emit layoutChanged();
}

std::uint64_t TFileMapTree::Offset(const QModelIndex& index) const {
  const Node* const node = NodeOf(index);
  return node == nullptr ? 0 : node->offset;
}

std::uint64_t TFileMapTree::Size(const QModelIndex& index) const {
  const Node* const node = NodeOf(index);
  return node == nullptr ? 0 : node->size;
}

QString TFileMapTree::PathAndValue(const QModelIndex& index) const {
  const Node* const node = NodeOf(index);
  if (node == nullptr) return QString();
  QString text = Shown(node->path);
  if (node->type == Node::Type::Leaf && node->kind == TKvsRegionKind::Field) text += QStringLiteral(" = ") + node->value;
  return text;
}

QModelIndex TFileMapTree::index(int row, int column, const QModelIndex& parent) const {
  if (row < 0 || column < 0 || column >= ColumnCount || map_ == nullptr) return {};
  if (!parent.isValid()) {
    if (row >= rowCount()) return {};
    return createIndex(row, column, nullptr);
  }
  Node* const node = NodeOf(parent);
  if (node == nullptr || parent.column() != 0) return {};
  MakeChildren(*node);
  if (static_cast<std::size_t>(row) >= node->children.size()) return {};
  return createIndex(row, column, node);
}

QModelIndex TFileMapTree::parent(const QModelIndex& child) const {
  if (!child.isValid()) return {};
  const auto* const parent = static_cast<const Node*>(child.internalPointer());
  if (parent == nullptr) return {};
  return IndexOf(*parent);
}

int TFileMapTree::rowCount(const QModelIndex& parent) const {
  if (map_ == nullptr) return 0;
  if (!parent.isValid()) return static_cast<int>(std::min<std::size_t>(RootRows(), INT_MAX));
  if (parent.column() != 0) return 0;
  Node* const node = NodeOf(parent);
  if (node == nullptr) return 0;
  MakeChildren(*node);
  return static_cast<int>(std::min<std::size_t>(node->children.size(), INT_MAX));
}

int TFileMapTree::columnCount(const QModelIndex&) const { return ColumnCount; }

bool TFileMapTree::hasChildren(const QModelIndex& parent) const {
  if (map_ == nullptr) return false;
  if (!parent.isValid()) return map_->TopLevelCount() > 0;
  if (parent.column() != 0) return false;
  if (parent.internalPointer() == nullptr)
    return perRange_ != 0 || map_->TopLevelChunkId(static_cast<std::size_t>(parent.row())).has_value();
  const Node* const node = NodeOf(parent);
  return node != nullptr && node->type != Node::Type::Leaf;
}

QVariant TFileMapTree::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid) || role != Qt::DisplayRole) return QVariant();
  const Node* const node = NodeOf(index);
  if (node == nullptr) return QVariant();
  switch (index.column()) {
    case ColOffset:
      return THexView::HexNumber(node->offset, 8);
    case ColSize:
      return QString::number(node->size);
    case ColKind:
      switch (node->type) {
        case Node::Type::Range:
          return QStringLiteral("chunks");
        case Node::Type::Top:
          return node->kind == TKvsRegionKind::Unread ? QStringLiteral("unread") : QStringLiteral("chunk");
        case Node::Type::Stretch:
          return QStringLiteral("bytes");
        case Node::Type::Group:
          return QString();
        case Node::Type::Leaf:
          return QString::fromLatin1(RegionKindName(node->kind));
      }
      return QString();
    case ColName:
      return Shown(node->name);
    case ColValue:
      return node->value;
    default:
      return QVariant();
  }
}

QVariant TFileMapTree::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return QVariant();
  switch (section) {
    case ColOffset: return QStringLiteral("Offset");
    case ColSize: return QStringLiteral("Size");
    case ColKind: return QStringLiteral("Kind");
    case ColName: return QStringLiteral("Name");
    case ColValue: return QStringLiteral("Value");
    default: return QVariant();
  }
}

}  // namespace tarvo
