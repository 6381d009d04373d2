// Fuzz target: the VARS/FORMAT table reader with its header list, values and counts only.
#include <cstddef>
#include <cstdint>

#include "foundation/table.h"
#include "tests/fuzz/fuzz_file.h"

using namespace korim::foundation;

namespace {
void readOnce(const char* name, int readMode) {
  float* matrix = nullptr;
  int varCount = 0, entryCount = 0;
  tabVar* varInfo = nullptr;
  hdrList* hdr = hdrInit();
  rdTable2(name, &matrix, &varCount, &entryCount, &varInfo, &hdr, -1, 0, readMode);
  freeTab(matrix, varInfo, varCount, entryCount);
  freeHdr(hdr);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string name = korim::fuzz::inputFile(data, size, "table.tab");
  readOnce(name.c_str(), 1);
  readOnce(name.c_str(), 0);
  float* matrix = nullptr;
  int varCount = 0, entryCount = 0;
  tabVar* varInfo = nullptr;
  rdTable(name.c_str(), &matrix, &varCount, &entryCount, &varInfo, 0);
  freeTab(matrix, varInfo, varCount, entryCount);
  return 0;
}
