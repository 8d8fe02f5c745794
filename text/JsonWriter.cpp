#include "text/JsonWriter.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

#include "text/ShortCopy.h"

namespace tarvo {

namespace {

// Output goes to the stream in writes of about this size.
constexpr std::size_t FlushAt = 1 << 18;
// Texts are escaped this many bytes at a time, so that the room asked for
// (six bytes a byte at worst) stays small however long a text is.
constexpr std::size_t Piece = 4096;
constexpr std::size_t MostPerByte = 6;  // \u00XX
constexpr std::size_t Capacity = FlushAt + MostPerByte * Piece + 64;

// What a byte needs in a JSON string: nothing (most), an escape, or (in an
// 8-bit text) two bytes of UTF-8.
enum : unsigned char { Plain, Escape, HighLatin1 };

constexpr std::array<unsigned char, 256> ByteClasses() {
  std::array<unsigned char, 256> classes{};
  for (unsigned c = 0; c < 256; ++c) classes[c] = c < 0x20 || c == '"' || c == '\\' ? Escape : c >= 0x80 ? HighLatin1 : Plain;
  return classes;
}
constexpr std::array<unsigned char, 256> Classes = ByteClasses();

// Whether none of sixteen bytes needs more than a copy: none below 0x20,
// no quote or backslash, and, in an 8-bit text, none from 0x80. Written
// with the compiler's vectors, which every target has in some width.
using Bytes16 = unsigned char __attribute__((vector_size(16)));

bool AllPlain(const char* p, bool latin1) {
  Bytes16 x;
  std::memcpy(&x, p, sizeof x);
  auto special = (x < 0x20) | (x == '"') | (x == '\\');
  if (latin1) special |= x >= 0x80;
  std::uint64_t halves[2];
  static_assert(sizeof halves == sizeof special);
  std::memcpy(halves, &special, sizeof halves);
  return (halves[0] | halves[1]) == 0;
}

// The same for eight bytes, in one word: each test is exact about whether
// any byte matches, which is all that is asked.
bool AllPlain8(const char* p, bool latin1) {
  constexpr std::uint64_t Ones = 0x0101010101010101;
  constexpr std::uint64_t Highs = 0x8080808080808080;
  std::uint64_t x;
  std::memcpy(&x, p, sizeof x);
  const auto anyZero = [](std::uint64_t v) { return (v - Ones) & ~v & Highs; };
  std::uint64_t special = ((x - Ones * 0x20) & ~x & Highs) | anyZero(x ^ (Ones * '"')) | anyZero(x ^ (Ones * '\\'));
  if (latin1) special |= x & Highs;
  return special == 0;
}

char* EscapeByte(char* out, unsigned char byte, bool latin1) {
  const unsigned char c = Classes[byte];
  if (c == Plain || (c == HighLatin1 && !latin1)) {
    *out++ = static_cast<char>(byte);
  } else if (c == HighLatin1) {
    *out++ = static_cast<char>(0xC0 | (byte >> 6));
    *out++ = static_cast<char>(0x80 | (byte & 0x3F));
  } else {
    *out++ = '\\';
    switch (byte) {
      case '"': *out++ = '"'; break;
      case '\\': *out++ = '\\'; break;
      case '\b': *out++ = 'b'; break;
      case '\f': *out++ = 'f'; break;
      case '\n': *out++ = 'n'; break;
      case '\r': *out++ = 'r'; break;
      case '\t': *out++ = 't'; break;
      default: {
        static constexpr char Hex[] = "0123456789abcdef";
        const char code[] = {'u', '0', '0', Hex[byte >> 4], Hex[byte & 15]};
        std::memcpy(out, code, sizeof code);
        out += sizeof code;
      }
    }
  }
  return out;
}

// Writes [p, end) escaped at `out`, which has room for MostPerByte bytes a
// byte; returns the end of what was written. Texts are mostly plain, so
// they are looked at sixteen bytes at a time and copied whole.
char* EscapeInto(char* out, const char* p, const char* const end, bool latin1) {
  constexpr std::ptrdiff_t Block = 16;
  const std::ptrdiff_t length = end - p;
  if (length >= Block) {
    while (end - p >= Block) {
      if (AllPlain(p, latin1)) {
        std::memcpy(out, p, Block);
        out += Block;
        p += Block;
      } else {
        for (const char* const stop = p + Block; p != stop; ++p)
          out = EscapeByte(out, static_cast<unsigned char>(*p), latin1);
      }
    }
    // The last few bytes: when the sixteen that end the text are all plain,
    // those before the rest were copied as they are, so writing all sixteen
    // again over their copies is right.
    if (p != end && AllPlain(end - Block, latin1)) {
      const std::ptrdiff_t rest = end - p;
      std::memcpy(out + rest - Block, end - Block, Block);
      return out + rest;
    }
  } else if (length >= 8 && AllPlain8(p, latin1) && AllPlain8(end - 8, latin1)) {
    // Short texts (most keys and cells): two words that may overlap.
    std::memcpy(out, p, 8);
    std::memcpy(out + length - 8, end - 8, 8);
    return out + length;
  }
  for (; p != end; ++p) out = EscapeByte(out, static_cast<unsigned char>(*p), latin1);
  return out;
}

// Appends `text` quoted; a byte from 0x80 is taken as plain UTF-8 unless
// `latin1`.
void AppendQuoted(std::string& out, std::string_view text, bool latin1) {
  out += '"';
  std::size_t done = 0;
  while (done < text.size()) {
    const std::size_t count = std::min(Piece, text.size() - done);
    const std::size_t at = out.size();
    out.resize(at + MostPerByte * count);
    char* const written = EscapeInto(out.data() + at, text.data() + done, text.data() + done + count, latin1);
    out.resize(static_cast<std::size_t>(written - out.data()));
    done += count;
  }
  out += '"';
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view utf8) { AppendQuoted(out, utf8, false); }

void AppendJsonLatin1(std::string& out, std::string_view latin1) { AppendQuoted(out, latin1, true); }

JsonWriter::JsonWriter(std::ostream& out)
    : out_(out), buffer_(std::make_unique_for_overwrite<char[]>(Capacity)), capacity_(Capacity) {}

JsonWriter::~JsonWriter() {
  // A stream that fails here says so through its own state; a destructor
  // must not throw.
  try {
    Flush();
  } catch (...) {
  }
}

void JsonWriter::Flush() {
  if (size_ == 0) return;
  // Emptied first: a stream that throws must not see the same bytes again.
  const std::size_t count = size_;
  size_ = 0;
  out_.write(buffer_.get(), static_cast<std::streamsize>(count));
}

// Room, Put: inline here, where every caller is.
inline char* JsonWriter::Room(std::size_t count) {
  return capacity_ - size_ >= count && size_ < FlushAt ? buffer_.get() + size_ : MakeRoom(count);
}

char* JsonWriter::MakeRoom(std::size_t count) {
  Flush();
  if (capacity_ < count) {
    buffer_ = std::make_unique_for_overwrite<char[]>(count);
    capacity_ = count;
  }
  return buffer_.get();
}

inline void JsonWriter::Put(char c) {
  *Room(1) = c;
  ++size_;
}

inline void JsonWriter::Put(std::string_view text) {
  if (text.size() <= 16) {
    CopyShort(Room(text.size()), text.data(), text.size());
    size_ += text.size();
    return;
  }
  while (!text.empty()) {
    const std::size_t count = std::min(Piece, text.size());
    std::memcpy(Room(count), text.data(), count);
    size_ += count;
    text.remove_prefix(count);
  }
}

void JsonWriter::Quoted(std::string_view text, bool latin1) {
  const char* p = text.data();
  const char* const end = p + text.size();
  std::size_t count = std::min(Piece, text.size());
  char* out = Room(MostPerByte * count + 2);
  *out++ = '"';
  for (;;) {
    out = EscapeInto(out, p, p + count, latin1);
    p += count;
    if (p == end) break;
    size_ = static_cast<std::size_t>(out - buffer_.get());
    count = std::min(Piece, static_cast<std::size_t>(end - p));
    out = Room(MostPerByte * count + 1);
  }
  *out++ = '"';
  size_ = static_cast<std::size_t>(out - buffer_.get());
}

void JsonWriter::NewLine(std::size_t depth) {
  static constexpr std::string_view Blanks =
      "\n                                                                ";
  std::size_t blanks = depth * 2;
  const std::size_t first = std::min(blanks, Blanks.size() - 1);
  // All of Blanks copied, of a size known here, and only what is needed
  // kept: cheaper than a copy of the size needed.
  std::memcpy(Room(Blanks.size()), Blanks.data(), Blanks.size());
  size_ += 1 + first;
  for (blanks -= first; blanks > 0;) {
    const std::size_t count = std::min(blanks, Blanks.size() - 1);
    Put(Blanks.substr(1, count));
    blanks -= count;
  }
}

void JsonWriter::BeforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (levels_.empty()) return;
  Level& level = levels_.back();
  if (!level.empty) Put(level.layout == Layout::Spaced ? std::string_view(", ") : std::string_view(","));
  if (level.layout == Layout::Indented) NewLine(levels_.size());
  level.empty = false;
}

void JsonWriter::Begin(char bracket, bool object, Layout layout) {
  BeforeValue();
  Put(bracket);
  levels_.push_back({layout, object, true});
}

void JsonWriter::End(char bracket) {
  const Level level = levels_.back();
  levels_.pop_back();
  if (level.layout == Layout::Indented && !level.empty) NewLine(levels_.size());
  Put(bracket);
}

JsonWriter& JsonWriter::BeginObject(Layout layout) {
  Begin('{', true, layout);
  return *this;
}

JsonWriter& JsonWriter::EndObject() {
  End('}');
  return *this;
}

JsonWriter& JsonWriter::BeginArray(Layout layout) {
  Begin('[', false, layout);
  return *this;
}

JsonWriter& JsonWriter::EndArray() {
  End(']');
  return *this;
}

JsonWriter& JsonWriter::Key(std::string_view utf8) {
  BeforeValue();
  Quoted(utf8, false);
  Put(levels_.empty() || levels_.back().layout == Layout::Compact ? std::string_view(":") : std::string_view(": "));
  afterKey_ = true;
  return *this;
}

JsonWriter& JsonWriter::String(std::string_view utf8) {
  BeforeValue();
  Quoted(utf8, false);
  return *this;
}

JsonWriter& JsonWriter::Latin1(std::string_view latin1) {
  BeforeValue();
  Quoted(latin1, true);
  return *this;
}

JsonWriter& JsonWriter::Number(std::int64_t value) {
  BeforeValue();
  char text[24];
  const auto result = std::to_chars(text, text + sizeof text, value);
  Put(std::string_view(text, static_cast<std::size_t>(result.ptr - text)));
  return *this;
}

JsonWriter& JsonWriter::Number(std::uint64_t value) {
  BeforeValue();
  char text[24];
  const auto result = std::to_chars(text, text + sizeof text, value);
  Put(std::string_view(text, static_cast<std::size_t>(result.ptr - text)));
  return *this;
}

JsonWriter& JsonWriter::Double(double value) {
  if (!std::isfinite(value)) return Null();
  BeforeValue();
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  Put(std::string_view(text, static_cast<std::size_t>(result.ptr - text)));
  return *this;
}

JsonWriter& JsonWriter::Fixed(double value, int decimals) {
  if (!std::isfinite(value)) return Null();
  BeforeValue();
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  Put(std::string_view(text, static_cast<std::size_t>(result.ptr - text)));
  return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
  BeforeValue();
  Put(value ? std::string_view("true") : std::string_view("false"));
  return *this;
}

JsonWriter& JsonWriter::Null() {
  BeforeValue();
  Put(std::string_view("null"));
  return *this;
}

JsonWriter& JsonWriter::Raw(std::string_view json) {
  BeforeValue();
  Put(json);
  return *this;
}

JsonWriter& JsonWriter::EndLine() {
  Put('\n');
  Flush();
  return *this;
}

}  // namespace tarvo
