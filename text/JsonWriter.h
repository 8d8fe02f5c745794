#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// Writes JSON straight to a stream as it is made: every JSON output of the
// program goes through this one writer, so a document of millions of values
// costs a small buffer and the depth of its nesting, never the document.
namespace tarvo {

class JsonWriter {
 public:
  // How a container lays out its members.
  enum class Layout : std::uint8_t {
    Compact,   // [1,2] {"a":1}
    Spaced,    // [1, 2] {"a": 1}  (one line, readable)
    Indented,  // each member on its own line, two spaces a level deeper
  };

  explicit JsonWriter(std::ostream& out);
  ~JsonWriter();  // flushes what is buffered
  JsonWriter(const JsonWriter&) = delete;
  JsonWriter& operator=(const JsonWriter&) = delete;

  JsonWriter& BeginObject(Layout layout = Layout::Spaced);
  JsonWriter& EndObject();
  JsonWriter& BeginArray(Layout layout = Layout::Spaced);
  JsonWriter& EndArray();

  // A member's key (UTF-8); the next value is its value.
  JsonWriter& Key(std::string_view utf8);

  JsonWriter& String(std::string_view utf8);    // UTF-8 text, exact, with JSON's escapes
  JsonWriter& Latin1(std::string_view latin1);  // 8-bit song text, as UTF-8
  JsonWriter& Number(std::int64_t value);
  JsonWriter& Number(std::uint64_t value);
  JsonWriter& Number(int value) { return Number(static_cast<std::int64_t>(value)); }
  JsonWriter& Number(unsigned value) { return Number(static_cast<std::uint64_t>(value)); }
  JsonWriter& Number(long long value) { return Number(static_cast<std::int64_t>(value)); }
  JsonWriter& Number(unsigned long long value) { return Number(static_cast<std::uint64_t>(value)); }
  // Shortest text that reads back as the same double; non-finite as null.
  JsonWriter& Double(double value);
  // A double with `decimals` digits after the point ("5.1").
  JsonWriter& Fixed(double value, int decimals);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();
  // A value already written as JSON (trusted, e.g. a number's text).
  JsonWriter& Raw(std::string_view json);

  // Ends a top-level value with a line feed (newline-delimited JSON) and
  // hands the buffer to the stream.
  JsonWriter& EndLine();
  void Flush();

  // Whole member shorthands.
  template <class T>
  JsonWriter& Member(std::string_view key, const T& value) {
    Key(key);
    return Value(value);
  }

 private:
  struct Level {
    Layout layout;
    bool object;
    bool empty;
  };

  JsonWriter& Value(std::string_view utf8) { return String(utf8); }
  JsonWriter& Value(const std::string& utf8) { return String(utf8); }
  JsonWriter& Value(const char* utf8) { return String(utf8); }
  JsonWriter& Value(bool value) { return Bool(value); }
  template <class T>
  JsonWriter& Value(const T& value) {
    return Number(value);
  }

  void BeforeValue();
  void Begin(char bracket, bool object, Layout layout);
  void End(char bracket);
  void NewLine(std::size_t depth);
  // At least `count` bytes free at the end of the buffer (flushing what it
  // holds when they are not); returns where they start.
  char* Room(std::size_t count);
  char* MakeRoom(std::size_t count);
  void Put(char c);
  void Put(std::string_view text);
  void Quoted(std::string_view text, bool latin1);

  std::ostream& out_;
  // A plain array, not a string: values are written straight into it, with
  // the room for the worst case asked for once per value.
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_;
  std::size_t size_ = 0;
  std::vector<Level> levels_;
  bool afterKey_ = false;
};

// Appends `utf8` as a quoted JSON string, with JSON's escapes (control
// characters as \b \t \n \f \r or \u00XX, quote and backslash escaped; all
// else as it is).
void AppendJsonString(std::string& out, std::string_view utf8);
// The same for an 8-bit song text, decoded as ISO-8859-1.
void AppendJsonLatin1(std::string& out, std::string_view latin1);

}  // namespace tarvo
