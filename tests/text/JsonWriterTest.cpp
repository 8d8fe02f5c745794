#include "text/JsonWriter.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

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
}

TEST(JsonWriter, EscapesControlsQuotesAndBackslashesAndDecodesLatin1) {
  std::string utf8;
  AppendJsonString(utf8, std::string("a\"\\\b\f\n\r\t\x01\x1F\x7F\xC3\xA9", 13));
  EXPECT_EQ(utf8, "\"a\\\"\\\\\\b\\f\\n\\r\\t\\u0001\\u001f\x7F\xC3\xA9\"");
  std::string latin1;
  AppendJsonLatin1(latin1, std::string("\xE9\x80<\x00>", 5));
  EXPECT_EQ(latin1, std::string("\"\xC3\xA9\xC2\x80<\\u0000>\""));
}

}  // namespace
}  // namespace tarvo
