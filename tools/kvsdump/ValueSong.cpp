#include "tools/kvsdump/ValueSong.h"

#include "content/map/RegionText.h"
#include "songfile/ChunkId.h"
#include "songfile/KvsLoader.h"
#include "text/Format.h"
#include "tools/kvsdump/ValueColumns.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace tarvo::kvsdump {

namespace {

// The steps of a region's path as the loader notes them; equal keys are
// one place. Names are the loader's static texts, so pointers tell them
// apart; two pointers to equal texts meet again by name.
struct NoteKey {
  std::uint64_t label;  // chunk id, and whether it is a module's
  const char* group;
  const char* name;
  std::uint8_t steps;  // record index, item index present
  TKvsRegionKind kind;
  bool operator==(const NoteKey&) const = default;
};
struct NoteKeyHash {
  std::size_t operator()(const NoteKey& key) const {
    std::uint64_t h = key.label * 0x9E3779B97F4A7C15ULL;
    h ^= reinterpret_cast<std::uintptr_t>(key.group) + 0x7F4A7C15 + (h << 6) + (h >> 2);
    h ^= reinterpret_cast<std::uintptr_t>(key.name) + 0x7F4A7C15 + (h << 6) + (h >> 2);
    h ^= (std::uint64_t{key.steps} << 8 | static_cast<std::uint64_t>(key.kind)) + (h << 6) + (h >> 2);
    return static_cast<std::size_t>(h);
  }
};
// Remembered note keys, beyond which a hostile song's places are found by
// name each time.
constexpr std::size_t MaxNoteKeys = 1 << 16;

// The regions the loader reports together: a chunk, its group, its record
// index. Inside, records are told apart by the steps of a name before its
// last (the whole name for an array's items), so that "a record" is the
// same path up to the last step.
struct RecordKey {
  std::uint64_t chunk = UINT64_MAX;
  const char* group = nullptr;
  std::int64_t record = -1;
  bool operator==(const RecordKey&) const = default;
};

std::string_view ParentSteps(const TKvsRegionNote& note) {
  const std::string_view name = note.name == nullptr ? std::string_view() : std::string_view(note.name);
  if (note.item >= 0) return name;
  const std::size_t slash = name.rfind('/');
  return slash == std::string_view::npos ? std::string_view() : name.substr(0, slash);
}

struct SameItem {
  std::string_view parent;
  std::uint32_t slot;
  TKvsRegionKind kind;
  std::uint8_t size;
  std::uint64_t bytes;
};

struct SameIndexed {
  std::uint32_t field;
  SameCount counts;
};

constexpr std::uint32_t NoSlot = UINT32_MAX;
// The bytes of records counted together, field by field: well within a
// core's own cache.
constexpr std::uint64_t BlockBytes = std::uint64_t{64} << 10;
constexpr std::size_t MaxRecordItems = 4096;

// A field of a record layout, an array's items one by one.
struct LayoutItem {
  const TKvsFieldLayout* field;
  std::uint32_t offset;
  std::int64_t item;
};

// The most a run can add to a place's counters: its name, its byte
// positions, and while values are kept, 256 of them with their texts (a
// float's "%f" text may be long).
std::size_t MostAdded(const TKvsFieldLayout& field, std::size_t nameLength) {
  std::size_t most = sizeof(PlaceCounts) + 4 * (nameLength + 32) + 96;
  if (!CountsValues(field.kind)) return most;
  const std::size_t positions = std::min<std::size_t>(field.size, MaxBytePositions);
  most += positions * (2 * sizeof(ByteCounts) + 256 * sizeof(std::uint64_t) + 16 * 16);
  if (field.size <= MaxValueSize) {
    const bool real = field.format == TKvsValueFormat::F32 || field.format == TKvsValueFormat::F64;
    most += MaxValues * (80 + (real ? 512 : 64));
  }
  return most;
}

class ValueSink : public TKvsRegionSink {
 public:
  ValueSink(const TKvsLoader& song, KindSet kinds, std::size_t budget, bool byRegion, ColumnCounter& columns)
      : song_(song),
        kinds_(kinds),
        budget_(budget),
        byRegion_(byRegion),
        columns_(columns),
        sameWanted_((kinds & (KindBit(TKvsRegionKind::Reserved) | KindBit(TKvsRegionKind::Skipped))) != 0) {}

