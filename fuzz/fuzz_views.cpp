// The load flow on any bytes, then everything the user can look at (see
// ShowEverything), then kvsdump --diff of the input split in two songs (see
// DiffEverything). Nothing may crash, hang, read outside the data or throw
// anything but the loader's own errors.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "checks/DiffEverything.h"
#include "checks/ShowEverything.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const tarvo::testing::Shown shown = tarvo::testing::ShowEverything(data, size);
  if (!shown.fault.empty()) {
    std::fprintf(stderr, "fault: %s\n", shown.fault.c_str());
    std::abort();
  }
  const std::string diffFault = tarvo::testing::DiffEverything(data, size);
  if (!diffFault.empty()) {
    std::fprintf(stderr, "diff fault: %s\n", diffFault.c_str());
    std::abort();
  }
  return 0;
}
