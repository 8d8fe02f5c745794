#include "content/map/KindColumns.h"

#include <algorithm>
#include <utility>

namespace tarvo::content {

KindColumns::KindColumns(std::uint64_t fileSize, TKvsRegionSink* next, std::size_t columns)
    : fileSize_(fileSize), next_(next) {
  columns = std::max<std::size_t>(1, columns);
  width_ = std::max<std::uint64_t>(1, (fileSize + columns - 1) / columns);
  columns_.resize(static_cast<std::size_t>(std::max<std::uint64_t>(1, (fileSize + width_ - 1) / width_)));
}

void KindColumns::Add(std::uint64_t offset, std::uint64_t size, TKvsRegionKind kind) {
  const auto k = static_cast<std::size_t>(kind);
  if (offset >= fileSize_) return;
  std::uint64_t end = std::min(offset + size, fileSize_);
  end_ = std::max(end_, end);
  while (offset < end) {
    const std::uint64_t column = offset / width_;
    const std::uint64_t stop = std::min(end, (column + 1) * width_);
    columns_[static_cast<std::size_t>(column)][k] += stop - offset;
    offset = stop;
  }
}

void KindColumns::AddFields(const TKvsRecordLayout& layout, std::uint64_t offset, std::size_t held) {
  ForEachRecordField(layout, offset, 0, -1, held, [this](const TKvsRegionNote& note) {
    Add(note.offset, note.size, note.kind);
    return true;
  });
}

void KindColumns::Finish() {
  next_ = nullptr;
  if (end_ < fileSize_) Add(end_, fileSize_ - end_, TKvsRegionKind::Unread);
}

KindBytes KindColumns::Between(std::uint64_t from, std::uint64_t to) const {
  KindBytes sum{};
  // A stretch narrower than a byte shows the byte it lies in.
  to = std::max(to, from + 1);
  const std::uint64_t first = from / width_;
  const std::uint64_t last = std::min<std::uint64_t>((to + width_ - 1) / width_, columns_.size());
  for (std::uint64_t column = first; column < last; ++column)
    for (std::size_t k = 0; k < RegionKindCount; ++k) sum[k] += columns_[static_cast<std::size_t>(column)][k];
  return sum;
}

void KindColumns::Chunk(const TKvsChunkNote& chunk) {
  if (next_ != nullptr) next_->Chunk(chunk);
}

void KindColumns::Region(const TKvsRegionNote& region) {
  if (next_ != nullptr) next_->Region(region);
  Add(region.offset, region.size, region.kind);
}

void KindColumns::Record(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t chunk,
                         std::int64_t record, std::size_t held) {
  if (next_ != nullptr) next_->Record(layout, offset, chunk, record, held);
  if (offset >= fileSize_) return;
  // A whole record inside one column adds its kinds at once; one that
  // spans columns, or is cut short, gives each column its own bytes.
  if (held == layout.size && offset / width_ == (offset + held - 1) / width_) {
    const auto column = static_cast<std::size_t>(offset / width_);
    for (std::size_t k = 0; k < RegionKindCount; ++k) columns_[column][k] += layout.kindBytes[k];
    end_ = std::max(end_, std::min(offset + held, fileSize_));
    return;
  }
  AddFields(layout, offset, held);
}

void KindColumns::Records(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t chunk,
                          std::uint64_t first, std::uint64_t count) {
  if (next_ != nullptr) next_->Records(layout, offset, chunk, first, count);
  const std::uint64_t size = layout.size;
  // Per column, the records wholly inside it at once, then the one that
  // spans into the next column field by field.
  for (std::uint64_t r = 0; r < count;) {
    const std::uint64_t start = offset + r * size;
    if (start >= fileSize_) return;
    const std::uint64_t column = start / width_;
    const std::uint64_t inside = std::min(count - r, ((column + 1) * width_ - start) / size);
    if (inside > 0) {
      for (std::size_t k = 0; k < RegionKindCount; ++k)
        columns_[static_cast<std::size_t>(column)][k] += inside * layout.kindBytes[k];
      end_ = std::max(end_, std::min(start + inside * size, fileSize_));
      r += inside;
    } else {
      AddFields(layout, start, static_cast<std::size_t>(std::min(size, fileSize_ - start)));
      ++r;
    }
  }
}

void KindColumns::ModuleEnd(std::uint64_t chunk, std::uint64_t markerStart) {
  if (next_ != nullptr) next_->ModuleEnd(chunk, markerStart);
}

MapAndColumns MapWithColumns(const TKvsLoader& song, std::size_t columns) {
  RegionMapBuilder builder;
  KindColumns counted(song.StreamSize(), &builder, columns);
  TKvsLoader::ReportRegions(song, counted);
  counted.Finish();
  return {builder.Finish(song), std::move(counted)};
}

}  // namespace tarvo::content