  // TKvsRegionSink
  void Chunk(const TKvsChunkNote& chunk) override {
    EndRun();
    module_ = IsModuleChunk(chunk.id);
    label_ = module_ ? Format("Modules[%8.8x]", {chunk.id}) : ChunkIdToText(chunk.id);
    labelKey_ = chunk.id | (module_ ? std::uint64_t{1} << 32 : 0);
  }

  void Region(const TKvsRegionNote& note) override {
    EndRun();
    Advance(note.offset, note.size);
    const bool wanted = (kinds_ & KindBit(note.kind)) != 0;
    const bool sameField = sameWanted_ && !noSame_ && note.kind == TKvsRegionKind::Field && SameSize(note.size);
    if (!wanted && !sameField) return;
    const std::uint32_t slot = Slot(note, wanted);
    if (wanted) Count(slot, note.kind, note.format, note.offset, note.size);
    if (slot != NoSlot && (sameField || (wanted && !noSame_ && SameAsCandidate(note.kind, note.size))))
      NoteSame(note, slot);
  }

  void Record(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t chunk, std::int64_t record,
              std::size_t held) override {
    // Records noted one by one (a module's tracks; every event when the
    // load keeps its model) are gathered into a run while they follow each
    // other.
    if (offset == run_.next && record == run_.nextRecord && &layout == run_.layout && held == layout.size &&
        chunk == run_.chunk) {
      ++run_.count;
      run_.next += layout.size;
      ++run_.nextRecord;
      return;
    }
    if (&layout != classified_) {
      // Events come one layout after the other: what a layout asks for is
      // worked out once per change.
      classified_ = &layout;
      wanted_ = WantsAny(layout);
      gathered_ = !byRegion_ && wanted_ && !Compared(layout);
    }
    if (!wanted_ && held == layout.size) {
      // A whole record with nothing wanted is stepped over, as the census does.
      EndRun();
      Advance(offset, held);
      return;
    }
    if (gathered_ && held == layout.size && record >= 0) {
      EndRun();
      run_ = {&layout, offset, chunk, static_cast<std::uint64_t>(record), 1, offset + layout.size, record + 1};
      return;
    }
    EndRun();
    RecordByRegion(layout, offset, chunk, record, held);
  }

  // A run of whole records counted a field at a time down the run: the
  // same counts as region by region, as long as nothing can be evicted on
  // the way and each place is one field of the layout. Otherwise, and for
  // records whose fields are compared with their reserved bytes, region by
  // region.
  void Records(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t chunk, std::uint64_t first,
               std::uint64_t count) override {
    EndRun();
    CountRun(layout, offset, chunk, first, count);
  }

  SongValues Finish(std::uint64_t fileSize) {
    EndRun();
    Flush();
    if (end_ < fileSize) Unread(end_, fileSize - end_);
    SongValues song;
    song.places.Reserve(places_);
    std::vector<std::pair<const std::string*, SameCount>> same;
    for (std::size_t slot = 0; slot < places_.size(); ++slot) {
      PlaceCounts& place = places_[slot];
      if (gone_[slot] || place.count == 0) continue;
      same.clear();
      for (const SameIndexed& pair : same_[slot]) same.emplace_back(&places_[pair.field].name, pair.counts);
      song.places.Add(place, same);
      // Gone once copied, so that the song is not held twice; its name
      // stays for the places compared with it.
      place.values = {};
      place.positions = std::vector<ByteCounts>();
    }
    song.other = other_;
    for (OtherCounts& other : song.other)
      if (other.count > 0) other.files = 1;
    song.otherNames.assign(otherNames_.begin(), otherNames_.end());
    std::sort(song.otherNames.begin(), song.otherNames.end());
    song.held = used_ + song.otherNames.size() * sizeof(std::uint64_t);
    return song;
  }

 private:
  static bool SameSize(std::uint64_t size) { return size == 1 || size == 2 || size == 4 || size == 8; }

  void RecordByRegion(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t chunk, std::int64_t record,
                      std::size_t held) {
    // A whole record with nothing wanted is stepped over, as the census does.
    if (!WantsAny(layout) && held == layout.size) {
      Advance(offset, held);
      return;
    }
    // Fields of a record without reserved or skipped bytes have nothing to
    // be compared with.
    noSame_ = layout.kindBytes[static_cast<std::size_t>(TKvsRegionKind::Reserved)] == 0 &&
              layout.kindBytes[static_cast<std::size_t>(TKvsRegionKind::Skipped)] == 0;
    TKvsRegionSink::Record(layout, offset, chunk, record, held);
    noSame_ = false;
  }

