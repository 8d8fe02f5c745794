#include "text/JsonWriter.h"

#include <array>
#include <charconv>
#include <cmath>

namespace tarvo {

namespace {

constexpr std::size_t FlushAt = 1 << 16;

// The escape of one byte below 0x20, or of '"' and '\\'; nullptr when the
// byte stands as it is.
const char* EscapeOf(unsigned char c, std::array<char, 8>& scratch) {
  switch (c) {
    case '"': return "\\\"";
    case '\\': return "\\\\";
    case '\b': return "\\b";
    case '\f': return "\\f";
    case '\n': return "\\n";
    case '\r': return "\\r";
    case '\t': return "\\t";
    default: break;
  }
  if (c >= 0x20) return nullptr;
  static constexpr char Hex[] = "0123456789abcdef";
  scratch = {'\\', 'u', '0', '0', Hex[c >> 4], Hex[c & 15], 0, 0};
  return scratch.data();
}

}  // namespace

namespace {

// What a byte needs in a JSON string: nothing (most), an escape, or (in an
// 8-bit text) two bytes of UTF-8. Runs of plain bytes are copied whole.
enum : unsigned char { Plain, Escape, HighLatin1 };

constexpr std::array<unsigned char, 256> ByteClasses() {
  std::array<unsigned char, 256> classes{};
  for (unsigned c = 0; c < 256; ++c) classes[c] = c < 0x20 || c == '"' || c == '\\' ? Escape : c >= 0x80 ? HighLatin1 : Plain;
  return classes;
}
constexpr std::array<unsigned char, 256> Classes = ByteClasses();

// Appends `text` quoted; a byte of class HighLatin1 is taken as plain UTF-8
// unless `latin1`.
void AppendQuoted(std::string& out, std::string_view text, bool latin1) {
  out += '"';
  std::array<char, 8> scratch{};
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  const char* plain = begin;  // start of the run not yet copied
  for (const char* p = begin; p != end; ++p) {
    const unsigned char c = Classes[static_cast<unsigned char>(*p)];
    if (c == Plain || (c == HighLatin1 && !latin1)) continue;
    out.append(plain, static_cast<std::size_t>(p - plain));
    plain = p + 1;
    const auto byte = static_cast<unsigned char>(*p);
    if (c == HighLatin1) {
      const char pair[] = {static_cast<char>(0xC0 | (byte >> 6)), static_cast<char>(0x80 | (byte & 0x3F))};
      out.append(pair, 2);
    } else {
      out += EscapeOf(byte, scratch);
    }
  }
  out.append(plain, static_cast<std::size_t>(end - plain));
  out += '"';
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view utf8) { AppendQuoted(out, utf8, false); }

void AppendJsonLatin1(std::string& out, std::string_view latin1) { AppendQuoted(out, latin1, true); }

JsonWriter::JsonWriter(std::ostream& out) : out_(out) { buffer_.reserve(FlushAt + 4096); }

JsonWriter::~JsonWriter() {
  // A stream that fails here says so through its own state; a destructor
  // must not throw.
  try {
    Flush();
  } catch (...) {
  }
}

void JsonWriter::Flush() {
  if (buffer_.empty()) return;
  out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  buffer_.clear();
}

void JsonWriter::MaybeFlush() {
  if (buffer_.size() >= FlushAt) Flush();
}

void JsonWriter::NewLine(std::size_t depth) {
  buffer_ += '\n';
  buffer_.append(depth * 2, ' ');
}

void JsonWriter::BeforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (levels_.empty()) return;
  Level& level = levels_.back();
  if (!level.empty) buffer_ += level.layout == Layout::Spaced ? ", " : ",";
  if (level.layout == Layout::Indented) NewLine(levels_.size());
  level.empty = false;
}

void JsonWriter::Begin(char bracket, bool object, Layout layout) {
  BeforeValue();
  buffer_ += bracket;
  levels_.push_back({layout, object, true});
}

void JsonWriter::End(char bracket) {
  const Level level = levels_.back();
  levels_.pop_back();
  if (level.layout == Layout::Indented && !level.empty) NewLine(levels_.size());
  buffer_ += bracket;
  MaybeFlush();
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
  AppendJsonString(buffer_, utf8);
  buffer_ += levels_.empty() || levels_.back().layout == Layout::Compact ? ":" : ": ";
  afterKey_ = true;
  return *this;
}

JsonWriter& JsonWriter::String(std::string_view utf8) {
  BeforeValue();
  AppendJsonString(buffer_, utf8);
  MaybeFlush();
  return *this;
}

JsonWriter& JsonWriter::Latin1(std::string_view latin1) {
  BeforeValue();
  AppendJsonLatin1(buffer_, latin1);
  MaybeFlush();
  return *this;
}

JsonWriter& JsonWriter::Number(std::int64_t value) {
  BeforeValue();
  char text[24];
  const auto result = std::to_chars(text, text + sizeof text, value);
  buffer_.append(text, result.ptr);
  return *this;
}

JsonWriter& JsonWriter::Number(std::uint64_t value) {
  BeforeValue();
  char text[24];
  const auto result = std::to_chars(text, text + sizeof text, value);
  buffer_.append(text, result.ptr);
  return *this;
}

JsonWriter& JsonWriter::Double(double value) {
  if (!std::isfinite(value)) return Null();
  BeforeValue();
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  buffer_.append(text, result.ptr);
  return *this;
}

JsonWriter& JsonWriter::Fixed(double value, int decimals) {
  if (!std::isfinite(value)) return Null();
  BeforeValue();
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  buffer_.append(text, result.ptr);
  return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
  BeforeValue();
  buffer_ += value ? "true" : "false";
  return *this;
}

JsonWriter& JsonWriter::Null() {
  BeforeValue();
  buffer_ += "null";
  return *this;
}

JsonWriter& JsonWriter::Raw(std::string_view json) {
  BeforeValue();
  buffer_ += json;
  MaybeFlush();
  return *this;
}

JsonWriter& JsonWriter::EndLine() {
  buffer_ += '\n';
  Flush();
  return *this;
}

}  // namespace tarvo
