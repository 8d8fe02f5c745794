#include "vocabulary/EventIds.h"

#include "text/Format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>

namespace tarvo {
namespace {

TEST(EventIdsTest, Texts) {
  struct Case {
    std::uint16_t id;
    const char* expected;
  };
  const Case cases[] = {
      {0, "Param 0"},
      {37, "Param 37"},
      {0x0FFF, "Param 4095"},
      {0x1000, "TEMPO"},
      {0x1007, "unknown event (1007)"},
      {0x10FF, "unknown event (10FF)"},
      {0x1100, "SONGMODE"},
      {0x1105, "unknown event (1105)"},
      {0x3000, "NOTE_ON"},
      {0x300B, "SUSTENUTO"},
      {0x300D, "GATE"},
      {0x300E, "unknown event (300E)"},
      {0x300F, "unknown event (300F)"},
      {0x3010, "PLAY"},
      {0x3015, "unknown event (3015)"},
      {0x5000, "CH_VOLUME"},
      {0x5007, "EQ_LOSHELF"},
      {0x5008, "EQ_HISHELF"},
      {0x501D, "CH_LFE_AMT"},
      {0x501E, "unknown event (501E)"},
      {0xFFFF, "unknown event (FFFF)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EventIdToText(c.id), c.expected) << std::hex << c.id;
  }
}

TEST(EventIdsTest, SixtyOneDistinctNames) {
  std::set<std::string> names;
  int named = 0;
  for (std::uint32_t id = 0x1000; id <= 0xFFFF; ++id) {
    const std::string text = EventIdToText(static_cast<std::uint16_t>(id));
    ASSERT_FALSE(text.empty());
    if (text.rfind("unknown event (", 0) != 0) {
      ++named;
      names.insert(text);
    }
  }
  EXPECT_EQ(named, 61);
  EXPECT_EQ(names.size(), 61u);
}

TEST(EventIdsTest, ListCellShowsTheIdTwice) {
  const auto cell = [](std::uint16_t id) {
    return Format("%s (0x%4.4x)", {EventIdToText(id), id});
  };
  EXPECT_EQ(cell(0x3000), "NOTE_ON (0x3000)");
  EXPECT_EQ(cell(5), "Param 5 (0x0005)");
  EXPECT_EQ(cell(0xABCD), "unknown event (ABCD) (0xABCD)");
}

}  // namespace
}  // namespace tarvo
