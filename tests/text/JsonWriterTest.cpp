#include "text/JsonWriter.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace tarvo {
namespace {

TEST(JsonWriter, LaysOutEachContainerAsAskedAndPutsCommasOnlyBetweenItems) {
  std::ostringstream out;
  {
    JsonWriter json(out);
    json.BeginObject(JsonWriter::Layout::Indented);
    json.Member("n", 1).Member("s", "x");
    json.Key("compact").BeginArray(JsonWriter::Layout::Compact).Number(-1).Bool(true).Null().EndArray();
    json.Key("spaced").BeginObject().Member("a", std::uint64_t{18446744073709551615u}).Key("b").Fixed(5.06, 1);
    json.EndObject();
    json.Key("empty").BeginArray(JsonWriter::Layout::Indented).EndArray();
    json.EndObject().EndLine();
  }
  EXPECT_EQ(out.str(),
            "{\n  \"n\": 1,\n  \"s\": \"x\",\n  \"compact\": [-1,true,null],\n"
            "  \"spaced\": {\"a\": 18446744073709551615, \"b\": 5.1},\n  \"empty\": []\n}\n");

  // Deeper than the blanks the writer keeps at hand.
  std::ostringstream deep;
  std::string expected;
  {
    JsonWriter json(deep);
    for (std::size_t depth = 0; depth < 40; ++depth) {
      json.BeginArray(JsonWriter::Layout::Indented);
      expected += "[\n" + std::string(2 * (depth + 1), ' ');
    }
    json.Number(7);
    expected += "7";
    for (std::size_t depth = 40; depth-- > 0;) {
      json.EndArray();
      expected += "\n" + std::string(2 * depth, ' ') + "]";
    }
  }
  EXPECT_EQ(deep.str(), expected);
}

TEST(JsonWriter, EscapesControlsQuotesAndBackslashesAndDecodesLatin1) {
  std::string utf8;
  AppendJsonString(utf8, std::string("a\"\\\b\f\n\r\t\x01\x1F\x7F\xC3\xA9", 13));
  EXPECT_EQ(utf8, "\"a\\\"\\\\\\b\\f\\n\\r\\t\\u0001\\u001f\x7F\xC3\xA9\"");
  std::string latin1;
  AppendJsonLatin1(latin1, std::string("\xE9\x80<\x00>", 5));
  EXPECT_EQ(latin1, std::string("\"\xC3\xA9\xC2\x80<\\u0000>\""));
}

// Texts are looked at eight bytes at a time and escaped in pieces of a few
// kilobytes into a buffer flushed as it fills: every byte value at every
// position of a block, and texts longer than a piece and than the buffer,
// must come out as escaping byte by byte gives them.
TEST(JsonWriter, LongTextsAndEveryBytePositionComeOutAsEscapedByteByByte) {
  const auto byteByByte = [](std::string_view text, bool latin1) {
    std::string expected = "\"";
    for (const char c : text) {
      std::string one;
      if (latin1) AppendJsonLatin1(one, std::string_view(&c, 1)); else AppendJsonString(one, std::string_view(&c, 1));
      expected += one.substr(1, one.size() - 2);
    }
    return expected + "\"";
  };
  std::string text;
  for (unsigned byte = 0; byte < 256; ++byte) {
    for (std::size_t at = 0; at < 9; ++at) {
      text += std::string(at, 'a');
      text += static_cast<char>(byte);
      text += "bcdefghij";
    }
  }
  while (text.size() < 700000) text += text.substr(0, 50000);  // past a piece and the buffer
  // Short texts, each with one byte to escape anywhere in its last eight.
  std::vector<std::string> texts = {text, ""};
  for (std::size_t length = 1; length <= 20; ++length)
    for (std::size_t at = 0; at < length; ++at)
      for (const char special : {'\x01', '"', '\\', '\x7F', '\xE9'}) {
        texts.push_back(std::string(length, 'x'));
        texts.back()[at] = special;
      }
  for (const bool latin1 : {false, true}) {
    std::ostringstream out;
    std::string expected = "[";
    {
      JsonWriter json(out);
      json.BeginArray(JsonWriter::Layout::Compact);
      for (const std::string& one : texts) {
        if (latin1) json.Latin1(one); else json.String(one);
        expected += byteByByte(one, latin1) + ",";
      }
      json.EndArray().EndLine();
    }
    expected.back() = ']';
    EXPECT_EQ(out.str(), expected + "\n") << latin1;
  }
}

}  // namespace
}  // namespace tarvo
