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

void KindColumns::Finish() {
  next_ = nullptr;
  if (end_ < fileSize_) Add(end_, fileSize_ - end_, TKvsRegionKind::Unread);
}

KindBytes KindColumns::Between(std::uint64_t from, std::uint64_t to) const {
  KindBytes sum{};
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
  if (held == layout.size && offset < fileSize_) {
    const std::uint64_t column = offset / width_;
    for (std::size_t k = 0; k < RegionKindCount; ++k) columns_[static_cast<std::size_t>(column)][k] += layout.kindBytes[k];
    end_ = std::max(end_, std::min(offset + held, fileSize_));
    return;
  }
  // A record cut short: its fields up to the end of the file.
  for (const TKvsFieldLayout& field : layout.fields) {
    const std::uint64_t start = field.offset;
    if (start >= held) break;
    Add(offset + start, std::min<std::uint64_t>(std::uint64_t{field.size} * field.count, held - start), field.kind);
  }
}

MapAndColumns MapWithColumns(const TKvsLoader& song, std::size_t columns) {
  RegionMapBuilder builder;
  KindColumns counted(song.FileSize(), &builder, columns);
  TKvsLoader::ReportRegions(song, counted);
  counted.Finish();
  return {builder.Finish(song), std::move(counted)};
}

}  // namespace tarvo::content
