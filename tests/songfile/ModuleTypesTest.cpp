#include "songfile/ModuleTypes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace tarvo {
namespace {

// The catalogued ids, listed here independently of the table.
std::vector<std::int32_t> CataloguedIds() {
  std::vector<std::int32_t> ids;
  for (std::int32_t id = 0x1000; id <= 0x1012; ++id) {
    ids.push_back(id);
  }
  ids.push_back(0x10FF);
  for (std::int32_t id = 0x1100; id <= 0x113B; ++id) {
    ids.push_back(id);
  }
  ids.insert(ids.end(), {0x1140, 0x11FE, 0x11FF, 0x1500});
  return ids;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() > suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

TEST(ModuleTypesTest, EveryCataloguedIdHasItsOwnName) {
  const std::vector<std::int32_t> ids = CataloguedIds();
  ASSERT_EQ(ids.size(), 84u);
  std::set<std::string> names;
  for (const std::int32_t id : ids) {
    const std::string name = ModuleTypeToText(id);
    EXPECT_FALSE(name.empty()) << std::hex << id;
    EXPECT_EQ(name.find("unknown object"), std::string::npos) << std::hex << id;
    EXPECT_TRUE(names.insert(name).second) << "duplicate name " << name;
  }
}

TEST(ModuleTypesTest, Markers) {
  EXPECT_EQ(ModuleTypeToText(0x10FF), "<Last Generator>");
  EXPECT_EQ(ModuleTypeToText(0x11FF), "<Last FX>");
  EXPECT_EQ(ModuleTypeToText(0x1500), "<Object Name>");
}

TEST(ModuleTypesTest, PlaceholderSuffixes) {
  struct Case {
    std::int32_t id;
    const char* suffix;
  };
  const Case cases[] = {
      {0x100D, " (ununsed generator)"}, {0x110F, " (ununsed generator)"},
      {0x1110, " (ununsed generator)"}, {0x1116, " (future use)"},
      {0x1117, " (future use)"},        {0x111A, " (future use)"},
      {0x1127, " (ununsed)"},           {0x112D, " (future use)"},
      {0x112E, " (future use)"},        {0x112F, " (future use)"},
      {0x1139, " (future use)"},        {0x113A, " (future use)"},
      {0x113B, " (future use)"},        {0x1140, " (future use)"},
  };
  std::set<std::int32_t> placeholders;
  for (const Case& c : cases) {
    EXPECT_TRUE(EndsWith(ModuleTypeToText(c.id), c.suffix)) << ModuleTypeToText(c.id);
    placeholders.insert(c.id);
  }
  // No other row reads like a placeholder.
  for (const std::int32_t id : CataloguedIds()) {
    if (placeholders.count(id) == 0) {
      const std::string name = ModuleTypeToText(id);
      EXPECT_FALSE(EndsWith(name, " (future use)") || EndsWith(name, " (ununsed)") ||
                   EndsWith(name, " (ununsed generator)"))
          << name;
    }
  }
}

TEST(ModuleTypesTest, UncataloguedIdsShowTheirNumber) {
  struct Case {
    std::int32_t id;
    const char* expected;
  };
  const Case cases[] = {
      {0, "unknown object (0)"},         {0xFFF, "unknown object (FFF)"},
      {0x1013, "unknown object (1013)"}, {0x10FE, "unknown object (10FE)"},
      {0x113C, "unknown object (113C)"}, {0x113F, "unknown object (113F)"},
      {0x1141, "unknown object (1141)"}, {0x11FD, "unknown object (11FD)"},
      {0x1200, "unknown object (1200)"}, {0x14FF, "unknown object (14FF)"},
      {0x1501, "unknown object (1501)"}, {0xFFFFFF, "unknown object (FFFFFF)"},
      {-1, "unknown object (FFFFFFFF)"}, {INT32_MIN, "unknown object (80000000)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ModuleTypeToText(c.id), c.expected);
  }
}

}  // namespace
}  // namespace tarvo
