#include "content/compare/ChunkChildren.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string_view>

#include "content/compare/ByteDiff.h"

namespace tarvo::content {

namespace {

// Groups the notes of one chunk by the first step of their paths (label /
// group / record / name / item): numbered records are list items, the rest
// named children.
class ChildLister : public TKvsRegionSink {
 public:
  ChildLister(ChunkChildren& children, const std::uint8_t* data, WorkPacer* pacer)
      : children_(children), data_(data), pacer_(pacer) {}

  void Chunk(const TKvsChunkNote& /*chunk*/) override {}

  void Region(const TKvsRegionNote& note) override {
    Count();
    if (note.group != nullptr) {
      AddNamed(note.group, note.offset, note.size);
    } else if (note.record >= 0) {
      AddItem(note.record, note.offset, note.size);
    } else if (note.name != nullptr) {
      const std::string_view name(note.name);
      AddNamed(name.substr(0, name.find('/')), note.offset, note.size);
    } else {
      AddNamed({}, note.offset, note.size);
    }
  }

  // A whole record is one child when it has a group or a number: no field
  // of it need be looked at.
  void Record(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t chunk, std::int64_t record,
              std::size_t held) override {
    if (held == 0) return;
    Count();
    if (layout.group != nullptr) {
      AddNamed(layout.group, offset, held);
    } else if (record >= 0) {
      AddItem(record, offset, held);
    } else {
      TKvsRegionSink::Record(layout, offset, chunk, record, held);
    }
  }

  void Finish() { HashLastItem(); }

 private:
  void AddNamed(std::string_view step, std::uint64_t offset, std::uint64_t size) {
    HashLastItem();
    // The chunk's own regions are each a child of their own.
    if (lastNamed_ && !step.empty() && children_.named.back().step == step && children_.named.back().end == offset) {
      children_.named.back().end = offset + size;
      return;
    }
    children_.named.push_back({std::string(step), offset, offset + size});
    lastNamed_ = true;
  }

  void AddItem(std::int64_t record, std::uint64_t offset, std::uint64_t size) {
    if (itemOpen_ && record == lastRecord_ && itemEnd_ == offset) {
      itemEnd_ = offset + size;
      return;
    }
    HashLastItem();
    // Past 4 GiB into a stretch (a module's data of that size, then a
    // list): matched by its number instead of aligned.
    if (!children_.items.Fits(offset) || size > UINT32_MAX) {
      AddNamed(std::to_string(record), offset, size);
      return;
    }
    lastNamed_ = false;
    children_.items.Push(offset);
    itemStart_ = offset;
    itemOpen_ = true;
    lastRecord_ = record;
    itemEnd_ = offset + size;
  }

  void HashLastItem() {
    if (!itemOpen_) return;
    // An item of 4 GiB or more is compared by its first 4 GiB.
    const auto size = static_cast<std::uint32_t>(std::min<std::uint64_t>(itemEnd_ - itemStart_, UINT32_MAX));
    children_.items.SetLast(size, static_cast<std::uint32_t>(HashBytes(data_ + itemStart_, size, pacer_)));
    itemOpen_ = false;
  }

  void Count() {
    if (pacer_ != nullptr) pacer_->Add(WorkPacer::StepCost);
  }

  ChunkChildren& children_;
  const std::uint8_t* data_;
  WorkPacer* pacer_;
  bool lastNamed_ = false;
  bool itemOpen_ = false;
  std::int64_t lastRecord_ = -1;
  std::uint64_t itemStart_ = 0;
  std::uint64_t itemEnd_ = 0;
};

}  // namespace

ChunkChildren ListChunkChildren(const RegionMap& map, std::size_t index, const std::uint8_t* data,
                                WorkPacer* pacer) {
  ChunkChildren children{{}, ItemList(map.TopLevel(index).offset)};
  ChildLister lister(children, data, pacer);
  map.ReportChunk(index, lister);
  lister.Finish();
  return children;
}

}  // namespace tarvo::content