  void RecordsByRegion(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t chunk, std::uint64_t first,
                       std::uint64_t count) {
    for (std::uint64_t i = 0; i < count; ++i)
      RecordByRegion(layout, offset + i * layout.size, chunk, static_cast<std::int64_t>(first + i), layout.size);
  }

  // Fields compared with reserved or skipped bytes of their record.
  bool Compared(const TKvsRecordLayout& layout) const {
    return sameWanted_ && (layout.kindBytes[static_cast<std::size_t>(TKvsRegionKind::Reserved)] > 0 ||
                           layout.kindBytes[static_cast<std::size_t>(TKvsRegionKind::Skipped)] > 0);
  }

  // Counts the records gathered so far, before any other note.
  void EndRun() {
    if (run_.count == 0) return;
    const Run run = run_;
    run_ = {};
    CountRun(*run.layout, run.offset, run.chunk, run.first, run.count);
  }

  // A run of whole records from `first` on.
  void CountRun(const TKvsRecordLayout& layout, std::uint64_t offset, std::uint64_t chunk, std::uint64_t first,
                std::uint64_t count) {
    if (count == 0) return;
    if (!WantsAny(layout)) {
      Advance(offset, layout.size * count);
      return;
    }
    if (byRegion_ || Compared(layout)) {
      RecordsByRegion(layout, offset, chunk, first, count);
      return;
    }
    Advance(offset, layout.size * count);
    runItems_.clear();
    std::size_t most = 0;
    for (const TKvsFieldLayout& field : layout.fields) {
      if (!(kinds_ & KindBit(field.kind))) continue;
      const std::size_t nameLength = label_.size() + (layout.group ? std::strlen(layout.group) : 0) + std::strlen(field.name);
      for (std::uint32_t i = 0; i < field.count; ++i) {
        runItems_.push_back({&field, field.offset + i * field.size, field.count > 1 ? std::int64_t{i} : -1});
        most += MostAdded(field, nameLength);
      }
    }
    if (used_ + most > budget_) {
      runItems_.clear();
      RecordsByRegion(layout, offset, chunk, first, count);
      return;
    }
    // The places, made in the order the first record's regions would make
    // them; the budget holds them all.
    runSlots_.clear();
    TKvsRegionNote note;
    note.chunk = chunk;
    note.group = layout.group;
    note.record = static_cast<std::int64_t>(first);
    for (const LayoutItem& item : runItems_) {
      note.offset = offset + item.offset;
      note.size = item.field->size;
      note.kind = item.field->kind;
      note.format = item.field->format;
      note.name = item.field->name;
      note.item = item.item;
      runSlots_.push_back(Slot(note, true));
    }
    std::vector<std::uint32_t> sorted = runSlots_;
    std::sort(sorted.begin(), sorted.end());
    const bool shared = std::adjacent_find(sorted.begin(), sorted.end(), [](std::uint32_t a, std::uint32_t b) {
                          return a == b && a != NoSlot;
                        }) != sorted.end();
    if (shared) {
      // Array items of one place: their order within a record matters.
      runItems_.clear();
      RecordsByRegion(layout, offset, chunk, first, count);
      return;
    }
    // A block of records at a time, every field of it, while the block is
    // still in the cache: a field at a time down a whole run of megabytes
    // would read it from memory once per field, and two jobs would share
    // the memory's bandwidth instead of each using a core.
    const std::uint64_t block = std::clamp<std::uint64_t>(BlockBytes / std::max<std::uint64_t>(layout.size, 1), 1, ColumnCounter::MaxRun);
    for (std::uint64_t done = 0; done < count; done += block) {
      const std::uint64_t n = std::min(count - done, block);
      const std::uint8_t* const records = song_.StreamData() + offset + done * layout.size;
      for (std::size_t i = 0; i < runItems_.size(); ++i)
        CountColumn(runSlots_[i], *runItems_[i].field, records + runItems_[i].offset, layout.size, n);
    }
    runItems_.clear();
  }

