#include "text/Format.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>

namespace tarvo {
namespace {

TEST(FormatTest, Integers) {
  struct Case {
    const char* format;
    FormatArg arg;
    const char* expected;
  };
  const Case cases[] = {
      {"%8.8x", 32000, "00007D00"},
      {"%2.2x", 10, "0A"},
      {"%2.2x", 0x1234, "1234"},  // precision never cuts
      {"%x", 0, "0"},
      {"%x", 0xABCDEF, "ABCDEF"},
      {"%0:x", -1, "FFFFFFFF"},
      {"%x", std::int16_t{-1}, "FFFFFFFF"},
      {"%x", std::int64_t{-1}, "FFFFFFFFFFFFFFFF"},
      {"%x", std::int64_t{0x123456789A}, "123456789A"},
      {"%x", std::uint32_t{0xFFFFFFFF}, "FFFFFFFF"},
      {"%d", std::uint32_t{0xFFFFFFFF}, "4294967295"},
      {"%d", std::uint16_t{0xFFFF}, "65535"},
      {"%d", 0, "0"},
      {"%d", -42, "-42"},
      {"%d", std::numeric_limits<std::int32_t>::min(), "-2147483648"},
      {"%d", std::numeric_limits<std::int64_t>::min(), "-9223372036854775808"},
      {"%.4d", 7, "0007"},
      {"%.3d", -5, "-005"},
      {"%.0d", 0, "0"},
      {"%5d", 42, "   42"},
      {"%-5d|", 42, "42   |"},
      {"%6.3d", -5, "  -005"},
      {"%1d", 12345, "12345"},
      {"0x%4.4x", 0, "0x0000"},
      {"%D", 3, "3"},  // type letters in either case
      {"%.20d", -7, "-00000000000000000007"},  // fills longer than the short ones
      {"%-24.18x|", 0xABC, "000000000000000ABC      |"},
      {"%19.16x|", 0xABC, "   0000000000000ABC|"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Format(c.format, {c.arg}), c.expected) << c.format;
  }
}

TEST(FormatTest, ArgumentIndexes) {
  EXPECT_EQ(Format("%0:d (0x%0:x)", {255}), "255 (0xFF)");
  EXPECT_EQ(Format("Chunk: 0x%0:4.4x (%s)", {0x41424344, "DCBA"}), "Chunk: 0x41424344 (DCBA)");
  EXPECT_EQ(Format("Chunk: 0x%0:4.4x (%s)", {0, "????"}), "Chunk: 0x0000 (?\?\?\?)");
  EXPECT_EQ(Format("Size: 0x%0:8.8x (%0:d)", {32000}), "Size: 0x00007D00 (32000)");
  EXPECT_EQ(Format("%1:d %0:d %d", {1, 2}), "2 1 2");
  EXPECT_EQ(Format("%d (assumed %d)", {3, 5}), "3 (assumed 5)");
  EXPECT_EQ(Format("%8.8x Chunk id: %8.8x (%s), skipping data: %d",
                   {std::int64_t{8}, 0x64684656u, "VFhd", 4}),
            "00000008 Chunk id: 64684656 (VFhd), skipping data: 4");
}

TEST(FormatTest, Texts) {
  EXPECT_EQ(Format("%s", {"a\xE4z"}), "a\xE4z");  // 8-bit passes through
  EXPECT_EQ(Format(" Song Info: %s", {std::string()}), " Song Info: ");
  EXPECT_EQ(Format("[%6s]", {"ab"}), "[    ab]");
  EXPECT_EQ(Format("[%-6s]", {"ab"}), "[ab    ]");
  EXPECT_EQ(Format("%.2s", {"abcdef"}), "ab");
  EXPECT_EQ(Format("100%%", {}), "100%");
  EXPECT_EQ(Format("%s%%%s", {"a", "b"}), "a%b");
}

TEST(FormatTest, Floats) {
  struct Case {
    const char* format;
    FormatArg arg;
    const char* expected;
  };
  const Case cases[] = {
      {"%f", 120.0, "120.00"},
      {"%f", 120, "120.00"},
      {"%f", -3.14159, "-3.14"},
      {"%f", 2.5f, "2.50"},
      {"%f", -0.001, "0.00"},
      {"%.0f", 2.4, "2"},
      {"%.4f", 1.5, "1.5000"},
      {"%8f", 1.5, "    1.50"},
      {"%f", 1e20, "100000000000000000000.00"},
      {"%f", std::numeric_limits<double>::quiet_NaN(), "NAN"},
      {"%f", -std::numeric_limits<double>::infinity(), "-INF"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Format(c.format, {c.arg}), c.expected) << c.format;
  }
  // The largest double still fits the digit buffer.
  const std::string max = Format("%f", {std::numeric_limits<double>::max()});
  EXPECT_EQ(max.size(), 309u + 3u);
}

TEST(FormatTest, FloatUsesTheLocaleSeparator) {
  const char* const locales[] = {"de_DE.UTF-8", "de_DE", "fr_FR.UTF-8", "fi_FI.UTF-8",
                                 "nl_NL.UTF-8"};
  const char* chosen = nullptr;
  for (const char* name : locales) {
    if (std::setlocale(LC_NUMERIC, name) != nullptr) {
      chosen = name;
      break;
    }
  }
  if (chosen == nullptr) {
    GTEST_SKIP() << "no locale with a decimal comma installed";
  }
  EXPECT_EQ(Format("%f", {120.0}), "120,00");
  EXPECT_EQ(Format("%7.1f", {-2.25}), "   -2,2");
  // Integers never take the separator or grouping.
  EXPECT_EQ(Format("%d", {1234567}), "1234567");
  std::setlocale(LC_NUMERIC, "C");
  EXPECT_EQ(Format("%f", {120.0}), "120.00");
}

// A separator of several bytes (U+066B in UTF-8) is no 8-bit character.
TEST(FormatTest, SeparatorOfMoreThanOneByteGivesFullStop) {
  std::string name = (std::filesystem::temp_directory_path() / "tarvo-locale-XXXXXX").string();
  ASSERT_NE(::mkdtemp(name.data()), nullptr);
  const std::filesystem::path folder = name;
  std::ofstream(folder / "source") << "LC_NUMERIC\ndecimal_point \"<U066B>\"\nthousands_sep \"\"\n"
                                      "grouping -1\nEND LC_NUMERIC\n";
  // Warns of the categories it lacks, and writes the locale all the same.
  const std::string make = "localedef -c -f UTF-8 -i '" + (folder / "source").string() + "' '" +
                           (folder / "xx_XX.UTF-8").string() + "' >/dev/null 2>&1";
  [[maybe_unused]] const int made = std::system(make.c_str());
  ::setenv("LOCPATH", folder.c_str(), 1);
  const bool set = std::setlocale(LC_NUMERIC, "xx_XX.UTF-8") != nullptr;
  const std::string formatted = Format("%f", {1.5});
  std::setlocale(LC_NUMERIC, "C");
  ::unsetenv("LOCPATH");
  std::filesystem::remove_all(folder);
  if (!set) GTEST_SKIP() << "localedef could not make a locale";
  EXPECT_EQ(formatted, "1.50");
}

TEST(FormatTest, MalformedSpecifiersStayLiteral) {
  struct Case {
    const char* format;
    const char* expected;
  };
  const Case cases[] = {
      {"50%", "50%"},
      {"50% off", "50% off"},
      {"%q", "%q"},
      {"%u", "%u"},
      {"%0:", "%0:"},
      {"%5", "%5"},
      {"%.x", "%.x"},
      {"%-", "%-"},
      {"%3:d", "%3:d"},                    // no such argument
      {"%d %d", "7 %d"},                   // runs out of arguments
      {"%s", "%s"},                        // number given for a text
      {"%99999999999d", "%99999999999d"},  // absurd width
      {"%5.99999f", "%5.99999f"},
      {"%%d", "%d"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Format(c.format, {7}), c.expected) << c.format;
  }
  EXPECT_EQ(Format("%d", {"text"}), "%d");
  EXPECT_EQ(Format("%f", {"text"}), "%f");
  EXPECT_EQ(Format("%x", {1.5}), "%x");
  EXPECT_EQ(Format("%d", {}), "%d");
}

// Parses are kept by the format's address: a format changed in place, or
// another one at the same address, must be read again.
TEST(FormatTest, AFormatChangedInPlaceIsReadAgain) {
  std::string format = "%d-%d";
  EXPECT_EQ(Format(format, {1, 2}), "1-2");
  format[2] = '+';
  EXPECT_EQ(Format(format, {1, 2}), "1+2");
  format[1] = 'x';
  EXPECT_EQ(Format(format, {10, 2}), "A+2");
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < 300; ++i) {
      const std::string each = "<" + std::to_string(i) + "%%%d%s>";
      EXPECT_EQ(Format(each, {i, "t"}), "<" + std::to_string(i) + "%" + std::to_string(i) + "t>");
    }
  }
}

TEST(FormatTest, FormatToAppends) {
  std::string out = "x=";
  FormatTo(out, "%d", {5});
  FormatTo(out, ", y=%4.4x", {0xBEEF});
  EXPECT_EQ(out, "x=5, y=BEEF");

  // Results are gathered in a small buffer before they reach the string:
  // long texts and wide fields must pass it whole, wherever they start.
  for (std::size_t lead = 250; lead < 262; ++lead) {
    const std::string text(lead, 'a');
    const std::string expected = "<" + text + std::string(299, ' ') + "7|" + "b" + std::string(299, ' ') + "|" + text;
    EXPECT_EQ(Format("<%s%300d|%-300s|%s", {text, 7, "b", text}), expected) << lead;
    std::string appended = "x";
    FormatTo(appended, "%s%4.4x", {text, 0xBEEF});
    EXPECT_EQ(appended, "x" + text + "BEEF") << lead;
  }
}

}  // namespace
}  // namespace tarvo
