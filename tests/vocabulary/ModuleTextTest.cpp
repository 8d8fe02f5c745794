#include "vocabulary/ModuleText.h"

#include "songfile/KvsModules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarvo {
namespace {

std::vector<std::unique_ptr<TKvsModule>> ThreeModules() {
  std::vector<std::unique_ptr<TKvsModule>> modules;
  const char* const names[] = {"", "Lead", "Echo \xE4"};
  const std::int32_t types[] = {0x1000, 0x1003, 0x1106};
  for (int i = 0; i < 3; ++i) {
    modules.push_back(MakeModule(types[i]));
    modules.back()->Name = names[i];
  }
  return modules;
}

TEST(ModuleTextTest, ByIndex) {
  const auto modules = ThreeModules();
  struct Case {
    std::int32_t index;
    const char* expected;
  };
  const Case cases[] = {
      {-1, "n/a"},
      {-32768, "n/a"},
      {0, ""},  // a module may have no name
      {1, "Lead"},
      {2, "Echo \xE4"},
      {3, "<ERROR> (3)"},
      {65535, "<ERROR> (65535)"},
      {2147483647, "<ERROR> (2147483647)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetModuleText(modules, c.index), c.expected) << c.index;
  }
}

TEST(ModuleTextTest, EmptyLoader) {
  const TKvsLoader loader;
  EXPECT_EQ(GetModuleText(loader, 0), "<ERROR> (0)");
  EXPECT_EQ(GetModuleText(loader, -1), "n/a");
}

}  // namespace
}  // namespace tarvo