  bool WantsAny(const TKvsRecordLayout& layout) const {
    for (std::size_t kind = 0; kind < RegionKindCount; ++kind)
      if (layout.kindBytes[kind] > 0 && (kinds_ & KindBit(static_cast<TKvsRegionKind>(kind)))) return true;
    return false;
  }

  // One field of `n` records `stride` apart from `first`, as n Counts.
  // `n` regions of `size` bytes counted under their place's count and sizes;
  // the place to count their bytes in, or null when they went to `other_`.
  PlaceCounts* AddRegions(std::uint32_t slot, TKvsRegionKind kind, std::uint64_t size, std::uint64_t n) {
    if (slot == NoSlot || gone_[slot]) {
      other_[static_cast<std::size_t>(kind)].Add(0, n, size, size);
      return nullptr;
    }
    PlaceCounts& place = places_[slot];
    if (place.count == 0) {
      place.minSize = size;
      place.maxSize = size;
    } else {
      place.minSize = std::min(place.minSize, size);
      place.maxSize = std::max(place.maxSize, size);
    }
    place.count += n;
    return &place;
  }

  void CountColumn(std::uint32_t slot, const TKvsFieldLayout& field, const std::uint8_t* first, std::size_t stride,
                   std::uint64_t n) {
    const std::uint64_t size = field.size;
    PlaceCounts* const counted = AddRegions(slot, field.kind, size, n);
    if (counted == nullptr) return;
    PlaceCounts& place = *counted;
    if (!CountsValues(field.kind)) return;
    const std::size_t positions = std::min<std::size_t>(field.size, MaxBytePositions);
    if (place.positions.size() < positions) {
      const std::size_t before = place.positions.capacity();
      place.positions.resize(positions);
      used_ += (place.positions.capacity() - before) * sizeof(ByteCounts);
    }
    std::uint64_t valued = 0;
    if (size <= MaxValueSize) {
      place.anySmall = true;
      if (!place.valuesOverflow) {
        valued = columns_.CountValues(first, stride, field.size, n, MaxValues);
        if (valued == n) {
          for (const auto& [value, times] : columns_.Values()) AddValue(place, field, value, times);
        } else {
          // The value after the 256 counted is one more than a place keeps:
          // no need to keep any on the way.
          ForgetValues(place, field, columns_.Values());
        }
      }
    }
    if (valued < n) {
      columns_.CountBytes(first + valued * stride, stride, positions, n - valued);
      for (std::size_t p = 0; p < positions; ++p) {
        const std::uint32_t* const counts = columns_.Bytes(p);
        for (unsigned value = 0; value < 256; ++value)
          if (counts[value] > 0) used_ += place.positions[p].Add(static_cast<std::uint8_t>(value), counts[value]);
      }
    }
    if (used_ > budget_) Evict(slot);
  }

