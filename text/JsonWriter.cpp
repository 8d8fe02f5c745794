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

void AppendJsonString(std::string& out, std::string_view utf8) {
  out += '"';
  std::array<char, 8> scratch{};
  std::size_t plain = 0;  // start of the run not yet copied
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const char* escape = EscapeOf(static_cast<unsigned char>(utf8[i]), scratch);
    if (escape == nullptr) continue;
    out.append(utf8.data() + plain, i - plain);
    out += escape;
    plain = i + 1;
  }
  out.append(utf8.data() + plain, utf8.size() - plain);
  out += '"';
}

void AppendJsonLatin1(std::string& out, std::string_view latin1) {
  out += '"';
  std::array<char, 8> scratch{};
  std::size_t plain = 0;
  for (std::size_t i = 0; i < latin1.size(); ++i) {
    const auto c = static_cast<unsigned char>(latin1[i]);
    if (c >= 0x80) {
      out.append(latin1.data() + plain, i - plain);
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
      plain = i + 1;
      continue;
    }
    const char* escape = EscapeOf(c, scratch);
    if (escape == nullptr) continue;
    out.append(latin1.data() + plain, i - plain);
    out += escape;
    plain = i + 1;
  }
  out.append(latin1.data() + plain, latin1.size() - plain);
  out += '"';
}

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
