// The loader alone on any bytes: it must never crash, hang or read outside
// the data, and must fail only with its own error texts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "songfile/KvsError.h"
#include "songfile/KvsLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::size_t messages = 0;
  tarvo::TKvsLoader loader([&messages](std::string_view) { ++messages; }, [] {});
  std::string errorText;
  try {
    loader.LoadFromMemory(data, size, errorText);
  } catch (const tarvo::KvsError& error) {
    if (std::string_view(error.what()) != "Stream read error") std::abort();
  }
  if (!errorText.empty() && !errorText.starts_with("File version ")) std::abort();
  // Every module owns only channels that name it.
  for (const auto& module : loader.Modules())
    for (const std::size_t position : loader.ChannelsOwnedBy(module->ModuleIndex()))
      if (loader.Channels().at(position).OwnerModule() != module->ModuleIndex()) std::abort();
  return 0;
}
