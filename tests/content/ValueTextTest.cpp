#include "content/map/ValueText.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvo::content {
namespace {

TEST(OneLineValueTest, EscapesCutsWholeEscapesAndNamesTheFullLength) {
  std::string info = "Tarvo Analyzer demo song\r\nBuilt";
  info.resize(118, 'x');
  EXPECT_EQ(OneLineValue(info, 37), "Tarvo Analyzer demo song\\x0D\\x0ABuilt\xE2\x80\xA6 (118 characters)");
  // An escape that does not fit whole is left out whole.
  EXPECT_EQ(OneLineValue(info, 27), "Tarvo Analyzer demo song\xE2\x80\xA6 (118 characters)");
  // What fits is shown whole, Latin-1 as UTF-8, tab escaped.
  EXPECT_EQ(OneLineValue("caf\xE9\t", 8), "caf\xC3\xA9\\x09");
  EXPECT_EQ(OneLineValue("", 0), "");
}

TEST(OneLineValueTest, AHugeValueStaysBounded) {
  const std::string huge(2 * 1024 * 1024, '\x85');
  const std::string shown = OneLineValue(huge);
  EXPECT_LT(shown.size(), 4 * OneLineValueChars);
  EXPECT_NE(shown.find("(2097152 characters)"), std::string::npos);
}

}  // namespace
}  // namespace tarvo::content
