#include "vocabulary/ModuleText.h"

#include "songfile/KvsModules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarvo {
namespace {

// Modules view their info records, which hold the name at offset 4.
std::array<std::uint8_t, TKvsModule::MaxInfoSize> InfoNamed(const std::string& name) {
  std::array<std::uint8_t, TKvsModule::MaxInfoSize> info{};
  std::copy(name.begin(), name.end(), info.begin() + 4);
  return info;
}

TKvsModuleList ThreeModules() {
  static const auto lead = InfoNamed("Lead");
  static const auto echo = InfoNamed("Echo \xE4");
  auto named = [](std::int32_t typeId, const std::uint8_t* info) {
    std::unique_ptr<TKvsModule> module = MakeModule(typeId);
    module->SetInfo(info);
    return module;
  };
  TKvsModuleList modules;
  modules.push_back(MakeModule(0x1000));  // no info record read: no name
  modules.push_back(named(0x1003, lead.data()));
  modules.push_back(named(0x1106, echo.data()));
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
