#include "tools/kvsdump/KvsDump.h"

#include <clocale>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  // "%f" takes its decimal separator from the user's locale.
  std::setlocale(LC_ALL, "");
  // The JSON of a big song is millions of small writes.
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  return tarvo::kvsdump::RunKvsDump(args, std::cout, std::cerr);
}