  // `times` regions of one whole value, as CountValue and the byte counts
  // of Count take them one by one.
  void AddValue(PlaceCounts& place, const TKvsFieldLayout& field, std::uint64_t value, std::uint64_t times) {
    std::uint8_t bytes[MaxValueSize];
    for (std::size_t i = 0; i < field.size; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    if (!place.valuesOverflow) {
      const ValueKey key{value, static_cast<std::uint8_t>(field.size)};
      if (const auto found = place.values.find(key); found != place.values.end()) {
        found->second.count += times;
      } else if (place.values.size() >= MaxValues) {
        DropValues(place);
      } else {
        ValueCount& added = place.values[key];
        added.count = times;
        if (field.kind == TKvsRegionKind::Field) {
          added.text = content::ValueText(field.format, bytes, field.size);
          added.hasText = true;
        }
        used_ += 80 + added.text.capacity();
      }
    }
    for (std::size_t p = 0; p < field.size; ++p) used_ += place.positions[p].Add(bytes[p], times);
  }

  // The run's values, more than a place keeps, as AddValue would take
  // them: their bytes counted, and what keeping them until the 257th would
  // have left in the budget (their texts), so that the budget stays as
  // region by region has it.
  void ForgetValues(PlaceCounts& place, const TKvsFieldLayout& field,
                    const std::vector<std::pair<std::uint64_t, std::uint64_t>>& values) {
    std::size_t kept = place.values.size();
    for (const auto& [value, times] : values) {
      std::uint8_t bytes[MaxValueSize];
      for (std::size_t i = 0; i < field.size; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
      if (kept < MaxValues && !place.values.contains(ValueKey{value, static_cast<std::uint8_t>(field.size)})) {
        ++kept;
        used_ += 80 + TextCapacity(field, bytes);
      }
      for (std::size_t p = 0; p < field.size; ++p) used_ += place.positions[p].Add(bytes[p], times);
    }
    place.valuesOverflow = true;
    used_ -= std::min(used_, MaxValues * 80);
    place.values = {};
  }

  // The memory of the text AddValue keeps beside a value. A whole number's
  // text is at most 11 characters, within what formatting reserves, so
  // its capacity is that of any other whole number's.
  static std::size_t TextCapacity(const TKvsFieldLayout& field, const std::uint8_t* bytes) {
    if (field.kind != TKvsRegionKind::Field) return std::string().capacity();
    switch (field.format) {
      case TKvsValueFormat::U8:
      case TKvsValueFormat::U16:
      case TKvsValueFormat::I16:
      case TKvsValueFormat::U32:
      case TKvsValueFormat::I32:
      case TKvsValueFormat::Hex32: {
        static const std::size_t whole = [] {
          const std::uint8_t zero[4] = {};
          return content::ValueText(TKvsValueFormat::I32, zero, 4).capacity();
        }();
        return whole;
      }
      default: return content::ValueText(field.format, bytes, field.size).capacity();
    }
  }

  void DropValues(PlaceCounts& place) {
    place.valuesOverflow = true;
    used_ -= std::min(used_, place.values.size() * 80);
    place.values = {};
  }

  // Bytes that no note claims before a region are unread, as the map has it.
  void Advance(std::uint64_t offset, std::uint64_t size) {
    if (offset > end_) Unread(end_, offset - end_);
    end_ = std::max(end_, offset + size);
  }

  void Unread(std::uint64_t offset, std::uint64_t size) {
    if (!(kinds_ & KindBit(TKvsRegionKind::Unread))) return;
    TKvsRegionNote note;
    note.offset = offset;
    note.size = size;
    note.kind = TKvsRegionKind::Unread;
    note.name = "unread";
    note.chunk = UINT64_MAX;
    const std::uint64_t label = labelKey_;
    labelKey_ = UINT64_MAX;  // no chunk: the place is "unread" alone
    const std::uint32_t slot = Slot(note, true);
    labelKey_ = label;
    Count(slot, note.kind, note.format, offset, size);
  }

  std::string PlaceName(const TKvsRegionNote& note) const {
    if (labelKey_ == UINT64_MAX) return note.name;
    std::string name = label_;
    if (note.group != nullptr) {
      name += '/';
      name += note.group;
    }
    if (note.record >= 0) name += "/*";
    if (note.name != nullptr) {
      name += '/';
      name += note.name;
    }
    if (note.item >= 0) name += "/*";
    return name;
  }

  // The place of a note, made when first met; NoSlot when it does not fit
  // and its regions go to "(other places)". An evicted place keeps its slot
  // and name: its regions count there, and as a field it is still compared.
  std::uint32_t Slot(const TKvsRegionNote& note, bool wanted) {
    const NoteKey key{labelKey_, note.group, note.name,
                      static_cast<std::uint8_t>((note.record >= 0 ? 1 : 0) | (note.item >= 0 ? 2 : 0)), note.kind};
    // The fields of a record come round again and again: a small table of
    // recent keys finds them without hashing the whole key.
    Recent& recent = recent_[(reinterpret_cast<std::uintptr_t>(note.name) >> 3 ^ labelKey_ * 31 ^ key.steps) % recent_.size()];
    if (recent.used && recent.key == key) return recent.slot;
    if (const auto found = byNote_.find(key); found != byNote_.end()) {
      recent = {key, found->second, true};
      return found->second;
    }
    std::string name = PlaceName(note);
    std::string placeKey = PlaceKey(name, note.kind);
    std::uint32_t slot = NoSlot;
    if (const auto found = byName_.find(placeKey); found != byName_.end()) {
      slot = found->second;
    } else {
      const std::size_t cost = sizeof(PlaceCounts) + 2 * name.capacity() + 96;
      if (places_.size() < MaxPlaces && used_ + cost <= budget_) {
        used_ += cost;
        slot = static_cast<std::uint32_t>(places_.size());
        PlaceCounts& place = places_.emplace_back();
        place.name = std::move(name);
        place.kind = note.kind;
        gone_.push_back(false);
        same_.emplace_back();
        byName_.emplace(std::move(placeKey), slot);
      } else if (wanted && otherNames_.size() < MaxOtherNames) {
        otherNames_.insert(PlaceHash(name, note.kind));
      }
    }
    if (slot != NoSlot && byNote_.size() < MaxNoteKeys) byNote_.emplace(key, slot);
    if (slot != NoSlot) recent = {key, slot, true};
    return slot;
  }

  void Count(std::uint32_t slot, TKvsRegionKind kind, TKvsValueFormat format, std::uint64_t offset,
             std::uint64_t size) {
    PlaceCounts* const counted = AddRegions(slot, kind, size, 1);
    if (counted == nullptr) return;
    PlaceCounts& place = *counted;
    if (!CountsValues(kind)) return;
    const std::uint8_t* bytes = song_.StreamData() + offset;
    std::size_t grown = 0;
    if (size <= MaxValueSize) {
      place.anySmall = true;
      if (!place.valuesOverflow) grown += CountValue(place, kind, format, bytes, size);
    }
    const std::size_t positions = static_cast<std::size_t>(std::min<std::uint64_t>(size, MaxBytePositions));
    if (place.positions.size() < positions) {
      const std::size_t before = place.positions.capacity();
      place.positions.resize(positions);
      grown += (place.positions.capacity() - before) * sizeof(ByteCounts);
    }
    ByteCounts* counts = place.positions.data();
    for (std::size_t p = 0; p < positions; ++p) grown += counts[p].Add(bytes[p]);
    if (grown > 0) {
      used_ += grown;
      if (used_ > budget_) Evict(slot);
    }
  }

  std::size_t CountValue(PlaceCounts& place, TKvsRegionKind kind, TKvsValueFormat format, const std::uint8_t* bytes,
                         std::uint64_t size) {
    const ValueKey key = MakeValueKey(bytes, static_cast<std::size_t>(size));
    if (const auto found = place.values.find(key); found != place.values.end()) {
      ++found->second.count;
      return 0;
    }
    if (place.values.size() >= MaxValues) {
      DropValues(place);
      return 0;
    }
    ValueCount& value = place.values[key];
    value.count = 1;
    if (kind == TKvsRegionKind::Field) {
      value.text = content::ValueText(format, bytes, size);
      value.hasText = true;
    }
    return 80 + value.text.capacity();
  }

  void Evict(std::uint32_t slot) {
    PlaceCounts& place = places_[slot];
    used_ -= std::min(used_, place.Cost());
    if (otherNames_.size() < MaxOtherNames) otherNames_.insert(PlaceHash(place.name, place.kind));
    other_[static_cast<std::size_t>(place.kind)].Add(0, place.count, place.minSize, place.maxSize);
    PlaceCounts emptied;
    emptied.name = std::move(place.name);
    emptied.kind = place.kind;
    place = std::move(emptied);
    same_[slot] = {};
    gone_[slot] = true;
  }

  void NoteSame(const TKvsRegionNote& note, std::uint32_t slot) {
    const RecordKey record{note.chunk, note.group, note.record};
    if (!(record == record_)) {
      Flush();
      record_ = record;
    }
    // A record is a few hundred regions at most; a run longer than this is
    // compared in pieces rather than pair by pair across all of it.
    if (items_.size() >= MaxRecordItems) Flush();
    const std::uint8_t* bytes = song_.StreamData() + note.offset;
    items_.push_back({ParentSteps(note), slot, note.kind, static_cast<std::uint8_t>(note.size),
                      MakeValueKey(bytes, static_cast<std::size_t>(note.size)).bytes});
  }

  // Compares each reserved or skipped region of the record with each field
  // of its size.
  void Flush() {
    for (const SameItem& region : items_) {
      if (region.kind == TKvsRegionKind::Field || gone_[region.slot]) continue;
      std::vector<SameIndexed>& pairs = same_[region.slot];
      for (const SameItem& field : items_) {
        if (field.kind != TKvsRegionKind::Field || field.size != region.size || field.parent != region.parent) continue;
        auto pair = std::find_if(pairs.begin(), pairs.end(), [&](const SameIndexed& p) { return p.field == field.slot; });
        if (pair == pairs.end()) {
          pairs.push_back({field.slot, {}});
          used_ += sizeof(SameIndexed) + 64;
          pair = pairs.end() - 1;
        }
        ++pair->counts.records;
        if (field.bytes == region.bytes) ++pair->counts.equal;
      }
    }
    items_.clear();
  }

  const TKvsLoader& song_;
  const KindSet kinds_;
  const std::size_t budget_;
  const bool byRegion_;
  ColumnCounter& columns_;
  const bool sameWanted_;
  std::size_t used_ = 0;
  std::string label_;
  std::uint64_t labelKey_ = 0;
  bool module_ = false;
  std::uint64_t end_ = 0;
  std::vector<PlaceCounts> places_;
  std::vector<bool> gone_;
  std::vector<std::vector<SameIndexed>> same_;
  struct Recent {
    NoteKey key{};
    std::uint32_t slot = NoSlot;
    bool used = false;
  };
  std::array<Recent, 64> recent_{};
  bool noSame_ = false;
  std::unordered_map<NoteKey, std::uint32_t, NoteKeyHash> byNote_;
  std::unordered_map<std::string, std::uint32_t> byName_;
  std::array<OtherCounts, RegionKindCount> other_{};
  std::unordered_set<std::uint64_t> otherNames_;
  RecordKey record_;
  std::vector<SameItem> items_;
  std::vector<LayoutItem> runItems_;
  std::vector<std::uint32_t> runSlots_;
  struct Run {
    const TKvsRecordLayout* layout = nullptr;
    std::uint64_t offset = 0;
    std::uint64_t chunk = 0;
    std::uint64_t first = 0;
    std::uint64_t count = 0;
    std::uint64_t next = UINT64_MAX;  // where the next record of the run would start
    std::int64_t nextRecord = -1;
  };
  Run run_;  // records noted one by one, not yet counted
  const TKvsRecordLayout* classified_ = nullptr;
  bool wanted_ = false;    // of classified_: holds bytes of a kind counted
  bool gathered_ = false;  // its records go into runs
};

}  // namespace

SongValues StudySongValues(const std::string& file, KindSet kinds, std::size_t budget, bool byRegion) {
  TKvsLoader loader;
  // The run counters' tables, kept by each worker from song to song.
  thread_local ColumnCounter columns;
  ValueSink sink(loader, kinds, budget, byRegion, columns);
  loader.SetRegionSink(&sink);
  // Nothing here needs the model: the regions are those of the song's map,
  // which is read so too.
  if (!byRegion) loader.SetRegionsOnly();
  const LoadResult result = LoadSong(loader, file);
  SongValues song = sink.Finish(loader.StreamSize());
  song.file = file;
  song.size = loader.StreamSize();
  song.outcome = result.outcome;
  song.errorUtf8 = result.errorUtf8;
  return song;
}

void AddSongValues(ValueCensus& census, SongValues&& song) {
  ValueTotals& totals = census.Totals();
  ++totals.files;
  totals.bytes += song.size;
  switch (song.outcome) {
    case Outcome::Loaded: ++totals.loaded; break;
    case Outcome::Rejected: ++totals.rejected; break;
    case Outcome::Failed: ++totals.failed; break;
  }
  std::array<bool, RegionKindCount> other{};
  for (const SongPlaces::Place& place : song.places.Places()) {
    bool gone = false;
    if (PlaceCounts* const kept = census.Kept(song.places.Key(place), gone)) {
      census.Grown(*kept, kept->MergeFrom(SongPlaces::Source(song.places, place)));
    } else if (!census.AddPlace(song.places.ToCounts(place))) {  // new, or gone to "(other places)"
      other[static_cast<std::size_t>(place.kind)] = true;
    }
  }
  for (std::size_t kind = 0; kind < RegionKindCount; ++kind) {
    census.AddOther(static_cast<TKvsRegionKind>(kind), {0, song.other[kind].count, song.other[kind].minSize,
                                                        song.other[kind].maxSize});
    if (other[kind] || song.other[kind].count > 0) census.AddOtherFiles(static_cast<TKvsRegionKind>(kind), 1, false);
  }
  census.AddOtherNames(song.otherNames);
}

}  // namespace tarvo::kvsdump
