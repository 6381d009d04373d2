// Fuzz target: a coupling table read as the program's -inD table.
#include <cstddef>
#include <cstdint>

#include "app/dc_select.h"
#include "couplings/dc.h"
#include "tests/fuzz/fuzz_file.h"

using namespace korim::couplings;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string name = korim::fuzz::inputFile(data, size, "dc.tab");
  DTable tab{};
  dTabNull(&tab);
  korim::app::readDcTable(name.c_str(), &tab, "-inD");
  dTabFree(&tab);
  return 0;
}
